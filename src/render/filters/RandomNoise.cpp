#include "render/filters/RandomNoise.h"

#include "render/Parallel.h"
#include "render/filters/PixelSampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmaris {

namespace {

// A 32-bit integer hash with good avalanche (every input bit flips about half the output bits).
std::uint32_t mixBits(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Hashes of the cell index of every column (or row) for cells `scale` pixels wide.
std::vector<std::uint32_t> cellHashes(int count, double scale, std::uint32_t salt)
{
    std::vector<std::uint32_t> hashes(count);
    for (int i = 0; i < count; ++i)
        hashes[i] = mixBits(std::uint32_t(std::floor(i / scale)) * 2654435761U + salt);
    return hashes;
}

}  // namespace

Bitmap randomNoiseImage(int width, int height, double scale)
{
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return {};
    const double cell = std::clamp(finiteOr(scale, 1), 1.0, double(kMaxBitmapSide));
    const std::vector<std::uint32_t> columns = cellHashes(width, cell, 0x68e31da4U);
    const std::vector<std::uint32_t> rows = cellHashes(height, cell, 0xb5297a4dU);
    parallelRows(height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            std::uint8_t* pixels = output->row(y);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t bits = mixBits(columns[x] ^ rows[y]);
                const std::uint32_t alpha = bits >> 24;
                std::uint8_t* p = pixels + 4 * x;
                p[0] = std::uint8_t(((bits & 0xff) * alpha + 127) / 255);
                p[1] = std::uint8_t((((bits >> 8) & 0xff) * alpha + 127) / 255);
                p[2] = std::uint8_t((((bits >> 16) & 0xff) * alpha + 127) / 255);
                p[3] = std::uint8_t(alpha);
            }
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
