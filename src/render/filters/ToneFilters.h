#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Per-channel tone maps on un-premultiplied colour; alpha is kept.

// 1 − c for each colour component.
Bitmap invertColorsFilter(const Bitmap& input);

// Each component rounded to the nearest of `levels` evenly spaced values from 0 to 1 (at least 2).
Bitmap posterizeFilter(const Bitmap& input, double levels);

// c^power for each colour component.
Bitmap gammaAdjustFilter(const Bitmap& input, double power);

}  // namespace velmaris
