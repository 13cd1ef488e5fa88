#include "render/Gradient.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

namespace {

// Where along the gradient (0 … 1) each pixel centre of one row lies.
void rowPositions(const GradientDrawing& gradient, QPointF firstCentre, int width, float* positions)
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

#ifdef __SSE4_1__
// One pixel in four float lanes; the compiler keeps the scalar loop's channels apart.
void paintRow(std::uint8_t* pixels, const std::uint8_t* coverage, const float* positions, int width,
              const GradientDrawing& gradient)
{
    int fromBytes, toBytes;
    std::memcpy(&fromBytes, gradient.from.data(), 4);
    std::memcpy(&toBytes, gradient.to.data(), 4);
    const __m128 from = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(fromBytes)));
    const __m128 span = _mm_sub_ps(_mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(toBytes))), from);
    const __m128 one = _mm_set1_ps(1.0f), half = _mm_set1_ps(0.5f), inverse255 = _mm_set1_ps(1.0f / 255.0f);
    for (int x = 0; x < width; ++x) {
        if (coverage[x] == 0)
            continue;
        const __m128 weight = _mm_mul_ps(_mm_set1_ps(float(coverage[x])), inverse255);
        const __m128 source = _mm_mul_ps(_mm_add_ps(from, _mm_mul_ps(_mm_set1_ps(positions[x]), span)), weight);
        const __m128 keep = _mm_sub_ps(one, _mm_mul_ps(_mm_shuffle_ps(source, source, 0xFF), inverse255));
        int packed;
        std::memcpy(&packed, pixels + 4 * x, 4);
        const __m128 old = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(packed)));
        // Both terms are premultiplied, so every sum stays within its alpha and 255.
        const __m128i sum = _mm_cvttps_epi32(_mm_add_ps(_mm_add_ps(source, _mm_mul_ps(old, keep)), half));
        packed = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packus_epi32(sum, sum), _mm_setzero_si128()));
        std::memcpy(pixels + 4 * x, &packed, 4);
    }
}
#else
void paintRow(std::uint8_t* pixels, const std::uint8_t* coverage, const float* positions, int width,
              const GradientDrawing& gradient)
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
#endif

}  // namespace

void paintGradient(BitmapBuilder& target, QPoint origin, const GradientDrawing& gradient, const AlphaPlane& coverage)
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
