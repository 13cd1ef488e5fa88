#include "render/CoverageFill.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <cstring>

namespace velmaris {

namespace {

// x / 255 rounded to nearest, exact for 0 ≤ x ≤ 255 × 255.
inline std::uint32_t divide255(std::uint32_t x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

void paintRow(std::uint8_t* __restrict pixels, const std::uint8_t* __restrict coverage, int width,
              const std::array<std::uint8_t, 4>& color)
{
    forEachIndex(width, [&](int x) {
        const std::uint32_t weight = coverage[x];
        std::uint32_t pixel;
        std::memcpy(&pixel, pixels + 4 * x, 4);
        // Premultiplied colour ≤ its alpha, so each sum stays within 0–255 and premultiplied.
        const std::uint32_t keep = 255 - divide255(color[3] * weight);
        std::uint32_t result = 0;
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t old = (pixel >> (8 * c)) & 255;
            result |= (divide255(color[c] * weight) + divide255(old * keep)) << (8 * c);
        }
        std::memcpy(pixels + 4 * x, &result, 4);
    });
}

}  // namespace

void paintColor(BitmapBuilder& target, std::array<std::uint8_t, 4> premultipliedColor, const AlphaPlane& coverage)
{
    if (coverage.width != target.width() || coverage.height != target.height())
        return;
    parallelRows(target.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y)
            paintRow(target.row(y), coverage.row(y), target.width(), premultipliedColor);
    });
}

}  // namespace velmaris
