#pragma once

#include "model/Bitmap.h"

#include <QPointF>

namespace velmaris {

// Monochrome halftone screens: the input's luma printed in black on white (alpha kept), through a
// screen of period `width` pixels turned by `angle` radians counter-clockwise around `center`.
// `sharpness` 1 gives crisp (anti-aliased) edges, 0 soft ones.

// Round dots.
Bitmap dotScreenFilter(const Bitmap& input, QPointF center, double angle, double width, double sharpness);

// Parallel lines, thicker where darker.
Bitmap lineScreenFilter(const Bitmap& input, QPointF center, double angle, double width, double sharpness = 0.7);

// Lines in one direction for light tones, crossed by perpendicular lines in the darker half.
Bitmap hatchedScreenFilter(const Bitmap& input, QPointF center, double angle, double width, double sharpness = 0.7);

}  // namespace velmaris
