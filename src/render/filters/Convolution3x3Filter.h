#pragma once

#include "model/Bitmap.h"

#include <array>

namespace velmaris {

// 3 × 3 convolution of the premultiplied channels, alpha included: weights row by row (top row
// first, as seen on screen), then `bias` (0–1 of full scale) added to every channel. Edge pixels
// repeat outwards. With weights summing to 1 an opaque image stays opaque.
Bitmap convolution3x3Filter(const Bitmap& input, const std::array<double, 9>& weights, double bias);

}  // namespace velmaris
