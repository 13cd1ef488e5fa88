#pragma once

#include "model/Bitmap.h"
#include "render/Parallel.h"

#include <QPointF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

// Premultiplied RGBA with components 0–255, as floats; and as stored bytes.
using Rgbaf = std::array<float, 4>;
using Rgba8 = std::array<std::uint8_t, 4>;

// The four float components of one RGBA pixel as one vector (a GCC and Clang extension): the
// components take the scalar arithmetic side by side, one SSE instruction each.
using Pixel4f = float __attribute__((vector_size(16)));

inline Pixel4f loadPixel4f(const float* components)
{
    Pixel4f pixel;
    std::memcpy(&pixel, components, sizeof pixel);
    return pixel;
}

inline void storePixel4f(float* components, Pixel4f pixel)
{
    std::memcpy(components, &pixel, sizeof pixel);
}

// One RGBA8 pixel as floats. The compiler converts the bytes one by one unless told.
inline Pixel4f widenPixel(const std::uint8_t* pixel)
{
#ifdef __SSE4_1__
    int packed;
    std::memcpy(&packed, pixel, sizeof packed);
    return Pixel4f(_mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(packed))));
#else
    return Pixel4f{float(pixel[0]), float(pixel[1]), float(pixel[2]), float(pixel[3])};
#endif
}

// What a read beyond the image gives: the nearest edge pixel, or transparent.
enum class SampleEdge { clamp, transparent };

// value clamped to [low, high], NaN giving low. Plain comparisons: unlike std::fmin/fmax they
// compile to single instructions.
inline float bounded(float value, float low, float high)
{
    const float raised = value >= low ? value : low;
    return raised <= high ? raised : high;
}

// Reads a bitmap at fractional positions. Positions are in pixels with pixel centres at +0.5, so
// (x + 0.5, y + 0.5) returns pixel (x, y) exactly. Holds raw pointers: cheap in inner loops.
class PixelSampler {
public:
    explicit PixelSampler(const Bitmap& image)
        : bits_(image.bits()), stride_(image.stride()), width_(image.width()), height_(image.height())
    {
    }

    template <SampleEdge edge>
    Rgbaf bilinear(float x, float y) const
    {
        // Far-off (or NaN) positions collapse onto a tap just beyond the edge, so the int casts are safe.
        const float fx = bounded(x - 0.5f, -2.0f, float(width_) + 1.0f);
        const float fy = bounded(y - 0.5f, -2.0f, float(height_) + 1.0f);
        const float floorX = std::floor(fx), floorY = std::floor(fy);
        const float tx = fx - floorX, ty = fy - floorY;
        const int x0 = int(floorX), y0 = int(floorY);
        const float weightX[2] = {1.0f - tx, tx};
        const float weightY[2] = {1.0f - ty, ty};
        Pixel4f sum{};
        for (int j = 0; j < 2; ++j) {
            int row = y0 + j;
            if constexpr (edge == SampleEdge::clamp)
                row = std::clamp(row, 0, height_ - 1);
            else if (row < 0 || row >= height_)
                continue;
            for (int i = 0; i < 2; ++i) {
                int column = x0 + i;
                if constexpr (edge == SampleEdge::clamp)
                    column = std::clamp(column, 0, width_ - 1);
                else if (column < 0 || column >= width_)
                    continue;
                const std::uint8_t* pixel = bits_ + row * stride_ + 4 * column;
                const float weight = weightX[i] * weightY[j];
                sum += weight * widenPixel(pixel);
            }
        }
        return {sum[0], sum[1], sum[2], sum[3]};
    }

private:
    const std::uint8_t* bits_;
    qsizetype stride_;
    int width_;
    int height_;
};

// Writes a float pixel as premultiplied RGBA8: rounded, saturated, colour at most alpha, NaN as 0.
inline void storePremultiplied(std::uint8_t* pixel, const Rgbaf& colour)
{
#ifdef __SSE4_1__
    // The same clamps as below, four lanes at once: max/min give the low or high bound for NaN and
    // for equal values, which truncate alike.
    const __m128 values = _mm_loadu_ps(colour.data());
    const __m128 alpha = _mm_min_ps(_mm_max_ps(_mm_shuffle_ps(values, values, 0xff), _mm_setzero_ps()), _mm_set1_ps(255.0f));
    const __m128 clamped = _mm_min_ps(_mm_max_ps(values, _mm_setzero_ps()), alpha);
    const __m128i words = _mm_packus_epi32(_mm_cvttps_epi32(_mm_add_ps(clamped, _mm_set1_ps(0.5f))), _mm_setzero_si128());
    const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(pixel, &packed, sizeof packed);
#else
    const float alpha = bounded(colour[3], 0.0f, 255.0f);
    for (int c = 0; c < 3; ++c)
        pixel[c] = std::uint8_t(bounded(colour[c], 0.0f, alpha) + 0.5f);
    pixel[3] = std::uint8_t(alpha + 0.5f);
#endif
}

// The image's colours at `count` points, pointOf(i) giving point i as QPointF. Cell-based filters
// sample once per cell into such a table and then only copy.
template <SampleEdge edge, typename PointOf>
std::vector<Rgba8> sampleColours(const Bitmap& image, int count, PointOf pointOf)
{
    std::vector<Rgba8> colours(std::size_t(std::max(count, 0)));
    const PixelSampler sampler(image);
    parallelRows(count, [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            const QPointF point = pointOf(i);
            storePremultiplied(colours[i].data(), sampler.bilinear<edge>(float(point.x()), float(point.y())));
        }
    }, 1024);
    return colours;
}

// A parameter that must be finite: NaN and infinities give `fallback`.
inline double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

// A length parameter made safe to use: NaN gives `low`, the rest is clamped to [low, high].
inline float clampedLength(double value, double low, double high)
{
    return float(std::isnan(value) ? low : std::clamp(value, low, high));
}

// The image midpoint, the default centre of the patterned filters.
inline QPointF imageMidpoint(const Bitmap& image)
{
    return {image.width() / 2.0, image.height() / 2.0};
}

}  // namespace velmaris
