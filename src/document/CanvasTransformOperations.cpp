#include "document/CanvasTransformOperations.h"

#include "document/DialogInput.h"
#include "model/ExactCompare.h"
#include "render/LayerRasterization.h"
#include "document/SelectionOperations.h"
#include "files/ResampleImage.h"
#include "render/Blend.h"
#include "render/ClipMask.h"
#include "render/Compositor.h"
#include "render/ContentBounds.h"
#include "render/CoverageFill.h"
#include "render/Orientation.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// Calls change(layer, bitmap) with every layer's pixels; text layers are rasterised first, and
// one that cannot be keeps its text and is left out. change() returns the new pixels, or a null
// bitmap to leave the layer as it is.
template <typename Change>
void changeEveryBitmap(CanvasState& state, Change&& change)
{
    for (Layer& layer : state.layers) {
        if (!rasterizeTextContent(layer))
            continue;
        const Bitmap old = *layer.bitmap();
        Bitmap changed = change(layer, old);
        if (!changed.isNull())
            layer.content = std::move(changed);
    }
}

double scaledFontSize(double size, double factor)
{
    return std::max(size * factor, 1.0);
}

void scaleTextSizes(TextLayerAttributes& text, double factor)
{
    text.fontSize = scaledFontSize(text.fontSize, factor);
    for (TextStyleRun& run : text.runs) {
        if (run.fontSize)
            run.fontSize = scaledFontSize(*run.fontSize, factor);
    }
}

// Makes `crop` (canvas pixels) the canvas: layers keep every pixel and move by its origin.
void cropCanvas(ImageDocument& document, QRect crop, const QString& historyName)
{
    CanvasState state = document.state();
    for (Layer& layer : state.layers)
        layer.origin -= QPointF(crop.topLeft());
    state.size = QSizeF(crop.size());
    document.commitState(std::move(state), historyName);
    document.setSelectionRect(std::nullopt);
}

// How far the old image moves in a canvas grown (or shrunk) by `growth` along one axis.
double anchorOffset(double growth, Qt::Alignment anchor, Qt::Alignment start, Qt::Alignment end)
{
    if (anchor & end)
        return std::floor(growth);
    if (anchor & start)
        return 0;
    return std::floor(growth / 2);
}

// The fill colour over `canvas` outside `oldImage`, with `layer`'s pixels (when given) drawn over
// it; the bitmap covers the canvas and the layer box. Its origin is the returned bitmap's place.
std::optional<std::pair<Bitmap, QPoint>> filledBehind(const Layer* layer, QRect canvas, const QRectF& oldImage,
                                                      const StoredColor& fill)
{
    const QRect bounds = layer ? layer->box().united(QRectF(canvas)).toAlignedRect() : canvas;
    if (!bitmapSizeAllowed(bounds.width(), bounds.height()))
        return std::nullopt;
    std::optional<BitmapBuilder> pixels = BitmapBuilder::create(bounds.width(), bounds.height());
    if (!pixels)
        return std::nullopt;
    const QPointF shift = -QPointF(bounds.topLeft());
    const auto cover = [&](const QRectF& rect) {
        return makeClipMask(bounds.width(), bounds.height(), rect.translated(shift), MaskShape::rectangle, false);
    };
    paintColor(*pixels, fill.premultipliedRgba8(), cover(QRectF(canvas)));
    clearCoverage(*pixels, cover(oldImage));
    if (layer)
        blendInto(*pixels, *layer->bitmap(), layer->origin + shift, LayerBlendMode::normal, 1.0);
    return std::pair{std::move(*pixels).build(), bounds.topLeft()};
}

}  // namespace

void rotateCanvas(ImageDocument& document, bool clockwise)
{
    CanvasState state = document.state();
    const double canvasWidth = state.size.width(), canvasHeight = state.size.height();
    changeEveryBitmap(state, [&](Layer& layer, const Bitmap& bitmap) {
        Bitmap turned = rotatedQuarterTurns(bitmap, clockwise ? 1 : 3);
        if (!turned.isNull()) {
            const double x = layer.origin.x(), y = layer.origin.y();
            layer.origin = clockwise ? QPointF(canvasHeight - y - bitmap.height(), x)
                                     : QPointF(y, canvasWidth - x - bitmap.width());
        }
        return turned;
    });
    state.size = QSizeF(canvasHeight, canvasWidth);
    document.commitState(std::move(state), clockwise ? QStringLiteral("Rotate 90° Clockwise")
                                                     : QStringLiteral("Rotate 90° Counterclockwise"));
    document.setSelectionRect(std::nullopt);
}

