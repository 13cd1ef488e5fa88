#pragma once

#include "render/AlphaPlane.h"
#include "model/Bitmap.h"

#include <array>
#include <cstdint>

namespace velmaris {

// Paints one premultiplied RGBA8 colour source-over onto `target`, each pixel weighted by
// `coverage` (the same size as the target). Exact where the coverage is 0 or 255.
void paintColor(BitmapBuilder& target, std::array<std::uint8_t, 4> premultipliedColor, const AlphaPlane& coverage);
// Erases `target` where `coverage` (the same size) covers it: each pixel keeps (255 − coverage) / 255
// of itself. Exact where the coverage is 0 or 255.
void clearCoverage(BitmapBuilder& target, const AlphaPlane& coverage);

}  // namespace velmaris
