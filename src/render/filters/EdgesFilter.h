#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Edge detection in colour: each channel becomes intensity × its Sobel gradient magnitude, on an
// opaque black background (flat areas turn black, edges glow in their own colours).
Bitmap edgesFilter(const Bitmap& input, double intensity);

}  // namespace velmaris