void flipCanvas(ImageDocument& document, bool horizontal)
{
    CanvasState state = document.state();
    const QSizeF canvas = state.size;
    changeEveryBitmap(state, [&](Layer& layer, const Bitmap& bitmap) {
        Bitmap flipped = mirrored(bitmap, horizontal, !horizontal);
        if (!flipped.isNull()) {
            if (horizontal)
                layer.origin.setX(canvas.width() - layer.origin.x() - bitmap.width());
            else
                layer.origin.setY(canvas.height() - layer.origin.y() - bitmap.height());
        }
        return flipped;
    });
    document.commitState(std::move(state),
                         horizontal ? QStringLiteral("Flip Horizontal") : QStringLiteral("Flip Vertical"));
}

bool cropToSelection(ImageDocument& document)
{
    const std::optional<QRect> crop = selectionPixelRect(document);
    if (!crop)
        return false;
    cropCanvas(document, *crop, QStringLiteral("Crop"));
    return true;
}

bool trimCanvas(ImageDocument& document)
{
    const std::optional<Bitmap> composite = renderComposite(document.state());
    if (!composite)
        return false;
    const std::optional<QRect> content = contentBounds(*composite);
    if (!content || content->size() == composite->size())
        return false;
    cropCanvas(document, *content, QStringLiteral("Trim"));
    return true;
}

bool resizeImage(ImageDocument& document, int width, int height)
{
    CanvasState state = document.state();
    if (!imageSideAllowed(width) || !imageSideAllowed(height) || exactlyEqual(state.size, QSizeF(width, height)))
        return false;
    const double sx = width / state.size.width(), sy = height / state.size.height();
    for (Layer& layer : state.layers) {
        layer.origin = QPointF(layer.origin.x() * sx, layer.origin.y() * sy);
        if (TextLayerAttributes* text = std::get_if<TextLayerAttributes>(&layer.content)) {
            scaleTextSizes(*text, sy);
            continue;
        }
        const Bitmap& bitmap = *layer.bitmap();
        if (std::optional<Bitmap> resampled = resampleImage(bitmap, bitmap.width() * sx, bitmap.height() * sy))
            layer.content = std::move(*resampled);
    }
    state.size = QSizeF(width, height);
    document.commitState(std::move(state), QStringLiteral("Image Size"));
    document.setSelectionRect(std::nullopt);
    return true;
}

bool resizeCanvas(ImageDocument& document, int width, int height, Qt::Alignment anchor,
                  const std::optional<StoredColor>& fill)
{
    CanvasState state = document.state();
    const QSizeF oldSize = state.size;
    if (!imageSideAllowed(width) || !imageSideAllowed(height) || exactlyEqual(oldSize, QSizeF(width, height)))
        return false;
    const QPointF offset(anchorOffset(width - oldSize.width(), anchor, Qt::AlignLeft, Qt::AlignRight),
                         anchorOffset(height - oldSize.height(), anchor, Qt::AlignTop, Qt::AlignBottom));
    for (Layer& layer : state.layers)
        layer.origin += offset;
    const QRect canvas(0, 0, width, height);
    const QRectF oldImage(offset, oldSize);
    if (fill && !oldImage.contains(QRectF(canvas))) {
        Layer* bottom = state.layers.isEmpty() ? nullptr : &state.layers.front();
        const bool extendBottom = bottom && bottom->bitmap();
        auto filled = filledBehind(extendBottom ? bottom : nullptr, canvas, oldImage, *fill);
        if (!filled)
            return false;
        if (extendBottom) {
            bottom->content = std::move(filled->first);
            bottom->origin = filled->second;
        } else {
            state.layers.prepend(makeBitmapLayer(filled->first, QStringLiteral("Background"), filled->second));
        }
    }
    state.size = QSizeF(width, height);
    document.commitState(std::move(state), QStringLiteral("Canvas Size"));
    document.setSelectionRect(std::nullopt);
    return true;
}

}  // namespace velmaris
