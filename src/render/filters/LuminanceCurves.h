#pragma once

#include "render/filters/ToneCurve.h"

namespace velmaris {

// The colour map of the filters whose every component is a curve of the pixel's luminance
// (un-premultiplied, 0–1): the same bytes as mapColorRowsThroughCurves with a body that puts the
// luminance in all three planes. Opaque pixels, most of any photo, cost one look-up of their
// whole output pixel.
Bitmap mapLuminanceThroughCurves(const Bitmap& input, const ChannelCurves& curves);

}  // namespace velmaris
