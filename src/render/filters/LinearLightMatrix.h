#pragma once

#include "model/Bitmap.h"

#include <array>

namespace velmaris {

// Rows of a 3 × 3 matrix on RGB.
using ColorMatrix3 = std::array<std::array<float, 3>, 3>;

// Applies the matrix to the linear-light colour of every pixel (un-premultiplied, decoded from
// sRGB and encoded again, both transfer functions read at their nearest sample, which stays
// within a fraction of a level of the interpolated curves). Alpha is kept.
Bitmap linearLightMatrixFilter(const Bitmap& input, const ColorMatrix3& matrix);

}  // namespace velmaris
