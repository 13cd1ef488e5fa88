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

void storePremultipliedRow(const float* values, int width, std::uint8_t* out)
{
    // Written so that NaN lands on 0 rather than in an undefined conversion.
    for (int x = 0; x < width; ++x) {
        const float* pixel = values + 4 * x;
        const float alpha = pixel[3] > 0.0f ? std::min(pixel[3], 255.0f) : 0.0f;
        for (int c = 0; c < 3; ++c)
            out[4 * x + c] = std::uint8_t((pixel[c] > 0.0f ? std::min(pixel[c], alpha) : 0.0f) + 0.5f);
        out[4 * x + 3] = std::uint8_t(alpha + 0.5f);
    }
}

}  // namespace velmaris
