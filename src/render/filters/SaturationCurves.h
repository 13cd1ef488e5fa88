#pragma once

#include "render/filters/ToneCurve.h"

namespace velmaris {

// Each un-premultiplied colour mixed with its luminance, l + (c − l) · saturation (0 gives grey,
// above 1 more colour), then through its channel's curve read at the nearest sample; alpha is
// kept. Opaque pixels go eight at a time, through tables of their output bytes; without
// saturation, one look-up gives a whole output pixel.
Bitmap mapSaturationThroughCurves(const Bitmap& input, float saturation, const ChannelCurves& curves);

}  // namespace velmaris
