#include "render/Morphology.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmaris {

namespace {

// For each half-width k of the disc's rows, the vertical offsets |dy| whose row is exactly that
// wide: the pixels with dx² + dy² <= r².
std::vector<std::vector<int>> offsetsByHalfWidth(double radius)
{
    const int reach = int(std::floor(radius));
    std::vector<std::vector<int>> offsets(reach + 1);
    for (int dy = 0; dy <= reach; ++dy) {
        // The small tolerance keeps exact squares (r = 5, dy = 3) from rounding down.
        const int halfWidth = int(std::floor(std::sqrt(radius * radius - double(dy) * dy) + 1e-9));
        offsets[halfWidth].push_back(dy);
    }
    return offsets;
}

// out[x] = max(in[x − 1], in[x], in[x + 1]); in[−1] and in[width] are the zero outside.
void growByOne(const std::uint8_t* __restrict in, std::uint8_t* __restrict out, int width)
{
    forEachIndex(width, [&](int x) { out[x] = std::max(std::max(in[x - 1], in[x]), in[x + 1]); });
}

void maximumInto(std::uint8_t* __restrict target, const std::uint8_t* __restrict source, int width)
{
    forEachIndex(width, [&](int x) { target[x] = std::max(target[x], source[x]); });
}

}  // namespace

// The disc is the union of its rows. Every source row is widened step by step (one pixel per
// step, 16 bytes per instruction) and, at each width, folded into the output rows whose disc row
// at that vertical distance has that half-width.
void morphologyMaximum(AlphaPlane& plane, double radius)
{
    if (!(radius > 0) || plane.width < 1 || plane.height < 1)
        return;
    // A disc wider than the diagonal covers nothing more.
    radius = std::min(radius, std::hypot(plane.width, plane.height) + 1);
    const auto offsets = offsetsByHalfWidth(radius);
    const int reach = int(offsets.size()) - 1;
    std::vector<int> halfWidthAt(reach + 1);
    for (int k = 0; k <= reach; ++k)
        for (int dy : offsets[k])
            halfWidthAt[dy] = k;

    const AlphaPlane source = plane;
    const int width = plane.width;
    parallelRows(
        plane.height,
        [&](int firstRow, int endRow) {
            for (int y = firstRow; y < endRow; ++y)
                std::fill(plane.row(y), plane.row(y) + width, 0);
            // Zero borders stand for the outside.
            std::vector<std::uint8_t> bufferA(width + 2), bufferB(width + 2);
            const int firstSource = std::max(0, firstRow - reach);
            const int endSource = std::min(plane.height, endRow + reach);
            for (int j = firstSource; j < endSource; ++j) {
                std::uint8_t* current = bufferA.data() + 1;
                std::uint8_t* next = bufferB.data() + 1;
                std::copy(source.row(j), source.row(j) + width, current);
                const int nearest = j < firstRow ? firstRow - j : (j >= endRow ? j - endRow + 1 : 0);
                const int widest = halfWidthAt[nearest];
                for (int k = 0;; ++k) {
                    for (int dy : offsets[k]) {
                        if (j - dy >= firstRow && j - dy < endRow)
                            maximumInto(plane.row(j - dy), current, width);
                        if (dy > 0 && j + dy >= firstRow && j + dy < endRow)
                            maximumInto(plane.row(j + dy), current, width);
                    }
                    if (k == widest)
                        break;
                    if (k < width) {  // wider than the plane, the row no longer changes
                        growByOne(current, next, width);
                        std::swap(current, next);
                    }
                }
            }
        },
        std::clamp(2 * reach, 16, 256));
}

}  // namespace velmaris
