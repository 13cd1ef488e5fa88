#include "render/filters/ColorMapping.h"

#include "render/filters/ColorMath.h"

#include <array>

namespace velmaris {

namespace {

// 1/alpha for every alpha byte (0 for transparent), so un-premultiplying needs no division.
const std::array<float, 256>& reciprocalAlphas()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int a = 1; a < 256; ++a)
            values[a] = 1.0f / float(a);
        return values;
    }();
    return table;
}

}  // namespace

void unpremultiplyRow(const std::uint8_t* pixels, ColorRow& row)
{
    const auto& reciprocal = reciprocalAlphas();
    for (int x = 0; x < row.width; ++x) {
        const std::uint8_t* p = pixels + 4 * x;
        const float scale = reciprocal[p[3]];
        row.r[x] = float(p[0]) * scale;
        row.g[x] = float(p[1]) * scale;
        row.b[x] = float(p[2]) * scale;
        row.a[x] = float(p[3]) * (1.0f / 255.0f);
    }
}

void premultiplyRow(const ColorRow& row, std::uint8_t* pixels)
{
    for (int x = 0; x < row.width; ++x) {
        // Rounding alpha first and scaling colour by the rounded value keeps every component <= alpha.
        const float alpha = float(int(clampUnit(row.a[x]) * 255.0f + 0.5f));
        std::uint8_t* p = pixels + 4 * x;
        p[0] = std::uint8_t(int(clampUnit(row.r[x]) * alpha + 0.5f));
        p[1] = std::uint8_t(int(clampUnit(row.g[x]) * alpha + 0.5f));
        p[2] = std::uint8_t(int(clampUnit(row.b[x]) * alpha + 0.5f));
        p[3] = std::uint8_t(alpha);
    }
}

}  // namespace velmaris
