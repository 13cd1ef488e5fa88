#pragma once

#include "render/AlphaPlane.h"
#include "model/Bitmap.h"

#include <QRect>

#include <array>
#include <cstdint>
#include <optional>

namespace velmaris {

// Paints one premultiplied RGBA8 colour source-over onto `target`, each pixel weighted by
// `coverage` (the same size as the target). Exact where the coverage is 0 or 255.
void paintColor(BitmapBuilder& target, std::array<std::uint8_t, 4> premultipliedColor, const AlphaPlane& coverage);
// Erases `target` where `coverage` (the same size) covers it: each pixel keeps (255 − coverage) / 255
// of itself. Exact where the coverage is 0 or 255.
void clearCoverage(BitmapBuilder& target, const AlphaPlane& coverage);

// Each value of `plane` scaled by the one of `mask` at the same place (the same size): where both cover.
void intersectCoverage(AlphaPlane& plane, const AlphaPlane& mask);
// The smallest rectangle holding every covered value; nothing when none is.
std::optional<QRect> coveredBounds(const AlphaPlane& plane);
// The part of `plane` that `area` (in the plane's coordinates) frames, uncovered outside the plane.
AlphaPlane framedCoverage(const AlphaPlane& plane, const QRect& area);

}  // namespace velmaris
