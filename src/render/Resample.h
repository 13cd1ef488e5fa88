#pragma once

#include "model/Bitmap.h"

#include <optional>

namespace velmaris {

// High-quality resampling of premultiplied RGBA8 to width × height (Lanczos-3 when shrinking,
// its interpolating form when enlarging). nullopt when the target size is not allowed.
std::optional<Bitmap> resampleBitmap(const Bitmap& image, int width, int height);

}  // namespace velmaris
