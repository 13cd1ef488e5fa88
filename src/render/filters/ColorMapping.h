#pragma once

#include "model/Bitmap.h"
#include "render/Parallel.h"
#include "render/VectorLoop.h"
#include "render/filters/PixelSampler.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velmaris {

// One row of pixels as un-premultiplied float planes in 0–1, so colour maths sees the true colour
// of semi-transparent pixels. `y` is the row's index in the image; `spare` is a plane of scratch
// space for the row's body.
struct ColorRow {
    float* r;
    float* g;
    float* b;
    float* a;
    float* spare;
    int width;
    int y;
};

// The factor that un-premultiplies the components of a pixel of alpha 0–255 (transparent pixels
// have no colour, every component <= alpha = 0, so any factor gives black).
inline float unpremultiplyScale(float alpha)
{
    return 1.0f / std::max(alpha, 1.0f);
}

// An un-premultiplied component (clamped to 0–1, NaN as 0) premultiplied by a whole alpha 0–255.
inline std::uint8_t premultipliedComponent(float value, float alpha)
{
    return std::uint8_t(int(bounded(value, 0.0f, 1.0f) * alpha + 0.5f));
}

// Splits premultiplied RGBA8 pixels into un-premultiplied planes (transparent pixels read as black).
void unpremultiplyRow(const std::uint8_t* pixels, ColorRow& row);
// Writes the planes back as premultiplied RGBA8; values are clamped to 0–1 and NaN reads as 0.
void premultiplyRow(const ColorRow& row, std::uint8_t* pixels);

// A new bitmap of the input's size whose rows went through body(ColorRow&), which may change any
// plane. Null only for a null input.
template <typename RowBody>
Bitmap mapColorRows(const Bitmap& input, RowBody&& body)
{
    auto output = BitmapBuilder::createUninitialized(input.width(), input.height());
    if (!output)
        return {};
    const int width = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        std::vector<float> planes(std::size_t(width) * 5);
        float* plane = planes.data();
        ColorRow row{plane, plane + width, plane + 2 * width, plane + 3 * width, plane + 4 * width, width, 0};
        for (int y = first; y < end; ++y) {
            row.y = y;
            unpremultiplyRow(input.row(y), row);
            body(row);
            premultiplyRow(row, output->row(y));
        }
    });
    return std::move(*output).build();
}

// out[x] = pixel(in[x]) for `count` premultiplied RGBA pixels read as words R | G << 8 | B << 16 | A << 24.
template <typename Pixel>
void mapPixelWords(const std::uint8_t* in, std::uint8_t* out, int count, const Pixel& pixel)
{
    static_assert(std::endian::native == std::endian::little, "pixel words are read as R | G << 8 | B << 16 | A << 24");
    for (int x = 0; x < count; ++x) {
        std::uint32_t word;
        std::memcpy(&word, in + 4 * x, 4);
        word = pixel(word);
        std::memcpy(out + 4 * x, &word, 4);
    }
}

// A new bitmap of the input's size made row by row: leading(in, out, width) maps as many pixels as
// it can at the start of the row (whole groups for a wide path, or none) and says how many, and
// pixel(word) maps the rest, as mapPixelWords. Null only for a null input.
template <typename Leading, typename Pixel>
Bitmap mapPixelRows(const Bitmap& input, const Leading& leading, const Pixel& pixel)
{
    auto output = BitmapBuilder::createUninitialized(input.width(), input.height());
    if (!output)
        return {};
    const int width = input.width();
    // Row pointers are taken here once: asking the builder from several threads is not safe.
    std::uint8_t* base = output->row(0);
    const qsizetype stride = output->stride();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = input.row(y);
            std::uint8_t* out = base + y * stride;
            const int done = leading(in, out, width);
            mapPixelWords(in + 4 * done, out + 4 * done, width - done, pixel);
        }
    });
    return std::move(*output).build();
}

template <typename PixelBody>
void mapColorPlanes(ColorRow& row, const PixelBody& pixel)
{
    forEachIndex(row.width, [&](int x) { pixel(row.r[x], row.g[x], row.b[x]); });
}

#if defined(__x86_64__)
// The same loop compiled with twice the vector width (no FMA: the results are the same), for the
// CPUs that have AVX2. Written out again: called through mapColorPlanes, the loop keeps SSE code.
template <typename PixelBody>
[[gnu::target("avx2")]] void mapColorPlanesWide(ColorRow& row, const PixelBody& pixel)
{
    forEachIndex(row.width, [&](int x) { pixel(row.r[x], row.g[x], row.b[x]); });
}
#endif

// As mapColorRows for a per-pixel colour function pixel(r, g, b) that keeps alpha.
template <typename PixelBody>
Bitmap mapColors(const Bitmap& input, PixelBody&& pixel)
{
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2"))
        return mapColorRows(input, [&](ColorRow& row) { mapColorPlanesWide(row, pixel); });
#endif
    return mapColorRows(input, [&](ColorRow& row) { mapColorPlanes(row, pixel); });
}

// As mapColors for a map of each colour component on its own, component(channel, value) on 0–1
// (channel 0–2 for red, green, blue), with the same result: opaque pixels, most of any photo, cost
// three table look-ups instead of a round trip through floats. Transparent pixels stay transparent.
template <typename ComponentMap>
Bitmap mapComponents(const Bitmap& input, ComponentMap&& component)
{
    auto output = BitmapBuilder::createUninitialized(input.width(), input.height());
    if (!output)
        return {};
    static_assert(std::endian::native == std::endian::little, "pixel words are read as R | G << 8 | B << 16 | A << 24");
    // What an opaque pixel's red, green and blue bytes become, already in place in the pixel word.
    std::array<std::array<std::uint32_t, 256>, 3> opaque;
    const float opaqueScale = unpremultiplyScale(255.0f);
    for (int v = 0; v < 256; ++v)
        for (int c = 0; c < 3; ++c)
            opaque[c][v] = std::uint32_t(premultipliedComponent(component(c, float(v) * opaqueScale), 255.0f)) << (8 * c);
    const int width = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = input.row(y);
            std::uint8_t* out = output->row(y);
            for (int x = 0; x < width; ++x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, in + 4 * x, 4);
                const std::uint32_t alpha = pixel >> 24;
                if (alpha == 255) {
                    pixel = opaque[0][pixel & 0xff] | opaque[1][(pixel >> 8) & 0xff] | opaque[2][(pixel >> 16) & 0xff]
                        | 0xff000000u;
                    std::memcpy(out + 4 * x, &pixel, 4);
                    continue;
                }
                const float a = float(alpha), scale = unpremultiplyScale(a);
                for (int c = 0; c < 3; ++c)
                    out[4 * x + c] = premultipliedComponent(component(c, float(in[4 * x + c]) * scale), a);
                out[4 * x + 3] = std::uint8_t(alpha);
            }
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
