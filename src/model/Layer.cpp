#include "model/Layer.h"

#include "model/ExactCompare.h"
#include "model/StyledText.h"

namespace velmaris {

namespace {

bool sameContent(const LayerContent& a, const LayerContent& b)
{
    const auto* bitmapA = std::get_if<Bitmap>(&a);
    const auto* bitmapB = std::get_if<Bitmap>(&b);
    if (bitmapA || bitmapB)
        return bitmapA && bitmapB && bitmapA->sharesPixelsWith(*bitmapB);
    return std::get<TextLayerAttributes>(a) == std::get<TextLayerAttributes>(b);
}

}  // namespace

bool operator==(const Layer& a, const Layer& b)
{
    return a.id == b.id && a.name == b.name && a.isVisible == b.isVisible && a.opacity == b.opacity
        && exactlyEqual(a.origin, b.origin) && sameContent(a.content, b.content) && a.blendMode == b.blendMode
        && a.effects == b.effects && a.isLocked == b.isLocked && a.groupID == b.groupID;
}

QSizeF Layer::pixelSize() const
{
    if (const TextLayerAttributes* attributes = text())
        return rememberedTextLayerSize(*attributes);
    const Bitmap& pixels = *bitmap();
    return pixels.isNull() ? QSizeF(0, 0) : QSizeF(pixels.size());
}

QRectF Layer::box() const
{
    return {origin, pixelSize()};
}

Layer makeBitmapLayer(const Bitmap& pixels, const QString& name, QPointF origin)
{
    Layer layer;
    layer.name = name;
    layer.origin = origin;
    layer.content = pixels;
    return layer;
}

}  // namespace velmaris
