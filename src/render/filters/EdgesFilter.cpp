#include "render/filters/EdgesFilter.h"

#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"
#include "render/filters/FilterRows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmaris {

namespace {

// gain × the Sobel gradient magnitude of each byte of a row, from the padded rows around it.
void sobelRow(const std::uint8_t* __restrict above, const std::uint8_t* __restrict here,
                                const std::uint8_t* __restrict below, float gain, float* __restrict magnitudes,
                                int count)
{
    forEachIndex(count, [=](int i) {
        const float across = float(above[i + 4]) + 2.0f * float(here[i + 4]) + float(below[i + 4])
            - float(above[i - 4]) - 2.0f * float(here[i - 4]) - float(below[i - 4]);
        const float down = float(below[i - 4]) + 2.0f * float(below[i]) + float(below[i + 4])
            - float(above[i - 4]) - 2.0f * float(above[i]) - float(above[i + 4]);
        magnitudes[i] = gain * std::sqrt(across * across + down * down);
    });
}

}  // namespace

Bitmap edgesFilter(const Bitmap& input, double intensity)
{
    if (input.isNull())
        return input;
    const float gain = std::isfinite(intensity) ? float(std::clamp(intensity, 0.0, 1e6)) : 0.0f;
    const int width = input.width(), height = input.height();
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;
    parallelRows(height, [&](int begin, int end) {
        // Premultiplied colour is the colour over black, which is the background here.
        const ClampedBand band(input, begin, end, 1);
        std::vector<float> values(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            float* magnitudes = values.data();
            sobelRow(band.row(y - 1), band.row(y), band.row(y + 1), gain, magnitudes, 4 * width);
            for (int x = 0; x < width; ++x)
                magnitudes[4 * x + 3] = 255.0f;
            narrowToBytes<true>(magnitudes, output->row(y), 4 * width);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
