#include "render/filters/Crystallize.h"

#include "render/filters/CellGrid.h"
#include "render/filters/PixelSampler.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace velmaris {

namespace {

// Dots of neighbouring points overlap a little at this spacing, leaving gaps only where the jitter
// pulls them apart.
constexpr float kSpacingPerRadius = 1.7f;

struct ScatteredColours {
    JitteredGrid grid;
    std::vector<Rgba8> colours;
};

ScatteredColours scatter(const Bitmap& input, float radius, std::optional<QPointF> center)
{
    JitteredGrid grid(input.width(), input.height(), kSpacingPerRadius * radius,
                      center.value_or(imageMidpoint(input)));
    std::vector<Rgba8> colours =
        sampleColours<SampleEdge::clamp>(input, grid.count(), [&](int i) { return grid.point(i); });
    return {std::move(grid), std::move(colours)};
}

// Radii beyond the longer side all give one flat colour; below 1 pixel the grid explodes.
float safeRadius(const Bitmap& input, double radius)
{
    return clampedLength(radius, 1.0, std::max(input.width(), input.height()));
}

}  // namespace

Bitmap crystallizeFilter(const Bitmap& input, double radius, std::optional<QPointF> center)
{
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!output)
        return input;
    const ScatteredColours scattered = scatter(input, safeRadius(input, radius), center);
    std::uint8_t* bits = output->row(0);
    const qsizetype stride = output->stride();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            std::uint8_t* out = bits + y * stride;
            scattered.grid.nearestAlongRow(y, [&](int x, int index, float) {
                std::memcpy(out + 4 * x, scattered.colours[index].data(), 4);
            });
        }
    });
    return std::move(*output).build();
}

Bitmap pointillizeFilter(const Bitmap& input, double radius, std::optional<QPointF> center)
{
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!output)
        return input;
    const float dotRadius = safeRadius(input, radius);
    const ScatteredColours scattered = scatter(input, dotRadius, center);
    const std::uint8_t* inBits = input.bits();
    const qsizetype inStride = input.stride();
    std::uint8_t* bits = output->row(0);
    const qsizetype stride = output->stride();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = inBits + y * inStride;
            std::uint8_t* out = bits + y * stride;
            // The nearest point's dot is the one covering the pixel most: all dots share one radius.
            scattered.grid.nearestAlongRow(y, [&](int x, int index, float distanceSquared) {
                const float coverage = std::clamp(dotRadius - std::sqrt(distanceSquared) + 0.5f, 0.0f, 1.0f);
                const Rgba8& dot = scattered.colours[index];
                const float white = float(in[4 * x + 3]) * (1.0f - coverage * float(dot[3]) / 255.0f);
                Rgbaf colour;
                for (int c = 0; c < 4; ++c)
                    colour[c] = coverage * float(dot[c]) + white;
                storePremultiplied(out + 4 * x, colour);
            });
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
