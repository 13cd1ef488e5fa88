#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// A comic-book look: lightly smoothed colours, made more vivid and posterised to five levels per
// channel with halftone dots between the levels, under dark outlines along the image's edges.
Bitmap comicEffectFilter(const Bitmap& input);

}  // namespace velmaris
