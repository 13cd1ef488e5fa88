#include "files/FlattenOnWhite.h"

#include "render/Parallel.h"

namespace velmaris {

Bitmap flattenedOnWhite(const Bitmap& image)
{
    std::optional<BitmapBuilder> builder = BitmapBuilder::createUninitialized(image.width(), image.height());
    if (!builder)
        return image;
    const int bytesPerRow = image.width() * 4;
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* in = image.row(y);
            std::uint8_t* out = builder->row(y);
            // Premultiplied source over white: c + 255 − alpha, which also makes alpha 255.
            for (int i = 0; i < bytesPerRow; i += 4) {
                const std::uint8_t clear = std::uint8_t(255 - in[i + 3]);
                out[i + 0] = std::uint8_t(in[i + 0] + clear);
                out[i + 1] = std::uint8_t(in[i + 1] + clear);
                out[i + 2] = std::uint8_t(in[i + 2] + clear);
                out[i + 3] = 255;
            }
        }
    });
    return std::move(*builder).build();
}

}  // namespace velmaris
