#pragma once

#include "model/Bitmap.h"

#include <QPointF>

namespace velmaris {

// Distortions of the disc of `radius` pixels around `center`; pixels outside it are unchanged. The
// input is read with its edge pixels repeated outwards and bilinear interpolation. Every effect
// fades smoothly to nothing at the rim.

// Turns the disc by up to `angle` radians (counter-clockwise as seen on screen), most in the
// middle, easing out to the rim.
Bitmap twirlFilter(const Bitmap& input, QPointF center, double radius, double angle);

// Like the twirl, but the turn keeps its strength further out: many turns make a spiral.
Bitmap vortexFilter(const Bitmap& input, QPointF center, double radius, double angle);

// Pulls the image towards the centre, `scale` 0 (none) … 1 (strongest).
Bitmap pinchFilter(const Bitmap& input, QPointF center, double radius, double scale);

// Magnifies the middle of the disc for `scale` 0 … 1 (a bulge), shrinks it for −1 … 0 (a dent).
Bitmap bumpFilter(const Bitmap& input, QPointF center, double radius, double scale);

}  // namespace velmaris
