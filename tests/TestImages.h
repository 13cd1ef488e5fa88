#pragma once

#include "model/Bitmap.h"
#include "model/Layer.h"

#include <array>
#include <cstdint>

namespace velmaris::test {

using Rgba = std::array<std::uint8_t, 4>;

// A bitmap filled with one premultiplied colour.
Bitmap solidBitmap(int width, int height, Rgba premultiplied);
// Random premultiplied pixels (every colour component at most its alpha), reproducible by seed.
Bitmap randomBitmap(int width, int height, unsigned seed);
// Random opaque pixels, every component spread over the whole range, reproducible by seed.
Bitmap opaqueRandomBitmap(int width, int height, unsigned seed);
// Premultiplied components of one pixel.
Rgba pixelAt(const Bitmap& bitmap, int x, int y);
// The same size and the same bytes in every pixel.
bool samePixels(const Bitmap& a, const Bitmap& b);
// Every colour component at most its pixel's alpha.
bool validPremultiplied(const Bitmap& bitmap);

// The largest difference of any component.
int channelDistance(Rgba a, Rgba b);
// The largest component difference over all pixels; INT_MAX when the sizes differ.
int bitmapDistance(const Bitmap& a, const Bitmap& b);

// A visible, unlocked layer showing `bitmap`.
Layer bitmapLayer(Bitmap bitmap, QPointF origin = {}, const QString& name = QStringLiteral("Layer"));

}  // namespace velmaris::test
