#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// The bitmap drawn over opaque white, for formats that cannot hold alpha. The bitmap itself when
// no new pixels can be allocated.
Bitmap flattenedOnWhite(const Bitmap& image);

}  // namespace velmaris
