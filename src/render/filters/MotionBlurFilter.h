#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Motion blur: each pixel becomes the average along a line of length 2 × radius centred on it, at
// `angle` radians counter-clockwise from the x axis as seen on screen. Edge pixels repeat outwards.
Bitmap motionBlurFilter(const Bitmap& input, double radius, double angle);

}  // namespace velmaris
