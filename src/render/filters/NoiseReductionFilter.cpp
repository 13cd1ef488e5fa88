#include "render/filters/NoiseReductionFilter.h"

#include "render/CpuDispatch.h"
#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"
#include "render/filters/FilterRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmaris {

namespace {

// The eight neighbours with binomial weights (the centre, weight 4, makes up the 16).
struct Neighbour {
    int dx, dy;
    float weight;
};
constexpr std::array<Neighbour, 8> kNeighbours{{{-1, -1, 1}, {0, -1, 2}, {1, -1, 1}, {-1, 0, 2},
                                                {1, 0, 2}, {-1, 1, 1}, {0, 1, 2}, {1, 1, 1}}};
constexpr float kCentreWeight = 4.0f;
constexpr float kNeighbourWeights = 12.0f;

struct Smoothing {
    bool on;
    float inverseLevel, sharpen;
};

// A band of rows as five float planes (red, green, blue, alpha, luma), each row padded by one
// repeated edge pixel on either side: the pixel loop then runs across pixels, one lane each.
class BandPlanes {
public:
    BandPlanes(const Bitmap& image, int begin, int end)
        : begin_(begin), paddedWidth_(std::size_t(image.width()) + 2),
          planeSize_(paddedWidth_ * std::size_t(end - begin + 2)), values_(5 * planeSize_)
    {
        const ClampedBand band(image, begin, end, 1);
        for (int y = begin - 1; y <= end; ++y) {
            const std::uint8_t* row = band.row(y) - 4;
            float* red = at(0, y);
            float* green = at(1, y);
            float* blue = at(2, y);
            float* alpha = at(3, y);
            float* luma = at(4, y);
            forEachIndex(int(paddedWidth_), [=](int x) {
                red[x] = row[4 * x], green[x] = row[4 * x + 1], blue[x] = row[4 * x + 2], alpha[x] = row[4 * x + 3];
                luma[x] = lumaOf(row + 4 * x);
            });
        }
    }

    // Pixel −1 of row y of one plane.
    float* at(int plane, int y) { return values_.data() + plane * planeSize_ + std::size_t(y - begin_ + 1) * paddedWidth_; }

private:
    int begin_;
    std::size_t paddedWidth_, planeSize_;
    std::vector<float> values_;
};

// One output row. Every lane takes the same float operations in the same order as a loop over one
// pixel's four components would.
[[gnu::always_inline]] inline void smoothRow(BandPlanes& planes, int y, int width, const Smoothing& smoothing,
                                             float* __restrict values)
{
    // Plain locals: loads through references inside the pixel loop would stop the vectoriser.
    using Rows = std::array<std::array<const float*, 5>, 3>;
    Rows rows;
    for (int dy = -1; dy <= 1; ++dy)
        for (int plane = 0; plane < 5; ++plane)
            rows[dy + 1][plane] = planes.at(plane, y + dy) + 1;
    const bool smoothingOn = smoothing.on;
    const float inverseLevel = smoothing.inverseLevel, sharpness = smoothing.sharpen;
    constexpr int kBlock = 64;
    float channels[4][kBlock];
    for (int x0 = 0; x0 < width; x0 += kBlock) {
        const int count = std::min(kBlock, width - x0);
        float* __restrict red = channels[0];
        float* __restrict green = channels[1];
        float* __restrict blue = channels[2];
        float* __restrict alpha = channels[3];
        forEachIndex(count, [=](int i) __attribute__((always_inline)) {
            const int x = x0 + i;
            const float centreLuma = rows[1][4][x];
            float smooth[4], mean[4];
#pragma GCC unroll 4
            for (int c = 0; c < 4; ++c)
                smooth[c] = mean[c] = kCentreWeight * rows[1][c][x];
            float smoothWeight = kCentreWeight, similar = 0;
#pragma GCC unroll 8
            for (const Neighbour& n : kNeighbours) {
                const std::array<const float*, 5>& row = rows[n.dy + 1];
                // Soft threshold: a neighbour counts fully when equal, not at all from noiseLevel on.
                const float difference = std::abs(row[4][x + n.dx] - centreLuma);
                const float likeness = smoothingOn ? std::max(0.0f, 1.0f - difference * inverseLevel) : 0.0f;
                const float weight = n.weight * likeness;
                smoothWeight += weight;
                similar += weight;
#pragma GCC unroll 4
                for (int c = 0; c < 4; ++c) {
                    smooth[c] += weight * row[c][x + n.dx];
                    mean[c] += n.weight * row[c][x + n.dx];
                }
            }
            // 0 in flat noise, 1 where every neighbour is across an edge.
            const float edge = 1.0f - similar / kNeighbourWeights;
            const float smoothScale = 1.0f / smoothWeight;
            const float sharpen = edge * sharpness;
            const auto sharpened = [&](int c) {
                return smooth[c] * smoothScale + sharpen * (rows[1][c][x] - mean[c] / (kCentreWeight + kNeighbourWeights));
            };
            red[i] = sharpened(0);
            green[i] = sharpened(1);
            blue[i] = sharpened(2);
            alpha[i] = smooth[3] * smoothScale;  // alpha is smoothed, never sharpened
        });
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < 4; ++c)
                values[4 * (x0 + i) + c] = channels[c][i];
    }
}

[[gnu::always_inline]] inline void smoothBand(const Bitmap& input, BitmapBuilder& output, const Smoothing& smoothing,
                                              int begin, int end)
{
    BandPlanes planes(input, begin, end);
    std::vector<float> values(4 * std::size_t(input.width()));
    for (int y = begin; y < end; ++y) {
        smoothRow(planes, y, input.width(), smoothing, values.data());
        narrowToBytes<true>(values.data(), output.row(y), 4 * input.width());
    }
}

void smoothBandBaseline(const Bitmap& input, BitmapBuilder& output, const Smoothing& smoothing, int begin, int end)
{
    smoothBand(input, output, smoothing, begin, end);
}

VELMARIS_TARGET_AVX2 void smoothBandWide(const Bitmap& input, BitmapBuilder& output, const Smoothing& smoothing,
                                         int begin, int end)
{
    smoothBand(input, output, smoothing, begin, end);
}

}  // namespace

Bitmap noiseReductionFilter(const Bitmap& input, double noiseLevel, double sharpness)
{
    if (input.isNull())
        return input;
    const int width = input.width(), height = input.height();
    auto output = BitmapBuilder::createUninitialized(width, height);
    if (!output)
        return input;
    // Luma differences are compared on the 0–255 scale; a zero level smooths nothing.
    const float level = std::isfinite(noiseLevel) ? float(std::clamp(noiseLevel, 0.0, 1.0) * 255.0) : 0.0f;
    const Smoothing smoothing{level > 0, level > 0 ? 1.0f / level : 0.0f,
                              std::isfinite(sharpness) ? float(std::clamp(sharpness, -1e3, 1e3)) : 0.0f};
    const auto smoothBand = forThisCpu(smoothBandBaseline, smoothBandWide);
    parallelRows(height, [&](int begin, int end) { smoothBand(input, *output, smoothing, begin, end); });
    return std::move(*output).build();
}

}  // namespace velmaris
