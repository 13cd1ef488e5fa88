#include "document/SelectionPainting.h"

#include "document/CopyComposite.h"
#include "document/DialogInput.h"
#include "document/LayerPainting.h"
#include "platform/Pasteboard.h"
#include "render/LayerRasterization.h"
#include "document/SelectionOperations.h"
#include "render/Blend.h"
#include "render/ClipMask.h"
#include "render/CoverageFill.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// The primary layer as a bitmap layer, and the selection's whole-pixel rectangle on the canvas.
struct PaintTarget {
    int index;
    Layer layer;
    QRect selection;
};

std::optional<PaintTarget> paintTarget(const ImageDocument& document)
{
    const std::optional<QRect> selection = selectionPixelRect(document);
    const std::optional<int> index = document.state().selectedLayerIndex();
    if (!selection || !index)
        return std::nullopt;
    Layer layer = document.state().layers[*index];
    if (layer.isLocked || !rasterizeTextContent(layer))
        return std::nullopt;
    return PaintTarget{*index, std::move(layer), *selection};
}

// Grows the target layer to `bounds`, paints the colour through the coverage that makeCoverage
// gives for those bounds, and commits.
template <typename MakeCoverage>
bool paintLayer(ImageDocument& document, PaintTarget target, QRect bounds, const StoredColor& color,
                MakeCoverage&& makeCoverage, const QString& historyName)
{
    std::optional<BitmapBuilder> pixels = pixelsWithin(target.layer, bounds);
    if (!pixels)
        return false;
    const AlphaPlane coverage = makeCoverage(QRectF(target.selection.translated(-bounds.topLeft())));
    if (coverage.values.empty())
        return false;
    paintColor(*pixels, color.premultipliedRgba8(), coverage);
    target.layer.content = std::move(*pixels).build();
    target.layer.origin = bounds.topLeft();
    CanvasState state = document.state();
    state.layers[target.index] = std::move(target.layer);
    document.commitState(std::move(state), historyName);
    return true;
}

}  // namespace

bool fillSelection(ImageDocument& document, const StoredColor& color)
{
    std::optional<PaintTarget> target = paintTarget(document);
    if (!target)
        return false;
    const DocumentSelection& selection = document.selection();
    // An inverted fill reaches every part of the canvas outside the shape.
    const QRectF reach = selection.inverted ? QRectF(QPointF(0, 0), document.state().size) : QRectF(target->selection);
    const std::optional<QRect> bounds = integralUnion(target->layer.box(), reach);
    if (!bounds)
        return false;
    const QRect selected = target->selection;
    return paintLayer(
        document, std::move(*target), *bounds, color,
        [&](const QRectF&) { return selectionCoverage(selection, selected, *bounds); },
        QStringLiteral("Fill Selection"));
}

bool strokeSelection(ImageDocument& document, const StoredColor& color, double width)
{
    if (!strokeWidthAllowed(width))
        return false;
    std::optional<PaintTarget> target = paintTarget(document);
    if (!target)
        return false;
    const std::optional<QRect> bounds = integralUnion(target->layer.box(), QRectF(target->selection));
    if (!bounds)
        return false;
    const MaskShape shape =
        document.selection().shape == SelectionShape::ellipse ? MaskShape::ellipse : MaskShape::rectangle;
    return paintLayer(
        document, std::move(*target), *bounds, color,
        [&](const QRectF& shapeRect) {
            // Inset by half the line so the whole stroke stays inside the selection's rectangle.
            const double inset = width / 2;
            return makeStrokeMask(bounds->width(), bounds->height(),
                                  shapeRect.adjusted(inset, inset, -inset, -inset), shape, width);
        },
        QStringLiteral("Stroke Selection"));
}

bool canCutSelection(const ImageDocument& document)
{
    const std::optional<Layer> primary = document.state().selectedLayer();
    return primary && !primary->isLocked && primary->bitmap() && selectionPixelRect(document);
}

bool cutSelection(ImageDocument& document, const Pasteboard& pasteboard, std::function<void()> written)
{
    if (!canCutSelection(document))
        return false;
    const DocumentSelection& selection = document.selection();
    const QRect selected = *selectionPixelRect(document);
    const int index = *document.state().selectedLayerIndex();
    Layer layer = document.state().layers[index];

    // What is cut is what Copy would take of this layer alone.
    std::optional<BitmapBuilder> canvas =
        BitmapBuilder::create(int(document.state().size.width()), int(document.state().size.height()));
    if (!canvas)
        return false;
    blendInto(*canvas, *layer.bitmap(), layer.origin, LayerBlendMode::normal, 1.0);
    const std::optional<Bitmap> image = selectedPart(std::move(*canvas).build(), selection);

    const QRect bounds = layer.box().toAlignedRect();
    std::optional<BitmapBuilder> pixels = pixelsWithin(layer, bounds);
    const AlphaPlane mask = selectionCoverage(selection, selected, bounds);
    if (!image || !pixels || mask.values.empty())
        return false;
    clearCoverage(*pixels, mask);
    layer.content = std::move(*pixels).build();
    layer.origin = bounds.topLeft();
    CanvasState state = document.state();
    state.layers[index] = std::move(layer);
    document.commitState(std::move(state), QStringLiteral("Cut"));
    pasteboard.writeImage(*image, std::move(written));
    return true;
}

}  // namespace velmaris
