#include "render/filters/ZoomBlurFilter.h"

#include "render/CpuDispatch.h"
#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"
#include "render/filters/PixelSampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>


namespace velmaris {

namespace {

// More samples than this are spread further apart than a pixel, which the blur hides.
constexpr int kMaxSamples = 96;
// Output pixels of one row done together: the source spans of all their samples stay in L1.
constexpr int kChunk = 64;
// A chunk's samples at x × scale + offset with scale ≤ 1 cover at most kChunk + 1 whole pixels, plus
// one for the right-hand neighbour; one more absorbs the float rounding of the positions.
constexpr int kSpan = kChunk + 3;

using Lanes4i = int __attribute__((vector_size(16)));
// Two pixels' components: one AVX vector, or two SSE ones.
using Pixel8f = float __attribute__((vector_size(32)));

// Sample k of every pixel in a row: two source rows blended vertically, then read at x × scale + offset.
struct RowTap {
    const std::uint8_t* upper;
    const std::uint8_t* lower;
    float below, scale, offset;
};

// blended = (1 − below) × upper + below × lower, for one row. Blocks of 32 components fill whole
// AVX vectors where the CPU has them.
[[gnu::always_inline]] inline void blendRows(const std::uint8_t* __restrict upper, const std::uint8_t* __restrict lower,
                                             float below, float* __restrict blended, int count)
{
    forEachIndex<32>(count, [=](int i) { blended[i] = float(upper[i]) + below * (float(lower[i]) - float(upper[i])); });
}

// The source position of output column x, clamped to the row.
[[gnu::always_inline]] inline float sourceColumn(const RowTap& tap, float x, float last)
{
    return std::clamp(x * tap.scale + tap.offset, 0.0f, last);
}

// Output pixels x … x + lanes − 1: the mean of their samples, each read from tap k's blended span
// (starting at column first[k]) by linear interpolation. Four pixels share one vector of positions
// and two pixels one vector of arithmetic, which is one instruction where the CPU has AVX.
template <int lanes>
[[gnu::always_inline]] inline void averageSamples(const RowTap* taps, int samples, const float* spans, const int* first,
                                                  int x, int width, std::uint8_t* target)
{
    constexpr int pairs = (lanes + 1) / 2;
    const Pixel4f columns = {float(x), float(x + 1), float(x + 2), float(x + 3)};
    const Pixel4f zero = {}, last = zero + float(width - 1);
    Pixel8f acc[pairs] = {};
    for (int k = 0; k < samples; ++k, spans += 4 * kSpan) {
        Pixel4f at = columns * taps[k].scale + taps[k].offset;
        at = last < at ? last : at;
        at = at < zero ? zero : at;
        const Lanes4i left = __builtin_convertvector(at, Lanes4i);
        const Pixel4f fraction = at - __builtin_convertvector(left, Pixel4f);
        const Lanes4i index = 4 * (left - first[k]);
        const auto tap = [&](int lane, int step) { return loadPixel4f(spans + index[lane] + 4 * step); };
#pragma GCC unroll 2
        for (int pair = 0; pair < pairs; ++pair) {
            // An odd last pixel is paired with itself; the copy is dropped below.
            const int a = 2 * pair, b = std::min(2 * pair + 1, lanes - 1);
            const Pixel8f low = __builtin_shufflevector(tap(a, 0), tap(b, 0), 0, 1, 2, 3, 4, 5, 6, 7);
            const Pixel8f high = __builtin_shufflevector(tap(a, 1), tap(b, 1), 0, 1, 2, 3, 4, 5, 6, 7);
            const Pixel8f weight = pair == 0 ? __builtin_shufflevector(fraction, fraction, 0, 0, 0, 0, 1, 1, 1, 1)
                                             : __builtin_shufflevector(fraction, fraction, 2, 2, 2, 2, 3, 3, 3, 3);
            acc[pair] += low + weight * (high - low);
        }
    }
    const float scale = 1.0f / float(samples);
    float means[8 * pairs];
    for (int pair = 0; pair < pairs; ++pair)
        std::memcpy(means + 8 * pair, &(acc[pair] *= scale), sizeof(Pixel8f));
    narrowToBytes<true>(means, target, 4 * lanes);
}

// Where sample k of pixel p lies: p + (centre − p) × reach × k / (samples − 1).
struct ZoomGeometry {
    double centerX, centerY, reach;
};

// Rows begin … end − 1 of the blur. Within one row every pixel's sample k comes from the same source
// row and from x positions scaled about the centre, so each sample is a blend of two rows resampled
// horizontally. The positions only grow with x, so a chunk of output pixels reads one short span of
// each blended row.
[[gnu::always_inline]] inline void zoomRows(const Bitmap& input, BitmapBuilder& output, const ZoomGeometry& zoom,
                                            int begin, int end)
{
    const int width = input.width(), height = input.height();
    const float last = float(width - 1);
    RowTap taps[kMaxSamples];
    int first[kMaxSamples];
    std::vector<float> spans(std::size_t(kMaxSamples) * 4 * kSpan);
    for (int y = begin; y < end; ++y) {
        const double longest = zoom.reach * std::max(std::hypot(0 - zoom.centerX, y - zoom.centerY),
                                                     std::hypot(width - 1.0 - zoom.centerX, y - zoom.centerY));
        const int samples = int(std::min(std::ceil(longest), double(kMaxSamples - 1))) + 1;
        for (int k = 0; k < samples; ++k) {
            const double pull = samples > 1 ? zoom.reach * k / (samples - 1) : 0.0;
            const double sourceY = std::clamp(y + (zoom.centerY - y) * pull, 0.0, height - 1.0);
            const int top = int(sourceY);
            taps[k] = {input.row(top), input.row(std::min(top + 1, height - 1)), float(sourceY - top),
                       float(1.0 - pull), float(zoom.centerX * pull)};
        }
        std::uint8_t* target = output.row(y);
        for (int x0 = 0; x0 < width; x0 += kChunk) {
            const int x1 = std::min(x0 + kChunk, width);
            for (int k = 0; k < samples; ++k) {
                first[k] = int(sourceColumn(taps[k], float(x0), last));
                const int spanEnd = int(sourceColumn(taps[k], float(x1 - 1), last)) + 1;
                float* span = spans.data() + std::size_t(k) * 4 * kSpan;
                const int count = std::min(spanEnd, width - 1) - first[k] + 1;
                blendRows(taps[k].upper + 4 * first[k], taps[k].lower + 4 * first[k], taps[k].below, span, 4 * count);
                // A sample at the last column has no fraction left, so its right-hand neighbour only
                // needs to be finite.
                if (spanEnd == width)
                    std::fill_n(span + 4 * count, 4, 0.0f);
            }
            int x = x0;
            for (; x + 4 <= x1; x += 4)
                averageSamples<4>(taps, samples, spans.data(), first, x, width, target + 4 * x);
            switch (x1 - x) {
            case 3: averageSamples<3>(taps, samples, spans.data(), first, x, width, target + 4 * x); break;
            case 2: averageSamples<2>(taps, samples, spans.data(), first, x, width, target + 4 * x); break;
            case 1: averageSamples<1>(taps, samples, spans.data(), first, x, width, target + 4 * x); break;
            default: break;
            }
        }
    }
}

void zoomRowsBaseline(const Bitmap& input, BitmapBuilder& output, const ZoomGeometry& zoom, int begin, int end)
{
    zoomRows(input, output, zoom, begin, end);
}

VELMARIS_TARGET_AVX2 void zoomRowsWide(const Bitmap& input, BitmapBuilder& output, const ZoomGeometry& zoom, int begin,
                                       int end)
{
    zoomRows(input, output, zoom, begin, end);
}

}  // namespace

Bitmap zoomBlurFilter(const Bitmap& input, QPointF center, double amount)
{
    const int width = input.width(), height = input.height();
    if (input.isNull() || !std::isfinite(center.x()) || !std::isfinite(center.y()))
        return input;
    // Pixel (x, y) has its centre at (x + 0.5, y + 0.5). A centre this far out is as good as infinitely
    // far, and keeps the float maths finite.
    constexpr double kFarOut = 1e6;
    const double centerX = std::clamp(center.x(), -kFarOut, kFarOut) - 0.5;
    const double centerY = std::clamp(center.y(), -kFarOut, kFarOut) - 0.5;
    const auto distanceToCentre = [&](double x, double y) { return std::hypot(x - centerX, y - centerY); };
    double farthest = 0;
    for (const double cornerX : {0.0, width - 1.0})
        for (const double cornerY : {0.0, height - 1.0})
            farthest = std::max(farthest, distanceToCentre(cornerX, cornerY));
    // The fraction of its distance to the centre over which a pixel is smeared; at most all of it.
    const double reach = std::min(amount / std::max(farthest, 1e-9), 1.0);
    if (!(reach > 0) || !(amount >= 0.01))
        return input;
    auto output = BitmapBuilder::createUninitialized(width, height);
    if (!output)
        return input;

    const auto rows = forThisCpu(zoomRowsBaseline, zoomRowsWide);
    const ZoomGeometry zoom{centerX, centerY, reach};
    parallelRows(height, [&](int begin, int end) { rows(input, *output, zoom, begin, end); });
    return std::move(*output).build();
}

}  // namespace velmaris
