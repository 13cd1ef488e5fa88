#pragma once

#include "model/Bitmap.h"

#include <cstdint>
#include <optional>

namespace velmaris {

// Writes one row of premultiplied pixels from colour planes that already hold value + 0.5 (0.5 to
// 255.5, truncated like a cast to std::uint8_t) and the alpha bytes of `alphaSource`'s pixels.
void storeRoundedRow(const float* red, const float* green, const float* blue, const std::uint8_t* alphaSource,
                     std::uint8_t* pixels, int width);

}  // namespace velmaris
