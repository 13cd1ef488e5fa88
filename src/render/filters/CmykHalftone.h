#pragma once

#include "model/Bitmap.h"

#include <QPointF>

namespace velmaris {

// Four-colour print: the input split into cyan, magenta, yellow and black inks, each printed as
// round dots through its own screen of period `width` pixels around `center` (turned by `angle`
// plus the classic 15°, 75°, 0° and 45°). `grayComponentReplacement` moves that share of the
// common grey into black; `underColorRemoval` takes that share of the black back out of C, M, Y.
Bitmap cmykHalftoneFilter(const Bitmap& input, QPointF center, double width, double angle = 0.0,
                          double sharpness = 0.7, double grayComponentReplacement = 1.0,
                          double underColorRemoval = 0.5);

}  // namespace velmaris
