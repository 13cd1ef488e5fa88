#include "document/LayerPainting.h"

#include "model/ExactCompare.h"
#include "render/Blend.h"
#include "render/ClipMask.h"
#include "render/LayerRasterization.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

std::optional<PaintRefusal> paintRefusal(const ImageDocument& document)
{
    const std::optional<Layer> layer = document.state().selectedLayer();
    if (!layer)
        return PaintRefusal::noLayer;
    if (layer->isLocked)
        return PaintRefusal::locked;
    if (layer->isText())
        return PaintRefusal::text;
    return std::nullopt;
}

bool rasterizeLayer(ImageDocument& document, const QUuid& id)
{
    CanvasState state = document.state();
    for (Layer& layer : state.layers) {
        if (layer.id != id)
            continue;
        if (layer.isLocked || !layer.isText() || !rasterizeTextContent(layer))
            return false;
        document.commitState(std::move(state), QStringLiteral("Rasterize Layer"));
        return true;
    }
    return false;
}


std::optional<QRect> integralUnion(const QRectF& a, const QRectF& b)
{
    const double left = std::floor(std::min(a.left(), b.left()));
    const double top = std::floor(std::min(a.top(), b.top()));
    const double right = std::ceil(std::max(a.right(), b.right()));
    const double bottom = std::ceil(std::max(a.bottom(), b.bottom()));
    if (!(right - left <= kMaxBitmapSide && bottom - top <= kMaxBitmapSide))
        return std::nullopt;
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

std::optional<BitmapBuilder> pixelsWithin(const Layer& layer, QRect bounds)
{
    const Bitmap& bitmap = *layer.bitmap();
    if (exactlyEqual(layer.origin, QPointF(bounds.topLeft())) && bitmap.size() == bounds.size())
        return BitmapBuilder::copyOf(bitmap);
    std::optional<BitmapBuilder> pixels = BitmapBuilder::create(bounds.width(), bounds.height());
    if (pixels)
        blendInto(*pixels, bitmap, layer.origin - QPointF(bounds.topLeft()), LayerBlendMode::normal, 1.0);
    return pixels;
}

AlphaPlane selectionCoverage(const DocumentSelection& selection, QRect selected, QRect bounds)
{
    const MaskShape shape = selection.shape == SelectionShape::ellipse ? MaskShape::ellipse : MaskShape::rectangle;
    return makeClipMask(bounds.width(), bounds.height(), QRectF(selected.translated(-bounds.topLeft())), shape,
                        selection.inverted);
}

}  // namespace velmaris
