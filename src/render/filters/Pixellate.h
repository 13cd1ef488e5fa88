#pragma once

#include "model/Bitmap.h"

#include <QPointF>

#include <optional>

namespace velmaris {

// Square cells of `scale` pixels, one cell corner on `center` (default: the image midpoint); each
// cell takes the input's colour at the cell's centre, read with the edge pixels repeated outwards.
Bitmap pixellateFilter(const Bitmap& input, double scale, std::optional<QPointF> center = std::nullopt);

// The same with hexagons: their centres `scale` pixels apart, one centre on `center`.
Bitmap hexagonalPixellateFilter(const Bitmap& input, double scale, std::optional<QPointF> center = std::nullopt);

}  // namespace velmaris
