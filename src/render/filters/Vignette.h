#pragma once

#include "model/Bitmap.h"

#include <QPointF>

namespace velmaris {

// Darkens the image around `center` (pixels, origin top-left): brightness falls by up to
// `intensity` (0–1) along a smooth ramp from radius·(1 − falloff) to radius·(1 + falloff), half way
// at `radius` pixels. falloff 0 gives a hard circle; alpha is kept.
Bitmap vignetteEffectFilter(const Bitmap& input, QPointF center, double radius, double intensity, double falloff);

}  // namespace velmaris
