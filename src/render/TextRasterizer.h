#pragma once

#include "model/TextLayerAttributes.h"
#include "model/Bitmap.h"

#include <optional>

namespace velmaris {

// The pixels of a text layer: its layer box's size, the text anti-aliased inside a transparent
// one-pixel margin. Nothing if the image cannot be made (for example an absurd font size).
std::optional<Bitmap> rasterizeTextLayer(const TextLayerAttributes& attributes);

}  // namespace velmaris
