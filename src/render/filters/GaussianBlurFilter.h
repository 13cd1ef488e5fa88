#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Gaussian blur whose radius is the standard deviation in pixels; beyond the edge the edge pixels
// repeat. radius <= 0 gives the input back.
Bitmap gaussianBlurFilter(const Bitmap& input, double radius);

}  // namespace velmaris
