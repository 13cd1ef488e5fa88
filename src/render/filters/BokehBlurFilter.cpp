#include "render/filters/BokehBlurFilter.h"

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

// The cost grows with the radius; larger discs would take minutes on big images.
constexpr int kMaxRadius = 150;

// Half-widths of the disc's rows, from dy = -rows to +rows; none wider than `rows`.
std::vector<int> discHalfWidths(double radius, int rows)
{
    std::vector<int> halfWidths;
    for (int dy = -rows; dy <= rows; ++dy) {
        const double halfWidth = std::sqrt(std::max(0.0, radius * radius - double(dy) * dy));
        halfWidths.push_back(std::min(int(std::lround(halfWidth)), rows));
    }
    return halfWidths;
}

// Running sums of a widened row: sums[4 * i + c] is the sum of channel c over pixels before i.
void prefixSums(const std::uint8_t* row, int pixels, std::uint32_t* sums)
{
    std::uint32_t running[4] = {0, 0, 0, 0};
    for (int i = 0; i <= pixels; ++i) {
        for (int c = 0; c < 4; ++c)
            sums[4 * i + c] = running[c];
        if (i < pixels)
            for (int c = 0; c < 4; ++c)
                running[c] += row[4 * i + c];
    }
}

// sums[i] += after[i] − before[i]: one disc row, as the difference of two running sums.
void addSpan(const std::uint32_t* __restrict after, const std::uint32_t* __restrict before,
                               std::uint32_t* __restrict sums, int count)
{
    forEachIndex(count, [=](int i) { sums[i] += after[i] - before[i]; });
}

void scaleSums(const std::uint32_t* __restrict sums, float scale, float* __restrict means, int count)
{
    forEachIndex(count, [=](int i) { means[i] = float(sums[i]) * scale; });
}

}  // namespace

Bitmap bokehBlurFilter(const Bitmap& input, double radius)
{
    if (input.isNull() || !(radius >= 0.5))
        return input;
    const int width = input.width(), height = input.height();
    const double discRadius = std::min(radius, double(kMaxRadius));
    const int reach = int(discRadius);
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;

    const std::vector<int> halfWidths = discHalfWidths(discRadius, reach);
    std::uint32_t area = 0;
    for (const int halfWidth : halfWidths)
        area += std::uint32_t(2 * halfWidth + 1);
    const float scale = 1.0f / float(area);
    // Each disc row is a difference of two running sums, so a pixel costs O(radius).
    const int widened = width + 2 * reach;
    const std::size_t sumValues = 4 * std::size_t(widened + 1);
    parallelRows(height, [&](int begin, int end) {
        const ClampedBand band(input, begin, end, reach);
        const int bandRows = end - begin + 2 * reach;
        std::vector<std::uint32_t> sums(sumValues * bandRows);
        for (int i = 0; i < bandRows; ++i)
            prefixSums(band.row(begin - reach + i) - 4 * reach, widened, sums.data() + sumValues * i);
        std::vector<std::uint32_t> acc(4 * std::size_t(width));
        std::vector<float> values(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            std::fill(acc.begin(), acc.end(), 0u);
            for (int dy = -reach; dy <= reach; ++dy) {
                const int halfWidth = halfWidths[dy + reach];
                const std::uint32_t* rowSums = sums.data() + sumValues * (y + dy - begin + reach);
                addSpan(rowSums + 4 * (reach + halfWidth + 1), rowSums + 4 * (reach - halfWidth), acc.data(),
                        4 * width);
            }
            scaleSums(acc.data(), scale, values.data(), 4 * width);
            narrowToBytes<true>(values.data(), output->row(y), 4 * width);
        }
    }, 32);
    return std::move(*output).build();
}

}  // namespace velmaris
