#pragma once

#include "model/Bitmap.h"

#include <QByteArray>
#include <QSize>

#include <optional>

namespace velmaris {

// Renders an SVG document at its own size (each side rounded, at least 1 px), or at the given
// pixel size (icons), stretched over the whole bitmap. nullopt when the document cannot be parsed
// or rendered, is too large, or is beyond the budgets of scanSVG (SVGScan.h), filters included.
std::optional<Bitmap> rasterizeSVGData(const QByteArray& data, std::optional<QSize> pixelSize = std::nullopt);

}  // namespace velmaris
