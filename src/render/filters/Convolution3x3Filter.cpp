#include "render/filters/Convolution3x3Filter.h"

#include "render/Parallel.h"
#include "render/filters/FilterRows.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace velmaris {

Bitmap convolution3x3Filter(const Bitmap& input, const std::array<double, 9>& weights, double bias)
{
    if (input.isNull())
        return input;
    std::array<float, 9> w{};
    for (std::size_t k = 0; k < 9; ++k)
        w[k] = std::isfinite(weights[k]) ? float(weights[k]) : 0.0f;
    const float offset = std::isfinite(bias) ? float(bias * 255.0) : 0.0f;
    const int width = input.width(), height = input.height();
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;
    parallelRows(height, [&](int begin, int end) {
        const ClampedBand band(input, begin, end, 1);
        std::vector<float> values(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* __restrict above = band.row(y - 1);
            const std::uint8_t* __restrict here = band.row(y);
            const std::uint8_t* __restrict below = band.row(y + 1);
            float* __restrict sums = values.data();
            for (int i = 0; i < 4 * width; ++i)
                sums[i] = offset + w[0] * above[i - 4] + w[1] * above[i] + w[2] * above[i + 4]
                    + w[3] * here[i - 4] + w[4] * here[i] + w[5] * here[i + 4]
                    + w[6] * below[i - 4] + w[7] * below[i] + w[8] * below[i + 4];
            storePremultipliedRow(sums, width, output->row(y));
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
