#pragma once

#include "model/Bitmap.h"

#include <QPointF>

namespace velmaris {

// The plane tiled with mirror images of one equilateral triangle of the input: the triangle is
// centred on `point`, has sides of `size` pixels and is turned counter-clockwise by `rotation` radians. Colours fade
// towards transparent by the factor `decay` per `size` of distance beyond the central triangle's
// inscribed circle. The input is read unclamped: outside it is transparent.
Bitmap triangleKaleidoscopeFilter(const Bitmap& input, QPointF point, double size, double rotation,
                                  double decay = 0.85);

}  // namespace velmaris
