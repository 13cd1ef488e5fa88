#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// The bitmap drawn over opaque white, for formats that cannot hold alpha. The bitmap itself when
// no new pixels can be allocated.
Bitmap flattenedOnWhite(const Bitmap& image);

// One row of premultiplied pixels drawn over opaque white into `out` (alpha 255).
void flattenRowOnWhite(const std::uint8_t* in, std::uint8_t* out, int width);

}  // namespace velmaris
