#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Random RGBA noise: each channel uniform over 0–255 (colour stored premultiplied by the random
// alpha), constant over `scale` × `scale` pixel cells (scale below 1 counts as 1). A fixed hash of
// the cell position makes it the same for every run and thread count. Null when the size is not
// allowed (see bitmapSizeAllowed).
Bitmap randomNoiseImage(int width, int height, double scale);

}  // namespace velmaris
