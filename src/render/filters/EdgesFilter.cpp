#include "render/filters/EdgesFilter.h"

#include "render/Parallel.h"
#include "render/filters/FilterRows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmaris {

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
            const std::uint8_t* __restrict above = band.row(y - 1);
            const std::uint8_t* __restrict here = band.row(y);
            const std::uint8_t* __restrict below = band.row(y + 1);
            float* __restrict magnitudes = values.data();
            for (int i = 0; i < 4 * width; ++i) {
                const float across = float(above[i + 4]) + 2.0f * float(here[i + 4]) + float(below[i + 4])
                    - float(above[i - 4]) - 2.0f * float(here[i - 4]) - float(below[i - 4]);
                const float down = float(below[i - 4]) + 2.0f * float(below[i]) + float(below[i + 4])
                    - float(above[i - 4]) - 2.0f * float(above[i]) - float(above[i + 4]);
                magnitudes[i] = gain * std::sqrt(across * across + down * down);
            }
            for (int x = 0; x < width; ++x)
                magnitudes[4 * x + 3] = 255.0f;
            storePremultipliedRow(magnitudes, width, output->row(y));
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
