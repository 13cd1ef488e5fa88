#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Glow effects blending a Gaussian-blurred copy (standard deviation radius) into the image, on
// un-premultiplied colour, alpha kept. Bloom screens the blur over the image, brightening and
// softening highlights; gloom multiplies by it, dulling them. intensity 0 gives the input back.
Bitmap bloomFilter(const Bitmap& input, double radius, double intensity);
Bitmap gloomFilter(const Bitmap& input, double radius, double intensity);

}  // namespace velmaris
