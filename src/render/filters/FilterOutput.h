#pragma once

#include "model/Bitmap.h"

#include <optional>

namespace velmaris {

// A bitmap of the given size for a kernel that writes every pixel: nothing is cleared first, and
// large images sit on huge pages where the system offers them, since the first touch of 48 MB of
// fresh small pages costs several times a copy of the image (nullopt like BitmapBuilder::create).
std::optional<BitmapBuilder> uninitializedBitmap(int width, int height);

}  // namespace velmaris
