#pragma once

#include "render/AlphaPlane.h"

namespace velmaris {

// Grows the non-zero area by `radius` pixels: each value becomes the maximum over a disc of that
// radius around it. radius <= 0 leaves the plane unchanged. Values beyond the edge count as 0.
void morphologyMaximum(AlphaPlane& plane, double radius);

}  // namespace velmaris
