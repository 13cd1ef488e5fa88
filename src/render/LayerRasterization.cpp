#include "render/LayerRasterization.h"

#include "render/TextRasterizer.h"

namespace velmaris {

std::optional<Bitmap> layerPixels(const Layer& layer)
{
    if (const Bitmap* bitmap = layer.bitmap())
        return bitmap->isNull() ? std::nullopt : std::optional<Bitmap>(*bitmap);
    if (const TextLayerAttributes* text = layer.text())
        return rasterizeTextLayer(*text);
    return std::nullopt;
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
