#pragma once

#include "model/Bitmap.h"
#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <vector>

namespace velmaris {

// One row of pixels as un-premultiplied float planes in 0–1, so colour maths sees the true colour
// of semi-transparent pixels. `y` is the row's index in the image.
struct ColorRow {
    float* r;
    float* g;
    float* b;
    float* a;
    int width;
    int y;
};

// Splits premultiplied RGBA8 pixels into un-premultiplied planes (transparent pixels read as black).
void unpremultiplyRow(const std::uint8_t* pixels, ColorRow& row);
// Writes the planes back as premultiplied RGBA8; values are clamped to 0–1 and NaN reads as 0.
void premultiplyRow(const ColorRow& row, std::uint8_t* pixels);

// A new bitmap of the input's size whose rows went through body(ColorRow&), which may change any
// plane. Null only for a null input.
template <typename RowBody>
Bitmap mapColorRows(const Bitmap& input, RowBody&& body)
{
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!output)
        return {};
    const int width = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        std::vector<float> planes(std::size_t(width) * 4);
        ColorRow row{planes.data(), planes.data() + width, planes.data() + 2 * width, planes.data() + 3 * width,
                     width, 0};
        for (int y = first; y < end; ++y) {
            row.y = y;
            unpremultiplyRow(input.row(y), row);
            body(row);
            premultiplyRow(row, output->row(y));
        }
    });
    return std::move(*output).build();
}

// As mapColorRows for a per-pixel colour function pixel(r, g, b) that keeps alpha.
template <typename PixelBody>
Bitmap mapColors(const Bitmap& input, PixelBody&& pixel)
{
    return mapColorRows(input, [&](ColorRow& row) {
        forEachIndex(row.width, [&](int x) { pixel(row.r[x], row.g[x], row.b[x]); });
    });
}

}  // namespace velmaris
