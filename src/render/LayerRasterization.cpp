#include "render/LayerRasterization.h"

#include "render/Compositor.h"
#include "render/TextRasterizer.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

std::optional<Bitmap> layerPixels(const Layer& layer)
{
    if (const Bitmap* bitmap = layer.bitmap())
        return bitmap->isNull() ? std::nullopt : std::optional<Bitmap>(*bitmap);
    if (const TextLayerAttributes* text = layer.text())
        return rasterizeTextLayer(*text);
    return std::nullopt;
}

int effectsReach(const LayerEffects& effects)
{
    const LayerEffects clamped = clampedLayerEffects(effects);
    double reach = 0;
    if (clamped.glow)
        reach = std::max(reach, 3.5 * std::max(0.0, clamped.glow->radius));
    if (clamped.stroke)
        reach = std::max(reach, std::max(0.0, clamped.stroke->width));
    if (const auto& shadow = clamped.shadow)
        reach = std::max(reach, std::max(std::abs(shadow->offset.width()), std::abs(shadow->offset.height()))
                                    + 1.5 * std::max(0.0, shadow->blur));
    return int(std::ceil(reach)) + 1;
}

std::optional<Bitmap> drawnAlone(const Layer& layer, const Bitmap& pixels, const QRect& area)
{
    std::optional<BitmapBuilder> target = BitmapBuilder::create(std::max(1, area.width()), std::max(1, area.height()));
    if (!target)
        return std::nullopt;
    Layer alone = layer;
    alone.opacity = 1;
    alone.blendMode = LayerBlendMode::normal;
    drawLayer(*target, pixels, alone, QPointF(area.topLeft()));
    return std::move(*target).build();
}

bool rasterizeTextContent(Layer& layer)
{
    if (!layer.isText())
        return true;
    std::optional<Bitmap> pixels = layerPixels(layer);
    if (!pixels)
        return false;
    layer.content = std::move(*pixels);
    return true;
}

}  // namespace velmaris
