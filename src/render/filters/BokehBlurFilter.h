#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Lens (bokeh) blur: each pixel becomes the average over a disc of `radius` pixels around it, so
// highlights spread into round discs. Edge pixels repeat outwards. radius < 0.5 gives the input back.
Bitmap bokehBlurFilter(const Bitmap& input, double radius);

}  // namespace velmaris
