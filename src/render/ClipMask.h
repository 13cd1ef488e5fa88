#pragma once

#include "render/AlphaPlane.h"

#include <QRectF>

namespace velmaris {

enum class MaskShape { rectangle, ellipse };

// Anti-aliased coverage of a rectangle or the ellipse inscribed in it, over a width × height
// area (`rect` in that area's pixel coordinates, top-left origin). `inverted` covers everything
// outside the shape instead (the whole area plus the shape under the even-odd rule). An empty
// plane when the area is empty or too large.
AlphaPlane makeClipMask(int width, int height, const QRectF& rect, MaskShape shape, bool inverted);

}  // namespace velmaris
