#include "render/filters/MedianFilter.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"
#include "render/filters/FilterRows.h"

#include <algorithm>
#include <cstdint>

namespace velmaris {

namespace {

[[gnu::always_inline]] inline void order(std::uint8_t& low, std::uint8_t& high)
{
    const std::uint8_t smaller = std::min(low, high);
    high = std::max(low, high);
    low = smaller;
}

// Median of nine by a fixed exchange network: branch-free, so the compiler runs it on 16 bytes at once.
[[gnu::always_inline]] inline std::uint8_t medianOfNine(std::uint8_t p0, std::uint8_t p1, std::uint8_t p2,
                                                       std::uint8_t p3, std::uint8_t p4, std::uint8_t p5,
                                                       std::uint8_t p6, std::uint8_t p7, std::uint8_t p8)
{
    // Sort each column of three…
    order(p0, p1), order(p1, p2), order(p0, p1);
    order(p3, p4), order(p4, p5), order(p3, p4);
    order(p6, p7), order(p7, p8), order(p6, p7);
    // …then the median is the median of the largest minimum, the middle median and the smallest maximum.
    const std::uint8_t largestMin = std::max(std::max(p0, p3), p6);
    const std::uint8_t smallestMax = std::min(std::min(p2, p5), p8);
    std::uint8_t a = p1, b = p4, c = p7;
    order(a, b), order(b, c), order(a, b);
    std::uint8_t low = largestMin, mid = b, high = smallestMax;
    order(low, mid), order(mid, high), order(low, mid);
    return mid;
}

// One output row from the three padded source rows around it (4 bytes a pixel). Kept out of line
// with its own __restrict pointers (and the network forced inline): otherwise GCC leaves it scalar.
[[gnu::noinline]] void medianRow(const std::uint8_t* __restrict above, const std::uint8_t* __restrict here,
                                 const std::uint8_t* __restrict below, std::uint8_t* __restrict target, int count)
{
    forEachIndex(count, [=](int i) __attribute__((always_inline)) {
        target[i] = medianOfNine(above[i - 4], here[i - 4], below[i - 4], above[i], here[i], below[i], above[i + 4],
                                 here[i + 4], below[i + 4]);
    });
}

}  // namespace

Bitmap medianFilter(const Bitmap& input)
{
    if (input.isNull())
        return input;
    const int width = input.width(), height = input.height();
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;
    parallelRows(height, [&](int begin, int end) {
        const ClampedBand band(input, begin, end, 1);
        for (int y = begin; y < end; ++y)
            medianRow(band.row(y - 1), band.row(y), band.row(y + 1), output->row(y), 4 * width);
    });
    return std::move(*output).build();
}

}  // namespace velmaris
