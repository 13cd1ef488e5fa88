#pragma once

#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// A single-frame GIF89a with a quantised, dithered palette of at most 256 colours. Fully
// transparent pixels share one transparent palette entry; every other pixel is written opaque.
std::optional<QByteArray> encodeGIF(const Bitmap& image);

}  // namespace velmaris
