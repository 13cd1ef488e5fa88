#pragma once

#include "model/Bitmap.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>

namespace velmaris {

// Pixel hand-over between bitmaps and the photo codecs (HEIF, AVIF, WebP, JPEG XL), which take and
// give straight (un-premultiplied) colour.

bool bitmapIsOpaque(const Bitmap& image);

// The bitmap's pixels as straight RGBA (channels 4) or RGB with alpha dropped (channels 3), rows
// `stride` bytes apart from `out`.
void writeStraightPixels(const Bitmap& image, std::uint8_t* out, std::ptrdiff_t stride, int channels);

// A decoded image in the bitmap format and sRGB: converted from the colour profile the file gave
// (none or an unusable one is taken as sRGB).
Bitmap bitmapFromDecoded(QImage image, const QByteArray& iccProfile);

}  // namespace velmaris
