#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// A white point: correlated colour temperature in kelvin and a tint off the blackbody curve
// (positive towards green, negative towards magenta; 3000 tint units = 1 unit of CIE 1960 uv).
struct ColorNeutral {
    double temperature = 6500;
    double tint = 0;
};

// Multiplies the linear-light colour by 2^ev (exposure value in stops).
Bitmap exposureAdjustFilter(const Bitmap& input, double ev);

// Chromatic adaptation (Bradford, in linear light) that turns the white of `neutral` into the
// white of `targetNeutral`: a lower target temperature warms the image, a higher one cools it.
// neutral == targetNeutral leaves the image unchanged.
Bitmap temperatureTintFilter(const Bitmap& input, ColorNeutral neutral, ColorNeutral targetNeutral);

}  // namespace velmaris
