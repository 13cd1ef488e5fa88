#include "files/FlattenOnWhite.h"

#include "render/Parallel.h"

namespace velmaris {

void flattenRowOnWhite(const std::uint8_t* in, std::uint8_t* out, int width)
{
    // Premultiplied source over white: c + 255 − alpha, which also makes alpha 255.
    for (int i = 0; i < 4 * width; i += 4) {
        const std::uint8_t clear = std::uint8_t(255 - in[i + 3]);
        out[i + 0] = std::uint8_t(in[i + 0] + clear);
        out[i + 1] = std::uint8_t(in[i + 1] + clear);
        out[i + 2] = std::uint8_t(in[i + 2] + clear);
        out[i + 3] = 255;
    }
}

Bitmap flattenedOnWhite(const Bitmap& image)
{
    std::optional<BitmapBuilder> builder = BitmapBuilder::createUninitialized(image.width(), image.height());
    if (!builder)
        return image;
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y)
            flattenRowOnWhite(image.row(y), builder->row(y), image.width());
    });
    return std::move(*builder).build();
}

}  // namespace velmaris
