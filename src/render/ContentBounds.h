#pragma once

#include "model/Bitmap.h"

#include <QRect>

#include <optional>

namespace velmaris {

// The smallest rectangle holding every pixel of `bitmap` that is not fully transparent; nothing
// when all of them are.
std::optional<QRect> contentBounds(const Bitmap& bitmap);

}  // namespace velmaris
