#pragma once

#include "model/Bitmap.h"

#include <QPointF>

#include <optional>

namespace velmaris {

// Both filters scatter points on a jittered grid about 1.7 × `radius` apart, aligned on `center`
// (default: the image midpoint), and read the input's colour at each point (edge repeated).

// Voronoi cells around the points, each filled with its point's colour.
Bitmap crystallizeFilter(const Bitmap& input, double radius, std::optional<QPointF> center = std::nullopt);

// Round anti-aliased dots of `radius` in each point's colour, over white (white keeps the input's
// alpha, so transparent areas stay transparent).
Bitmap pointillizeFilter(const Bitmap& input, double radius, std::optional<QPointF> center = std::nullopt);

}  // namespace velmaris
