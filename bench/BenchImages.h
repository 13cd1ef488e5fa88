#pragma once

#include "model/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

}  // namespace velmaris::bench
