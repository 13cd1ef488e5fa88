#include "render/filters/RandomNoise.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"
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

// component · alpha / 255 rounded to the nearest level, (v + 127) / 255 without a division: with
// t = v + 128, (t + t / 256) / 256 is exact for every v up to 255².
inline std::uint32_t premultipliedByte(std::uint32_t component, std::uint32_t alpha)
{
    const std::uint32_t t = component * alpha + 128;
    return (t + (t >> 8)) >> 8;
}

// One row of noise: whole pixel words in 32-bit lanes, so the hash and the premultiplying vectorise.
[[gnu::always_inline]] inline void noiseRow(std::uint32_t* pixels, const std::uint32_t* columns, std::uint32_t rowHash,
                                            int width)
{
    forEachIndex(width, [&](int x) {
        const std::uint32_t bits = mixBits(columns[x] ^ rowHash);
        const std::uint32_t alpha = bits >> 24;
        pixels[x] = premultipliedByte(bits & 0xff, alpha) | premultipliedByte((bits >> 8) & 0xff, alpha) << 8
                  | premultipliedByte((bits >> 16) & 0xff, alpha) << 16 | alpha << 24;
    });
}

void noiseRowBaseline(std::uint32_t* pixels, const std::uint32_t* columns, std::uint32_t rowHash, int width)
{
    noiseRow(pixels, columns, rowHash, width);
}

#if defined(__x86_64__)
// Twice the lanes where the CPU has AVX2; integer maths, so the bytes are the same.
[[gnu::target("avx2")]] void noiseRowWide(std::uint32_t* pixels, const std::uint32_t* columns, std::uint32_t rowHash,
                                          int width)
{
    noiseRow(pixels, columns, rowHash, width);
}
#endif

}  // namespace

Bitmap randomNoiseImage(int width, int height, double scale)
{
    // Every pixel is written below, so the fresh pages need no clearing first.
    auto output = BitmapBuilder::createUninitialized(width, height);
    if (!output)
        return {};
    const double cell = std::clamp(finiteOr(scale, 1), 1.0, double(kMaxBitmapSide));
    const std::vector<std::uint32_t> columns = cellHashes(width, cell, 0x68e31da4U);
    const std::vector<std::uint32_t> rows = cellHashes(height, cell, 0xb5297a4dU);
#if defined(__x86_64__)
    const auto rowNoise = __builtin_cpu_supports("avx2") ? noiseRowWide : noiseRowBaseline;
#else
    const auto rowNoise = noiseRowBaseline;
#endif
    // Row pointers are taken here once: asking the builder from several threads is not safe.
    std::uint8_t* base = output->row(0);
    const qsizetype stride = output->stride();
    parallelRows(height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            auto* pixels = reinterpret_cast<std::uint32_t*>(base + y * stride);
            rowNoise(pixels, columns.data(), rows[y], width);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
