#include "render/DisplayImage.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <QColorSpace>

#include <bit>
#include <cstdint>
#include <cstring>

namespace velmaris {

QImage displayImage(const Bitmap& bitmap)
{
    if (bitmap.isNull())
        return {};
    if constexpr (std::endian::native != std::endian::little)
        return bitmap.image().convertToFormat(kDisplayFormat);
    QImage image(bitmap.size(), kDisplayFormat);
    if (image.isNull())
        return {};
    image.setColorSpace(bitmap.image().colorSpace());
    const int width = bitmap.width();
    // Taken once: scanLine() on the shared QImage from several threads would race in its detach.
    std::uint8_t* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    parallelRows(bitmap.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* source = bitmap.row(y);
            auto* target = reinterpret_cast<std::uint32_t*>(bits + y * stride);
            // Bytes R, G, B, A read as a little-endian word are 0xAABBGGRR; the display word is
            // 0xAARRGGBB, so red and blue swap places.
            forEachIndex(width, [&](int x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, source + 4 * x, 4);
                target[x] = (pixel & 0xFF00FF00u) | ((pixel >> 16) & 0xFFu) | ((pixel & 0xFFu) << 16);
            });
        }
    });
    return image;
}

}  // namespace velmaris
