#pragma once

#include "model/Bitmap.h"
#include "model/ImageMetadata.h"

#include <QByteArray>
#include <QSize>

#include <optional>

namespace velmaris {

// WebP through libwebp. The format's own limit (16383 px a side) keeps every declared size within
// the bitmap limits.
std::optional<QSize> declaredWebPSize(const QByteArray& data);
// The image (an animation's first frame), in sRGB.
std::optional<Bitmap> decodeWebP(const QByteArray& data);
// Lossy with quality 0–100, or lossless; the metadata goes into EXIF, XMP and ICCP chunks.
std::optional<QByteArray> encodeWebP(const Bitmap& image, std::optional<int> lossyQuality, const ImageMetadata& metadata);

}  // namespace velmaris
