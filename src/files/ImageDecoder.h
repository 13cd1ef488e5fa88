#pragma once

#include "files/ImageType.h"
#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// Decodes the first image of a file: SVG when the type says so, any raster format Qt reads
// otherwise (the type is only a hint there, the content decides). Turned upright by its EXIF
// orientation, converted to sRGB. nullopt for unreadable, truncated or oversized data.
std::optional<Bitmap> decodeImageData(const QByteArray& data, ImageType type);

}  // namespace velmaris
