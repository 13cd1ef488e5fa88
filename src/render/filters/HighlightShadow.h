#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Per-pixel tone mapping of luminance: `shadowAmount` (−1…1, 0 = unchanged) lifts or deepens the
// dark tones, `highlightAmount` (0.3…1, 1 = unchanged) pulls the bright tones down. Black stays
// black; hue and saturation ratios are kept by scaling the colour.
Bitmap highlightShadowAdjustFilter(const Bitmap& input, double shadowAmount, double highlightAmount);

}  // namespace velmaris
