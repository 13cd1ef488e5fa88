#include "document/LayerRasterization.h"

#include "render/TextRasterizer.h"

namespace velmaris {

bool rasterizeTextContent(Layer& layer)
{
    const TextLayerAttributes* text = layer.text();
    if (!text)
        return true;
    std::optional<Bitmap> pixels = rasterizeTextLayer(*text);
    if (!pixels)
        return false;
    layer.content = std::move(*pixels);
    return true;
}

}  // namespace velmaris
