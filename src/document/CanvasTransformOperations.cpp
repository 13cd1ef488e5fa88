#include "document/CanvasTransformOperations.h"

#include "document/DialogInput.h"
#include "model/ExactCompare.h"
#include "render/LayerRasterization.h"
#include "document/SelectionOperations.h"
#include "files/ResampleImage.h"
#include "render/Orientation.h"

#include <algorithm>

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
    CanvasState state = document.state();
    for (Layer& layer : state.layers)
        layer.origin -= QPointF(crop->topLeft());
    state.size = QSizeF(crop->size());
    document.commitState(std::move(state), QStringLiteral("Crop"));
    document.setSelectionRect(std::nullopt);
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

}  // namespace velmaris
