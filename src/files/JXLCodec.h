#pragma once

#include "model/Bitmap.h"
#include "model/ImageMetadata.h"

#include <QByteArray>
#include <QSize>

#include <optional>

namespace velmaris {

// JPEG XL through libjxl, bare codestreams and the box container alike.
std::optional<QSize> declaredJXLSize(const QByteArray& data);
// The image (an animation's first frame), upright, in sRGB. A declared size over the bitmap
// limits is refused from the header, before any pixel is decoded.
std::optional<Bitmap> decodeJXL(const QByteArray& data);
// Lossy at a quality of 0–100 (mapped onto the encoder's distance), or lossless; EXIF and XMP go
// into boxes, the colour profile into the codestream.
std::optional<QByteArray> encodeJXL(const Bitmap& image, std::optional<int> lossyQuality, const ImageMetadata& metadata);

}  // namespace velmaris
