#include "files/ImageDecoder.h"

#include "files/PhotoFormat.h"
#include "files/SVGRasterizer.h"

namespace velmaris {

std::optional<Bitmap> decodeImageData(const QByteArray& data, ImageType type)
{
    if (type == ImageType::svg)
        return rasterizeSVGData(data);
    if (photoTypeOf(data))
        return decodePhoto(data);
    return decodeRasterData(data);
}

}  // namespace velmaris
