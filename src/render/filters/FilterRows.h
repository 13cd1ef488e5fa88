#pragma once

#include "model/Bitmap.h"

#include <cstdint>
#include <vector>

namespace velmaris {

// Row helpers of the neighbourhood filters: source rows with the edge pixels repeated outwards,
// and luma.

// Rows [firstRow - pad, endRow + pad) of an image, each widened by `pad` pixels on both sides,
// with rows and columns beyond the image repeating its edge pixels.
class ClampedBand {
public:
    ClampedBand(const Bitmap& image, int firstRow, int endRow, int pad);

    // Pixel 0 of image row y (firstRow - pad <= y < endRow + pad); pixels -pad … width + pad - 1
    // may be read from it.
    const std::uint8_t* row(int y) const
    {
        return bytes_.data() + std::size_t(y - firstRow_ + pad_) * rowBytes_ + 4 * std::size_t(pad_);
    }

private:
    int firstRow_;
    int pad_;
    std::size_t rowBytes_;
    std::vector<std::uint8_t> bytes_;
};

// Rec. 709 luma of a premultiplied pixel (0–255 scale): the brightness the eye sees.
inline float lumaOf(const std::uint8_t* pixel)
{
    return 0.2126f * float(pixel[0]) + 0.7152f * float(pixel[1]) + 0.0722f * float(pixel[2]);
}

}  // namespace velmaris
