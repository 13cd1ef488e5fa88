#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// 3 × 3 median, each channel on its own: removes specks while keeping edges. Edge pixels repeat
// outwards. The result stays valid premultiplied (a median of components never exceeds the median
// of the alphas that bound them).
Bitmap medianFilter(const Bitmap& input);

}  // namespace velmaris
