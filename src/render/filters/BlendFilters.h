#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// `source` blended onto `background` with the W3C formula of the mode, composited source-over.
// The result has the background's size; source pixels beyond it are cut, missing ones count as
// transparent.
Bitmap overlayBlendFilter(const Bitmap& source, const Bitmap& background);
Bitmap colorDodgeBlendFilter(const Bitmap& source, const Bitmap& background);

}  // namespace velmaris
