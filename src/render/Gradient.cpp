#include "render/Gradient.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmaris {

namespace {

// Where along the gradient (0 … 1) each pixel centre of one row lies.
void rowPositions(const GradientSpec& gradient, QPointF firstCentre, int width, float* positions)
{
    const float dx = float(gradient.end.x() - gradient.start.x());
    const float dy = float(gradient.end.y() - gradient.start.y());
    const float x0 = float(firstCentre.x() - gradient.start.x());
    const float y0 = float(firstCentre.y() - gradient.start.y());
    if (gradient.shape == GradientShape::linear) {
        // Projection on the line, scaled so the end lands on 1: affine along the row.
        const float scale = 1.0f / (dx * dx + dy * dy);
        const float base = (x0 * dx + y0 * dy) * scale;
        const float step = dx * scale;
        forEachIndex(width, [&](int x) { positions[x] = std::clamp(base + float(x) * step, 0.0f, 1.0f); });
    } else {
        const float inverseRadius = 1.0f / std::sqrt(dx * dx + dy * dy);
        const float y2 = y0 * y0;
        forEachIndex(width, [&](int x) {
            const float u = x0 + float(x);
            positions[x] = std::min(std::sqrt(u * u + y2) * inverseRadius, 1.0f);
        });
    }
}

void paintRow(std::uint8_t* pixels, const std::uint8_t* coverage, const float* positions, int width,
              const GradientSpec& gradient)
{
    float from[4], span[4];
    for (int c = 0; c < 4; ++c) {
        from[c] = gradient.from[c];
        span[c] = float(gradient.to[c]) - float(gradient.from[c]);
    }
    forEachIndex(width, [&](int x) {
        const float weight = float(coverage[x]) * (1.0f / 255.0f);
        const float t = positions[x];
        float source[4];
        for (int c = 0; c < 4; ++c)
            source[c] = (from[c] + t * span[c]) * weight;
        const float keep = 1.0f - source[3] * (1.0f / 255.0f);
        // Both terms are premultiplied, so every sum stays within its alpha and 255.
        for (int c = 0; c < 4; ++c)
            pixels[4 * x + c] = std::uint8_t(source[c] + float(pixels[4 * x + c]) * keep + 0.5f);
    });
}

}  // namespace

void paintGradient(BitmapBuilder& target, QPoint origin, const GradientSpec& gradient, const AlphaPlane& coverage)
{
    if (coverage.width != target.width() || coverage.height != target.height() || gradient.start == gradient.end)
        return;
    const int width = target.width();
    parallelRows(target.height(), [&](int firstRow, int endRow) {
        std::vector<float> positions(static_cast<std::size_t>(width));
        for (int y = firstRow; y < endRow; ++y) {
            rowPositions(gradient, QPointF(origin.x() + 0.5, origin.y() + y + 0.5), width, positions.data());
            paintRow(target.row(y), coverage.row(y), positions.data(), width, gradient);
        }
    });
}

}  // namespace velmaris
