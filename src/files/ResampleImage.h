#pragma once

#include "model/Bitmap.h"

#include <optional>

namespace velmaris {

// The image drawn at high quality into round(width) × round(height) pixels (each at least 1),
// for thumbnails and scaled exports.
std::optional<Bitmap> resampleImage(const Bitmap& image, double width, double height);

// The largest factor, in hundredths, by which resampleImage can scale an image of `size` within
// the bitmap limits (at least 1 for any size those limits allow).
double largestResampleScale(QSize size);

}  // namespace velmaris
