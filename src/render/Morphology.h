#pragma once

#include "render/AlphaPlane.h"

namespace velmaris {

// Grows the non-zero area by `radius` pixels: each value becomes the maximum over a disc of that
// radius around it. radius <= 0 leaves the plane unchanged. Values beyond the edge count as 0.
// Beyond a small radius the cost no longer grows with it; there the result is exact for planes of
// up to two distinct non-zero values, and otherwise may be lower in the outermost pixels of a
// soft edge (they take the value of the nearest non-zero pixel).
void morphologyMaximum(AlphaPlane& plane, double radius);

}  // namespace velmaris
