#include "render/filters/ColorMapping.h"

#include "render/VectorLoop.h"
#include "render/filters/ColorMath.h"

#include <algorithm>

namespace velmaris {

void unpremultiplyRow(const std::uint8_t* pixels, ColorRow& row)
{
    forEachIndex(row.width, [&](int x) {
        const std::uint8_t* p = pixels + 4 * x;
        const float alpha = float(p[3]);
        // Transparent pixels have no colour (every component <= alpha = 0), so any scale gives black.
        const float scale = 1.0f / std::max(alpha, 1.0f);
        row.r[x] = float(p[0]) * scale;
        row.g[x] = float(p[1]) * scale;
        row.b[x] = float(p[2]) * scale;
        row.a[x] = alpha * (1.0f / 255.0f);
    });
}

void premultiplyRow(const ColorRow& row, std::uint8_t* pixels)
{
    forEachIndex(row.width, [&](int x) {
        // Rounding alpha first and scaling colour by the rounded value keeps every component <= alpha.
        const float alpha = float(int(bounded(row.a[x], 0.0f, 1.0f) * 255.0f + 0.5f));
        std::uint8_t* p = pixels + 4 * x;
        p[0] = std::uint8_t(int(bounded(row.r[x], 0.0f, 1.0f) * alpha + 0.5f));
        p[1] = std::uint8_t(int(bounded(row.g[x], 0.0f, 1.0f) * alpha + 0.5f));
        p[2] = std::uint8_t(int(bounded(row.b[x], 0.0f, 1.0f) * alpha + 0.5f));
        p[3] = std::uint8_t(alpha);
    });
}

}  // namespace velmaris
