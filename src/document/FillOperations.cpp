#include "document/FillOperations.h"

#include "document/LayerPainting.h"
#include "document/SelectionOperations.h"
#include "model/ExactCompare.h"
#include "render/ClipMask.h"
#include "render/CoverageFill.h"
#include "render/LayerRasterization.h"

namespace velmaris {

namespace {

QRect canvasPixels(const ImageDocument& document)
{
    return QRect(QPoint(0, 0), document.state().size.toSize());
}

// The primary layer's own pixels over the whole canvas, transparent where it does not reach.
QImage layerOnCanvas(const Layer& layer, QRect canvas)
{
    const Bitmap& bitmap = *layer.bitmap();
    if (exactlyEqual(layer.origin, QPointF(0, 0)) && bitmap.size() == canvas.size())
        return bitmap.image();
    std::optional<BitmapBuilder> pixels = pixelsWithin(layer, canvas);
    return pixels ? std::move(*pixels).build().image() : QImage();
}

// Paints into the primary layer, grown to `bounds`, and records the change.
template <typename Paint>
bool paintPrimaryLayer(ImageDocument& document, QRect bounds, Paint&& paint, const QString& historyName)
{
    const int index = *document.state().selectedLayerIndex();
    Layer layer = document.state().layers[index];
    std::optional<BitmapBuilder> pixels = pixelsWithin(layer, bounds);
    if (!pixels)
        return false;
    paint(*pixels);
    layer.content = std::move(*pixels).build();
    layer.origin = bounds.topLeft();
    CanvasState state = document.state();
    state.layers[index] = std::move(layer);
    document.commitState(std::move(state), historyName);
    return true;
}

}  // namespace

bool fillRegion(ImageDocument& document, QPoint pixel, const BucketFill& fill, const StoredColor& color,
                const QImage& composite)
{
    const QRect canvas = canvasPixels(document);
    if (paintRefusal(document) || !canvas.contains(pixel))
        return false;
    const Layer layer = *document.state().selectedLayer();
    QImage sample;
    if (fill.sampling == FillSampling::layer) {
        sample = layerOnCanvas(layer, canvas);
    } else if (composite.size() == canvas.size()) {
        sample = composite;
    } else if (const std::optional<Bitmap> rendered = renderComposite(document.state())) {
        sample = rendered->image();
    }
    AlphaPlane coverage = regionCoverage(sample, pixel, fill.region);
    if (coverage.values.empty())
        return false;
    if (document.selection().rect) {
        const std::optional<QRect> selected = selectionPixelRect(document);
        if (!selected)
            return false;
        intersectCoverage(coverage, selectionCoverage(document.selection(), *selected, canvas));
    }
    const std::optional<QRect> covered = coveredBounds(coverage);
    const std::optional<QRect> bounds = covered ? integralUnion(layer.box(), QRectF(*covered)) : std::nullopt;
    if (!bounds)
        return false;
    return paintPrimaryLayer(
        document, *bounds,
        [&](BitmapBuilder& pixels) {
            const auto rgba = color.premultipliedRgba8();
            if (*bounds == canvas)
                paintColor(pixels, rgba, coverage);
            else
                paintColor(pixels, rgba, framedCoverage(coverage, *bounds));
        },
        QStringLiteral("Fill"));
}

bool fillGradient(ImageDocument& document, const GradientDrawing& gradient)
{
    if (paintRefusal(document) || gradient.start == gradient.end)
        return false;
    const QRect canvas = canvasPixels(document);
    const DocumentSelection& selection = document.selection();
    std::optional<QRect> selected;
    if (selection.rect && !(selected = selectionPixelRect(document)))
        return false;
    const QRect reach = selected && !selection.inverted ? *selected : canvas;
    const std::optional<QRect> bounds = integralUnion(document.state().selectedLayer()->box(), QRectF(reach));
    if (!bounds)
        return false;
    AlphaPlane coverage;
    if (selected)
        coverage = selectionCoverage(selection, *selected, *bounds);
    else if (*bounds == canvas)
        coverage = AlphaPlane(canvas.width(), canvas.height(), 255);
    else
        coverage = makeClipMask(bounds->width(), bounds->height(), QRectF(canvas.translated(-bounds->topLeft())),
                                MaskShape::rectangle, false);
    if (coverage.values.empty())
        return false;
    return paintPrimaryLayer(
        document, *bounds, [&](BitmapBuilder& pixels) { paintGradient(pixels, bounds->topLeft(), gradient, coverage); },
        QStringLiteral("Gradient"));
}

}  // namespace velmaris
