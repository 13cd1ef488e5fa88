#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Sharpening by adding back the difference between the image and a Gaussian blur of it.

// Luminance only: every colour channel moves by sharpness × (luma − blurred luma), so hues stay.
// radius is the blur's standard deviation in pixels.
Bitmap sharpenLuminanceFilter(const Bitmap& input, double sharpness, double radius = 1.69);

// Every channel: input + intensity × (input − blurred input), blur of standard deviation radius.
Bitmap unsharpMaskFilter(const Bitmap& input, double radius, double intensity);

}  // namespace velmaris
