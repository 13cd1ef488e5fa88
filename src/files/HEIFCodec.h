#pragma once

#include "model/Bitmap.h"
#include "model/ImageMetadata.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

namespace velmaris {

// HEIF files through libheif: HEVC-coded (.heic) and AV1-coded (.avif).
enum class HEIFCompression { hevc, av1 };

// The primary image's upright size, from the container's boxes alone; nullopt for unreadable data.
std::optional<QSize> declaredHEIFSize(const QByteArray& data);
// The primary image, upright, in sRGB. A declared size over the bitmap limits is refused before
// any pixel is decoded.
std::optional<Bitmap> decodeHEIF(const QByteArray& data);

// Encodes with quality 0–100; the metadata's EXIF, XMP and colour profile go into the file.
std::optional<QByteArray> encodeHEIF(const Bitmap& image, HEIFCompression compression, int quality,
                                     const ImageMetadata& metadata);
// Why files of the compression cannot be written here (libheif has no encoder for it), or nullopt.
std::optional<QString> heifEncoderMissing(HEIFCompression compression);

}  // namespace velmaris
