#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Saturation, brightness and contrast in that order: colour mixed with its luminance by
// `saturation` (0 = grey, 1 = unchanged), `brightness` added, then scaled by `contrast` around 0.5.
Bitmap colorControlsFilter(const Bitmap& input, double saturation, double brightness, double contrast);

// Raises (amount > 0) or lowers the saturation of weakly saturated colours more than of strong ones,
// and only half as much on skin-like hues. amount 0 leaves the image unchanged.
Bitmap vibranceFilter(const Bitmap& input, double amount);

}  // namespace velmaris
