#include "files/ResampleImage.h"

#include "render/Compositor.h"
#include "render/Resample.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

std::optional<Bitmap> resampleImage(const Bitmap& image, double width, double height)
{
    if (image.isNull() || !std::isfinite(width) || !std::isfinite(height)
        || std::max(width, height) > kMaxBitmapSide)
        return std::nullopt;
    const int w = std::max(1, roundedPixels(width));
    const int h = std::max(1, roundedPixels(height));
    if (w == image.width() && h == image.height())
        return image;
    return resampleBitmap(image, w, h);
}

}  // namespace velmaris
