#pragma once

#include "model/Bitmap.h"

#include <QPointF>

namespace velmaris {

// Zoom blur: each pixel averages the image along the line from it towards `center` (top-down
// pixels); the line is `amount` pixels long at the point farthest from the centre and shrinks to
// nothing at the centre, as if the camera zoomed in while the picture was taken.
Bitmap zoomBlurFilter(const Bitmap& input, QPointF center, double amount);

}  // namespace velmaris
