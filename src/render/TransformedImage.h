#pragma once

#include "model/Bitmap.h"

#include <QSize>
#include <QSizeF>

#include <optional>

namespace velmaris {

// The pixel size of an image of `original` size scaled by (scaleX, scaleY) and then turned by
// `rotation` radians: the bounding box rounded up, at least 1 × 1. A tolerance of 0.0001 keeps
// exact quarter turns and exact sizes from gaining a pixel through rounding noise.
QSize transformedSize(QSizeF original, double scaleX, double scaleY, double rotation);

// The image scaled by (scaleX, scaleY) about its centre, then turned by `rotation` radians
// (clockwise on screen for a positive angle), centred in a bitmap of transformedSize(). Resampled
// with a Catmull-Rom kernel widened when shrinking; quarter turns at unit scale move pixels exactly.
// nullopt for a null image or a size that cannot be allocated.
std::optional<Bitmap> renderTransformed(const Bitmap& image, double scaleX, double scaleY, double rotation);

}  // namespace velmaris
