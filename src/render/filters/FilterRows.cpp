#include "render/filters/FilterRows.h"

#include <algorithm>
#include <cstring>

namespace velmaris {

ClampedBand::ClampedBand(const Bitmap& image, int firstRow, int endRow, int pad)
    : firstRow_(firstRow), pad_(pad), rowBytes_(4 * std::size_t(image.width() + 2 * pad))
{
    const int width = image.width();
    const int rows = endRow - firstRow + 2 * pad;
    bytes_.resize(std::size_t(rows) * rowBytes_);
    for (int i = 0; i < rows; ++i) {
        const int sourceRow = std::clamp(firstRow - pad + i, 0, image.height() - 1);
        const std::uint8_t* source = image.row(sourceRow);
        std::uint8_t* target = bytes_.data() + std::size_t(i) * rowBytes_;
        for (int x = 0; x < pad; ++x) {
            std::memcpy(target + 4 * x, source, 4);
            std::memcpy(target + 4 * std::size_t(pad + width + x), source + 4 * std::size_t(width - 1), 4);
        }
        std::memcpy(target + 4 * std::size_t(pad), source, 4 * std::size_t(width));
    }
}

}  // namespace velmaris
