#include "render/Morphology.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
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

// The disc is the union of its rows. Every source row is widened step by step (one pixel per
// step, 16 bytes per instruction) and, at each width, folded into the output rows whose disc row
// at that vertical distance has that half-width. Exact, but the cost grows with the radius.
void maximumByRows(AlphaPlane& plane, double radius)
{
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

// Up to this reach the row method is cheaper than the distance transforms below.
constexpr int kRowMethodReach = 16;
// Planes of effects are at most kMaxBitmapSide tall, so a row index fits in 16 bits.
constexpr std::uint16_t kNoSite = 0xFFFF;
constexpr int kColumnBand = 64;

// A rectangle of the plane: columns [x0, x1), rows [y0, y1).
struct Area {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    int width() const { return x1 - x0; }
    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
};

// How many pixels have each value, and the smallest area holding every non-zero one.
struct PlaneSurvey {
    std::array<std::int64_t, 256> counts{};
    Area nonZero{INT_MAX, -1, INT_MAX, -1};
};

PlaneSurvey survey(const AlphaPlane& plane)
{
    PlaneSurvey total;
    std::mutex mutex;
    parallelRows(plane.height, [&](int firstRow, int endRow) {
        PlaneSurvey local;
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* values = plane.row(y);
            int first = -1, last = -1;
            for (int x = 0; x < plane.width; ++x) {
                ++local.counts[values[x]];
                if (values[x]) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            }
            if (first >= 0)
                local.nonZero = {std::min(local.nonZero.x0, first), std::max(local.nonZero.x1, last + 1),
                                 std::min(local.nonZero.y0, y), y + 1};
        }
        std::lock_guard lock(mutex);
        for (int v = 0; v < 256; ++v)
            total.counts[v] += local.counts[v];
        total.nonZero = {std::min(total.nonZero.x0, local.nonZero.x0), std::max(total.nonZero.x1, local.nonZero.x1),
                         std::min(total.nonZero.y0, local.nonZero.y0), std::max(total.nonZero.y1, local.nonZero.y1)};
    });
    return total;
}

// For every pixel of `rows` × the columns of `sites` (which holds every set pixel), the row of the
// nearest set pixel in its column, or kNoSite; row-major, sites.width() per row.
template <typename InSet>
std::vector<std::uint16_t> nearestRowsInColumns(const AlphaPlane& plane, const Area& sites, int firstRow,
                                                int endRow, InSet inSet)
{
    const int width = sites.width();
    std::vector<std::uint16_t> nearest(std::size_t(width) * (endRow - firstRow));
    parallelRows((width + kColumnBand - 1) / kColumnBand, [&](int firstBand, int endBand) {
        const int x0 = firstBand * kColumnBand, x1 = std::min(width, endBand * kColumnBand);
        std::vector<int> seen(x1 - x0, -1);
        // Downwards the last one above, then upwards whichever is nearer; rows are walked whole.
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* values = plane.row(y) + sites.x0;
            std::uint16_t* target = nearest.data() + std::size_t(y - firstRow) * width;
            for (int x = x0; x < x1; ++x) {
                if (inSet(values[x]))
                    seen[x - x0] = y;
                target[x] = seen[x - x0] < 0 ? kNoSite : std::uint16_t(seen[x - x0]);
            }
        }
        std::fill(seen.begin(), seen.end(), -1);
        for (int y = endRow - 1; y >= firstRow; --y) {
            const std::uint8_t* values = plane.row(y) + sites.x0;
            std::uint16_t* target = nearest.data() + std::size_t(y - firstRow) * width;
            for (int x = x0; x < x1; ++x) {
                if (inSet(values[x]))
                    seen[x - x0] = y;
                const int below = seen[x - x0];
                if (below >= 0 && (target[x] == kNoSite || below - y < y - target[x]))
                    target[x] = std::uint16_t(below);
            }
        }
    });
    return nearest;
}

// The column of the nearest set pixel for every pixel of row y, or −1 when the set is empty: the
// lower envelope of the parabolas (x − q)² + h(q)², h being each column's vertical distance
// (Felzenszwalb and Huttenlocher). Linear in the width.
class RowEnvelope {
public:
    explicit RowEnvelope(int width) : columns_(width), bounds_(width + 1) {}

