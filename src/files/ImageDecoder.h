#pragma once

#include "files/ImageType.h"
#include "files/RasterImageReader.h"
#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// Decodes the first image of a file: SVG when the type says so, else PNG, JPEG, GIF, BMP, TIFF,
// HEIF, AVIF, WebP or JPEG XL as the content's signature says (the type is only a hint there). Turned upright by its EXIF
// orientation, converted to sRGB. nullopt for unreadable, truncated or oversized data and for any
// other format, even one a Qt plugin could read. Runs in this process without limits on time or
// memory: untrusted data goes through the decode helper (DecodeHelper.h).
std::optional<Bitmap> decodeImageData(const QByteArray& data, ImageType type);

}  // namespace velmaris
