#pragma once

#include "model/LruCache.h"
#include "model/TextLayerAttributes.h"
#include "model/Bitmap.h"

#include <optional>

namespace velmaris {

// The pixels of a text layer: its layer box's size, the text anti-aliased inside a transparent
// one-pixel margin. Nothing if the image cannot be made (for example an absurd font size).
// Remembered per attributes, so redrawing an unchanged text layer lays out no text and hands back
// the same bitmap (which keeps the effect silhouettes keyed by it valid too).
std::optional<Bitmap> rasterizeTextLayer(const TextLayerAttributes& attributes);

void clearTextRasterCache();
CacheCounts textRasterCacheCounts();

}  // namespace velmaris
