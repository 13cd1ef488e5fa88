#include "document/BrushPainting.h"

#include "document/LayerTargets.h"
#include "render/ClipMask.h"
#include "render/LayerRasterization.h"

#include <cmath>

namespace velmaris {

namespace {

StrokeClip selectionClip(const DocumentSelection& selection)
{
    if (!selection.rect)
        return {};
    const QRectF rect = *selection.rect;
    const MaskShape shape = selection.shape == SelectionShape::ellipse ? MaskShape::ellipse : MaskShape::rectangle;
    const bool inverted = selection.inverted;
    return [rect, shape, inverted](const QRect& area) {
        return makeClipMask(area.width(), area.height(), rect.translated(-QPointF(area.topLeft())), shape, inverted);
    };
}

QPoint wholeOrigin(const Layer& layer)
{
    return QPoint(int(std::round(layer.origin.x())), int(std::round(layer.origin.y())));
}

}  // namespace

std::variant<BrushStrokeStart, PaintRefusal> startBrushStroke(const ImageDocument& document,
                                                              const BrushSettings& settings, const BrushInk& ink)
{
    if (const std::optional<PaintRefusal> refusal = paintRefusal(document))
        return *refusal;
    const std::optional<Layer> layer = document.state().selectedLayer();
    const Bitmap* pixels = layer->bitmap();
    return BrushStrokeStart{layer->id,
                            std::make_unique<BrushStroke>(*pixels, wholeOrigin(*layer), document.state().size.toSize(),
                                                          settings, ink, selectionClip(document.selection()))};
}

bool commitBrushStroke(ImageDocument& document, const QUuid& layerID, const BrushStroke& stroke,
                       PaintedLayer painted, const QString& name)
{
    const std::optional<int> index = layerIndex(document.state(), layerID);
    if (!index)
        return false;
    const Layer& layer = document.state().layers[*index];
    // An undo or another change of the layer since the stroke began wins over the stroke.
    if (layer.isLocked || !layer.bitmap() || !layer.bitmap()->sharesPixelsWith(stroke.source()) ||
        wholeOrigin(layer) != stroke.sourceOrigin())
        return false;
    CanvasState state = document.state();
    state.layers[*index].content = std::move(painted.pixels);
    state.layers[*index].origin = painted.origin;
    document.commitState(std::move(state), name);
    return true;
}

}  // namespace velmaris
