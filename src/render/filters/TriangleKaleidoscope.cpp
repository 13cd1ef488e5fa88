#include "render/filters/TriangleKaleidoscope.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"
#include "render/filters/PixelSampler.h"

#include <cmath>
#include <vector>

namespace velmaris {

namespace {

// The mirrors of an equilateral triangle generate translations forming a hexagonal lattice (twice
// the triangle's height apart); within one lattice cell two rounds of mirroring at the triangle's
// sides bring any point into the triangle. One spare round absorbs rounding.
class TriangleFold {
public:
    explicit TriangleFold(float side)
        : height_(side * std::sqrt(3.0f) / 2.0f), spacing_(2.0f * height_), rowPeriod_(spacing_ * std::sqrt(3.0f))
    {
    }

    float inradius() const { return height_ / 3.0f; }

    // Folds a point given relative to the triangle's centre, in the triangle's own orientation
    // (one side's outward normal along +x).
    void fold(float& x, float& y) const
    {
        nearestLatticeOffset(x, y);
        constexpr float normalX[3] = {1.0f, -0.5f, -0.5f};
        constexpr float normalY[3] = {0.0f, 0.8660254f, -0.8660254f};
        // Unrolled, so that a loop over pixels around the fold vectorises.
#pragma GCC unroll 3
        for (int round = 0; round < 3; ++round) {
#pragma GCC unroll 3
            for (int k = 0; k < 3; ++k) {
                const float excess = std::max(x * normalX[k] + y * normalY[k] - inradius(), 0.0f);
                x -= 2.0f * excess * normalX[k];
                y -= 2.0f * excess * normalY[k];
            }
        }
    }

private:
    // The hexagonal lattice as two rectangular grids, the second shifted by half a cell each way.
    void nearestLatticeOffset(float& x, float& y) const
    {
        const float evenX = x - spacing_ * std::floor(x / spacing_ + 0.5f);
        const float evenY = y - rowPeriod_ * std::floor(y / rowPeriod_ + 0.5f);
        const float oddX = x - spacing_ * (std::floor(x / spacing_) + 0.5f);
        const float oddY = y - rowPeriod_ * (std::floor(y / rowPeriod_) + 0.5f);
        const bool even = evenX * evenX + evenY * evenY <= oddX * oddX + oddY * oddY;
        x = even ? evenX : oddX;
        y = even ? evenY : oddY;
    }

    float height_;
    float spacing_;
    float rowPeriod_;
};

}  // namespace

Bitmap triangleKaleidoscopeFilter(const Bitmap& input, QPointF point, double size, double rotation, double decay)
{
    auto output = BitmapBuilder::createUninitialized(input.width(), input.height());
    if (!output)
        return input;
    const float limit = 4.0f * float(std::max(input.width(), input.height()));
    const float side = clampedLength(size, 1.0, limit);
    const float px = clampedLength(point.x(), -limit, limit), py = clampedLength(point.y(), -limit, limit);
    const double turn = finiteOr(rotation, 0.0);
    // Negated sine: y points down, and the turn is counter-clockwise as seen.
    const float cosine = float(std::cos(turn)), sine = float(-std::sin(turn));
    // log2 of the fade per side length; a floor keeps decay 0 finite (everything beyond fades out).
    const float fadeExponent = std::log2(std::max(clampedLength(decay, 0.0, 1.0), 1e-30f)) / side;
    const TriangleFold triangle(side);
    const PixelSampler sampler(input);
    const int width = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        // Per row: where each pixel reads from and how far beyond the central circle it lies, in
        // loops that vectorise; then the samples, which cannot.
        std::vector<float> planes(3 * std::size_t(width));
        float* sourceX = planes.data();
        float* sourceY = sourceX + width;
        float* beyond = sourceY + width;
        const TriangleFold fold = triangle;
        for (int y = first; y < end; ++y) {
            const float dy = float(y) + 0.5f - py;
            forEachIndex(width, [=](int x) __attribute__((always_inline)) {
                const float dx = float(x) + 0.5f - px;
                float u = dx * cosine + dy * sine, v = dy * cosine - dx * sine;
                fold.fold(u, v);
                sourceX[x] = px + u * cosine - v * sine;
                sourceY[x] = py + u * sine + v * cosine;
                beyond[x] = std::max(std::sqrt(dx * dx + dy * dy) - fold.inradius(), 0.0f);
            });
            std::uint8_t* out = output->row(y);
            for (int x = 0; x < width; ++x) {
                Rgbaf colour = sampler.bilinear<SampleEdge::transparent>(sourceX[x], sourceY[x]);
                // Most pixels of a small triangle lie beyond the circle; exp2 of 0 is 1 for the rest.
                const float fade = beyond[x] > 0.0f ? std::exp2(fadeExponent * beyond[x]) : 1.0f;
                for (float& component : colour)
                    component *= fade;
                storePremultiplied(out + 4 * x, colour);
            }
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
