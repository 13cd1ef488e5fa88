#include "render/filters/BokehBlurFilter.h"

#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"
#include "render/filters/FilterRows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velmaris {

namespace {

// The cost grows with the radius; larger discs would take minutes on big images.
constexpr int kMaxRadius = 150;
// Columns done together: the running sums of a band's rows over one strip stay in the L2 cache.
constexpr int kStrip = 256;

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

// Running sums of a widened row: sums[4 * i + c] is the sum of channel c over pixels before i. The
// four sums stay in one register; kept in memory, each step would wait on its own stores.
void prefixSums(const std::uint8_t* row, int pixels, std::uint32_t* sums)
{
    using Sums4 = std::uint32_t __attribute__((vector_size(16)));
    Sums4 running{};
    for (int i = 0; i < pixels; ++i) {
        std::memcpy(sums + 4 * i, &running, sizeof running);
        const std::uint8_t* pixel = row + 4 * i;
        running += Sums4{pixel[0], pixel[1], pixel[2], pixel[3]};
    }
    std::memcpy(sums + 4 * std::size_t(pixels), &running, sizeof running);
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
    auto output = BitmapBuilder::createUninitialized(width, height);
    if (!output)
        return input;

    const std::vector<int> halfWidths = discHalfWidths(discRadius, reach);
    std::uint32_t area = 0;
    for (const int halfWidth : halfWidths)
        area += std::uint32_t(2 * halfWidth + 1);
    const float scale = 1.0f / float(area);
    // Each disc row is a difference of two running sums, so a pixel costs O(radius). The sums are
    // taken strip by strip; a sum of a span is the same whichever pixel its running sums start at.
    parallelRows(height, [&](int begin, int end) {
        const ClampedBand band(input, begin, end, reach);
        const int bandRows = end - begin + 2 * reach;
        const std::size_t sumValues = 4 * std::size_t(kStrip + 2 * reach + 1);
        std::vector<std::uint32_t> sums(sumValues * bandRows), acc(4 * kStrip);
        std::vector<float> values(4 * kStrip);
        for (int x0 = 0; x0 < width; x0 += kStrip) {
            const int values4 = 4 * std::min(kStrip, width - x0);
            for (int i = 0; i < bandRows; ++i)
                prefixSums(band.row(begin - reach + i) + 4 * (x0 - reach), values4 / 4 + 2 * reach,
                           sums.data() + sumValues * i);
            for (int y = begin; y < end; ++y) {
                std::fill_n(acc.begin(), values4, 0u);
                for (int dy = -reach; dy <= reach; ++dy) {
                    const int halfWidth = halfWidths[dy + reach];
                    const std::uint32_t* rowSums = sums.data() + sumValues * (y + dy - begin + reach);
                    addSpan(rowSums + 4 * (reach + halfWidth + 1), rowSums + 4 * (reach - halfWidth), acc.data(),
                            values4);
                }
                scaleSums(acc.data(), scale, values.data(), values4);
                narrowToBytes<true>(values.data(), output->row(y) + 4 * x0, values4);
            }
        }
    }, 64);
    return std::move(*output).build();
}

}  // namespace velmaris
