#include "render/FloodFill.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmaris {

namespace {

// States of a plane pixel while filling; the rim later writes values below kFilled.
constexpr std::uint8_t kOutside = 0;
constexpr std::uint8_t kMatching = 1;
constexpr std::uint8_t kFilled = 255;

inline int componentDistance(const std::uint8_t* pixel, const std::uint8_t* seed)
{
    int distance = 0;
    for (int c = 0; c < 4; ++c)
        distance = std::max(distance, std::abs(int(pixel[c]) - int(seed[c])));
    return distance;
}

// Marks every pixel within `threshold` of the seed as `match`, on every core.
void markMatches(const QImage& image, const std::uint8_t* seed, int threshold, std::uint8_t match, AlphaPlane& plane)
{
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* pixels = image.constScanLine(y);
            std::uint8_t* marks = plane.row(y);
            forEachIndex(image.width(), [&](int x) {
                marks[x] = componentDistance(pixels + 4 * x, seed) <= threshold ? match : kOutside;
            });
        }
    });
}

// Scanline fill over the marked plane: each popped seed grows into its whole matching run, and
// the runs above and below it push one seed each. Filling turns kMatching into kFilled.
void fillFrom(AlphaPlane& plane, QPoint start)
{
    struct Seed {
        int x, y;
    };
    std::vector<Seed> stack{{start.x(), start.y()}};
    const int width = plane.width;
    auto pushRuns = [&](int y, int left, int right) {
        if (y < 0 || y >= plane.height)
            return;
        const std::uint8_t* row = plane.row(y);
        for (int x = left; x <= right; ++x) {
            if (row[x] != kMatching)
                continue;
            stack.push_back({x, y});
            while (x <= right && row[x] == kMatching)
                ++x;
        }
    };
    while (!stack.empty()) {
        const Seed seed = stack.back();
        stack.pop_back();
        std::uint8_t* row = plane.row(seed.y);
        if (row[seed.x] != kMatching)
            continue;
        int left = seed.x, right = seed.x;
        while (left > 0 && row[left - 1] == kMatching)
            --left;
        while (right + 1 < width && row[right + 1] == kMatching)
            ++right;
        std::memset(row + left, kFilled, std::size_t(right - left + 1));
        pushRuns(seed.y - 1, left, right);
        pushRuns(seed.y + 1, left, right);
    }
}

// Outside pixels beside a filled one get (255 − d) / (255 − threshold) of full coverage, d being
// their distance from the seed colour. Rim values stay below kFilled, so rows read while others
// are written see the same filled pixels on every run.
void addRim(const QImage& image, const std::uint8_t* seed, int threshold, AlphaPlane& plane)
{
    const int width = plane.width, height = plane.height;
    parallelRows(height, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            std::uint8_t* row = plane.row(y);
            const std::uint8_t* above = y > 0 ? plane.row(y - 1) : nullptr;
            const std::uint8_t* below = y + 1 < height ? plane.row(y + 1) : nullptr;
            const std::uint8_t* pixels = image.constScanLine(y);
            for (int x = 0; x < width; ++x) {
                if (row[x] == kFilled)
                    continue;
                const bool besideFill = (x > 0 && row[x - 1] == kFilled) || (x + 1 < width && row[x + 1] == kFilled) ||
                                        (above && above[x] == kFilled) || (below && below[x] == kFilled);
                if (!besideFill)
                    continue;
                const int distance = componentDistance(pixels + 4 * x, seed);
                row[x] = std::uint8_t(std::max(0, 255 - distance) * 255 / (255 - threshold));
            }
        }
    });
}

}  // namespace

AlphaPlane regionCoverage(const QImage& image, QPoint seed, const RegionSettings& settings)
{
    if (image.depth() != 32 || !image.rect().contains(seed))
        return {};
    AlphaPlane plane(image.width(), image.height());
    std::uint8_t seedPixel[4];
    std::memcpy(seedPixel, image.constScanLine(seed.y()) + 4 * seed.x(), 4);
    const int threshold = (std::clamp(settings.tolerance, 0, 100) * 255 + 50) / 100;
    if (settings.contiguous) {
        markMatches(image, seedPixel, threshold, kMatching, plane);
        fillFrom(plane, seed);
        parallelRows(plane.height, [&](int firstRow, int endRow) {
            for (int y = firstRow; y < endRow; ++y) {
                std::uint8_t* row = plane.row(y);
                forEachIndex(plane.width, [&](int x) { row[x] = row[x] == kFilled ? kFilled : kOutside; });
            }
        });
    } else {
        markMatches(image, seedPixel, threshold, kFilled, plane);
    }
    if (settings.antiAliased && threshold < 255)
        addRim(image, seedPixel, threshold, plane);
    return plane;
}

}  // namespace velmaris