    // rows: the nearest row of each of `width` columns, the first at plane column `left`. Calls
    // visit(x, q) for x in [x0, x1) with q the nearest column (plane coordinates).
    template <typename Visit>
    void forEachNearest(const std::uint16_t* rows, int width, int left, int y, int x0, int x1, Visit visit)
    {
        const auto height = [&](int q) {
            const double h = double(y) - rows[q], position = q + left;
            return h * h + position * position;
        };
        int k = -1;
        for (int q = 0; q < width; ++q) {
            if (rows[q] == kNoSite)
                continue;
            double crossing = -std::numeric_limits<double>::infinity();
            while (k >= 0) {
                crossing = (height(q) - height(columns_[k])) / (2.0 * (q - columns_[k]));
                if (crossing > bounds_[k])
                    break;
                --k;
            }
            ++k;
            columns_[k] = q;
            bounds_[k] = k == 0 ? -std::numeric_limits<double>::infinity() : crossing;
        }
        if (k < 0)
            return;
        for (int x = x0, segment = 0; x < x1; ++x) {
            while (segment < k && bounds_[segment + 1] < x)
                ++segment;
            visit(x, columns_[segment] + left);
        }
    }

private:
    std::vector<int> columns_;
    std::vector<double> bounds_;  // where each parabola of the envelope starts to be the lowest
};

// Raises every pixel of `reach` within the radius of a set pixel to value(site), where site is the
// nearest set pixel; every set pixel lies in `sites`.
template <typename InSet, typename Value>
void raiseNearSet(AlphaPlane& plane, const AlphaPlane& source, const Area& sites, const Area& reach,
                  double radiusSquared, InSet inSet, Value value)
{
    const std::vector<std::uint16_t> rows = nearestRowsInColumns(source, sites, reach.y0, reach.y1, inSet);
    const int width = sites.width();
    parallelRows(reach.y1 - reach.y0, [&](int firstRow, int endRow) {
        RowEnvelope envelope(width);
        for (int y = reach.y0 + firstRow; y < reach.y0 + endRow; ++y) {
            const std::uint16_t* columnRows = rows.data() + std::size_t(y - reach.y0) * width;
            std::uint8_t* target = plane.row(y);
            envelope.forEachNearest(columnRows, width, sites.x0, y, reach.x0, reach.x1, [&](int x, int q) {
                const int row = columnRows[q - sites.x0];
                const double dx = x - q, dy = y - row;
                if (dx * dx + dy * dy <= radiusSquared)
                    target[x] = std::max(target[x], value(source.row(row)[q]));
            });
        }
    });
}

// A set pixel of value v reaches every pixel within the radius, so the maximum over the disc is
// the largest value whose set lies within the radius: one distance transform per value, linear
// in the pixels whatever the radius, and only over the non-zero pixels' area grown by the radius.
// A plane of one or two distinct non-zero values gets one transform each and is grown exactly.
// Otherwise the most frequent value (the body of a shape) gets one, and every other pixel takes
// the value of its nearest non-zero pixel, which differs from the true maximum only in the
// outermost pixels of a soft edge.
void maximumByDistance(AlphaPlane& plane, double radius)
{
    const PlaneSurvey found = survey(plane);
    if (found.nonZero.isEmpty())
        return;
    const int r = int(std::floor(radius));
    const Area reach{std::max(0, found.nonZero.x0 - r), std::min(plane.width, found.nonZero.x1 + r),
                     std::max(0, found.nonZero.y0 - r), std::min(plane.height, found.nonZero.y1 + r)};
    std::vector<int> values;
    for (int v = 1; v < 256; ++v)
        if (found.counts[v] > 0)
            values.push_back(v);
    const bool exact = values.size() <= 2;
    if (!exact)
        values = {int(std::max_element(found.counts.begin() + 1, found.counts.end()) - found.counts.begin())};

    const AlphaPlane source = plane;
    std::fill(plane.values.begin(), plane.values.end(), 0);
    const double radiusSquared = radius * radius + 1e-9;
    for (int level : values)
        raiseNearSet(plane, source, found.nonZero, reach, radiusSquared, [level](std::uint8_t v) { return v == level; },
                     [level](std::uint8_t) { return std::uint8_t(level); });
    if (!exact)
        raiseNearSet(plane, source, found.nonZero, reach, radiusSquared, [](std::uint8_t v) { return v > 0; },
                     [](std::uint8_t v) { return v; });
}

}  // namespace

void morphologyMaximum(AlphaPlane& plane, double radius)
{
    if (!(radius > 0) || plane.width < 1 || plane.height < 1)
        return;
    // A disc wider than the diagonal covers nothing more.
    radius = std::min(radius, std::hypot(plane.width, plane.height) + 1);
    if (radius < kRowMethodReach + 1 || plane.height >= kNoSite)
        maximumByRows(plane, radius);
    else
        maximumByDistance(plane, radius);
}

}  // namespace velmaris
