#pragma once

#include "model/Bitmap.h"
#include "model/CanvasState.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>

namespace velmaris::bench {

// A smooth, photo-like premultiplied image with some noise, so codecs and filters see realistic data.
inline Bitmap photoLikeBitmap(int width, int height, unsigned seed = 1, bool opaque = true)
{
    std::mt19937 random(seed);
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = builder->row(y);
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const int noise = int(random() % 9) - 4;
            const int alpha = opaque ? 255 : int(128 + 127 * std::sin(6.0 * u + 3.0 * v));
            const int r = int(127 + 120 * std::sin(9.0 * u + 2.0 * v)) + noise;
            const int g = int(127 + 120 * std::cos(7.0 * v - 4.0 * u)) + noise;
            const int b = int(127 + 120 * std::sin(5.0 * (u + v))) + noise;
            row[4 * x + 0] = std::uint8_t(std::clamp(r, 0, 255) * alpha / 255);
            row[4 * x + 1] = std::uint8_t(std::clamp(g, 0, 255) * alpha / 255);
            row[4 * x + 2] = std::uint8_t(std::clamp(b, 0, 255) * alpha / 255);
            row[4 * x + 3] = std::uint8_t(alpha);
        }
    }
    return std::move(*builder).build();
}

// The document the native and OpenRaster benchmarks save and open: five photo-like 4000 × 3000
// layers, the bottom one opaque.
inline CanvasState fiveLayerDocument()
{
    CanvasState state;
    state.size = QSizeF(4000, 3000);
    for (int i = 0; i < 5; ++i)
        state.layers.push_back(makeBitmapLayer(photoLikeBitmap(4000, 3000, unsigned(i + 1), i == 0),
                                               QStringLiteral("Layer %1").arg(i + 1)));
    state.selectedLayerID = state.layers.last().id;
    return state;
}

// The 12-megapixel photo of the codec benchmarks, made once.
inline const Bitmap& photo12Megapixels()
{
    static const Bitmap image = photoLikeBitmap(4000, 3000);
    return image;
}

// Qt's PNG writer at zlib level 4 (quality 50): how PNGs were written before the product's own
// encoder, kept as the baseline it is measured against.
inline std::optional<QByteArray> qtLevel4Png(const Bitmap& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(50);
    if (!writer.write(image.image()))
        return std::nullopt;
    return bytes;
}

}  // namespace velmaris::bench
