#pragma once

#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// A single-frame GIF89a with a quantised, dithered palette of at most 256 colours. Pixels with
// alpha below one half share one transparent palette entry; every other pixel is written opaque
// with its un-premultiplied colour.
std::optional<QByteArray> encodeGIF(const Bitmap& image);

}  // namespace velmaris
