#pragma once

#include "model/Bitmap.h"

#include <QColor>

namespace velmaris {

// Filters that recolour each pixel from its luminance; alpha is kept.

// Luminance through a thermal-camera palette: dark blue, violet, red, orange, yellow, white.
Bitmap thermalFilter(const Bitmap& input);

// Inverted luminance on a cold blue-to-white ramp, like a radiograph.
Bitmap xRayFilter(const Bitmap& input);

// Luminance mapped onto `color` (black at 0, the colour at ½, white at 1, by a hard-light curve),
// mixed with the original by `intensity` (0 = unchanged, 1 = fully monochrome).
Bitmap colorMonochromeFilter(const Bitmap& input, const QColor& color, double intensity);

}  // namespace velmaris
