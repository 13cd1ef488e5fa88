#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// The image turned by quarterTurns × 90° clockwise (any integer; taken modulo 4). These return the
// same bitmap when nothing changes, and a null bitmap for a null image or when memory runs out.
Bitmap rotatedQuarterTurns(const Bitmap& image, int quarterTurns);
// The image mirrored left–right and/or top–bottom.
Bitmap mirrored(const Bitmap& image, bool horizontally, bool vertically);

}  // namespace velmaris
