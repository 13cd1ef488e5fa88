#pragma once

#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// An SVG document holding the bitmap as an embedded PNG at its pixel size. nullopt when the PNG
// cannot be encoded.
std::optional<QByteArray> makeSVGWrapper(const Bitmap& image);

}  // namespace velmaris
