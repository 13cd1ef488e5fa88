#include "files/ResampleImage.h"

#include "render/Compositor.h"
#include "render/Resample.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

bool resampledSizeAllowed(double width, double height)
{
    return std::isfinite(width) && std::isfinite(height) && std::max(width, height) <= kMaxBitmapSide
        && bitmapSizeAllowed(std::max(1, roundedPixels(width)), std::max(1, roundedPixels(height)));
}

}  // namespace

std::optional<Bitmap> resampleImage(const Bitmap& image, double width, double height)
{
    if (image.isNull() || !resampledSizeAllowed(width, height))
        return std::nullopt;
    const int w = std::max(1, roundedPixels(width));
    const int h = std::max(1, roundedPixels(height));
    if (w == image.width() && h == image.height())
        return image;
    return resampleBitmap(image, w, h);
}

double largestResampleScale(QSize size)
{
    const double width = size.width(), height = size.height();
    const double estimate = std::min({kMaxBitmapSide / width, kMaxBitmapSide / height,
                                      std::sqrt(double(kMaxBitmapBytes / 4) / (width * height))});
    // The sides are rounded after scaling, which may take a few hundredths off the estimate.
    qint64 hundredths = qint64(std::floor(std::min(estimate, double(kMaxBitmapSide)) * 100));
    while (hundredths > 1 && !resampledSizeAllowed(width * (hundredths / 100.0), height * (hundredths / 100.0)))
        --hundredths;
    return hundredths / 100.0;
}

}  // namespace velmaris
