#pragma once

#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// An 8-bit RGBA PNG of the bitmap with its colour profile, resolution and text. Rows are filtered
// and deflated on every core, and the bytes do not depend on the number of threads. nullopt for a
// null bitmap or when compression fails.
std::optional<QByteArray> encodePNG(const Bitmap& image);

}  // namespace velmaris
