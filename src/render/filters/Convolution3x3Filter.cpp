#include "render/filters/Convolution3x3Filter.h"

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

// One output row: sums[i] = bias + the weighted 3 × 3 neighbourhood of byte i (4 bytes a pixel).
void convolveRow(const float* __restrict above, const float* __restrict here, const float* __restrict below,
                 const std::array<float, 9>& weights, float bias, float* __restrict sums, int count)
{
    float w[9];
    std::copy(weights.begin(), weights.end(), w);
    forEachIndex(count, [=](int i) {
        sums[i] = bias + w[0] * above[i - 4] + w[1] * above[i] + w[2] * above[i + 4] + w[3] * here[i - 4]
            + w[4] * here[i] + w[5] * here[i + 4] + w[6] * below[i - 4] + w[7] * below[i] + w[8] * below[i + 4];
    });
}

}  // namespace

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
        // Each source row is widened to float once, not once for each of its nine uses.
        const ClampedBand band(input, begin, end, 1);
        const std::size_t padded = 4 * std::size_t(width + 2);
        std::vector<float> rows(std::size_t(end - begin + 2) * padded);
        for (int y = begin - 1; y <= end; ++y)
            widenBytes(band.row(y) - 4, rows.data() + std::size_t(y - begin + 1) * padded, int(padded));
        const auto rowAt = [&](int y) { return rows.data() + std::size_t(y - begin + 1) * padded + 4; };
        std::vector<float> values(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            convolveRow(rowAt(y - 1), rowAt(y), rowAt(y + 1), w, offset, values.data(), 4 * width);
            narrowToBytes<true>(values.data(), output->row(y), 4 * width);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
