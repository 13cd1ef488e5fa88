#include "render/filters/NoiseReductionFilter.h"

#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/filters/FilterRows.h"
#include "render/filters/PixelSampler.h"

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
    const bool smoothing = level > 0;
    const float inverseLevel = smoothing ? 1.0f / level : 0.0f;
    const float sharpen = std::isfinite(sharpness) ? float(std::clamp(sharpness, -1e3, 1e3)) : 0.0f;
    parallelRows(height, [&](int begin, int end) {
        const ClampedBand band(input, begin, end, 1);
        // Luma of the band, padded like it: lumas[(y - begin + 1) * paddedWidth + x + 1].
        const int paddedWidth = width + 2;
        std::vector<float> lumas(std::size_t(end - begin + 2) * paddedWidth);
        for (int y = begin - 1; y <= end; ++y)
            for (int x = -1; x <= width; ++x)
                lumas[std::size_t(y - begin + 1) * paddedWidth + x + 1] = lumaOf(band.row(y) + 4 * x);
        const auto lumaAt = [&](int x, int y) { return lumas[std::size_t(y - begin + 1) * paddedWidth + x + 1]; };
        std::vector<float> values(4 * std::size_t(width));
        // The three source rows as float pixels, padded like the band.
        const std::size_t paddedFloats = 4 * std::size_t(paddedWidth);
        std::vector<float> rows(3 * paddedFloats);
        const auto pixelAt = [&](int x, int dy) { return loadPixel4f(rows.data() + (dy + 1) * paddedFloats + 4 * (x + 1)); };
        for (int y = begin; y < end; ++y) {
            for (int dy = -1; dy <= 1; ++dy)
                widenBytes(band.row(y + dy) - 4, rows.data() + (dy + 1) * paddedFloats, int(paddedFloats));
            for (int x = 0; x < width; ++x) {
                const Pixel4f centre = pixelAt(x, 0);
                const float centreLuma = lumaAt(x, y);
                Pixel4f smooth = kCentreWeight * centre, mean = kCentreWeight * centre;
                float smoothWeight = kCentreWeight, similar = 0;
                for (const Neighbour& n : kNeighbours) {
                    const Pixel4f pixel = pixelAt(x + n.dx, n.dy);
                    // Soft threshold: a neighbour counts fully when equal, not at all from noiseLevel on.
                    const float difference = std::abs(lumaAt(x + n.dx, y + n.dy) - centreLuma);
                    const float likeness = smoothing ? std::max(0.0f, 1.0f - difference * inverseLevel) : 0.0f;
                    const float weight = n.weight * likeness;
                    smoothWeight += weight;
                    similar += weight;
                    smooth += weight * pixel;
                    mean += n.weight * pixel;
                }
                // 0 in flat noise, 1 where every neighbour is across an edge.
                const float edge = 1.0f - similar / kNeighbourWeights;
                const float smoothScale = 1.0f / smoothWeight;
                Pixel4f sharpened = edge * sharpen * (centre - mean / (kCentreWeight + kNeighbourWeights));
                sharpened[3] = 0.0f;  // alpha is smoothed, never sharpened
                storePixel4f(values.data() + 4 * x, smooth * smoothScale + sharpened);
            }
            narrowToBytes<true>(values.data(), output->row(y), 4 * width);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
