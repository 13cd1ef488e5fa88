#include "render/FloodFill.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cstring>
#include <vector>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

namespace {

// States of a plane pixel while filling; the rim adds values between kOutside and kFilled.
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

#ifdef __SSE4_1__
// Four pixels at a time; returns how many were marked. The compiler does not vectorise the
// per-pixel maximum over interleaved bytes on its own.
int markFours(const std::uint8_t* pixels, std::uint8_t* marks, int width, const std::uint8_t* seed, int threshold,
              std::uint8_t match)
{
    int packedSeed;
    std::memcpy(&packedSeed, seed, 4);
    const __m128i seeds = _mm_set1_epi32(packedSeed);
    const __m128i bound = _mm_set1_epi32(threshold + 1);
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    const __m128i gather = _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i value = _mm_set1_epi8(char(match));
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * x));
        __m128i distance = _mm_or_si128(_mm_subs_epu8(four, seeds), _mm_subs_epu8(seeds, four));
        distance = _mm_max_epu8(distance, _mm_srli_epi32(distance, 16));
        distance = _mm_and_si128(_mm_max_epu8(distance, _mm_srli_epi32(distance, 8)), lowByte);
        const __m128i within = _mm_cmpgt_epi32(bound, distance);
        const int packed = _mm_cvtsi128_si32(_mm_and_si128(_mm_shuffle_epi8(within, gather), value));
        std::memcpy(marks + x, &packed, 4);
    }
    return x;
}
#else
int markFours(const std::uint8_t*, std::uint8_t*, int, const std::uint8_t*, int, std::uint8_t)
{
    return 0;
}
#endif

// Marks every pixel within `threshold` of the seed as `match`, on every core.
void markMatches(const QImage& image, const std::uint8_t* seed, int threshold, std::uint8_t match, AlphaPlane& plane)
{
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* pixels = image.constScanLine(y);
            std::uint8_t* marks = plane.row(y);
            for (int x = markFours(pixels, marks, image.width(), seed, threshold, match); x < image.width(); ++x)
                marks[x] = componentDistance(pixels + 4 * x, seed) <= threshold ? match : kOutside;
        }
    });
}

#ifdef __SSE4_1__
// Whether any of the 16 pixels from x on (all with both side neighbours in the row) is unfilled
// beside a filled one.
bool rimCandidates(const std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below, int x)
{
    const __m128i filled = _mm_set1_epi8(char(kFilled));
    auto isFilled = [&](const std::uint8_t* at) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), filled);
    };
    __m128i beside = _mm_or_si128(isFilled(row + x - 1), isFilled(row + x + 1));
    if (above)
        beside = _mm_or_si128(beside, isFilled(above + x));
    if (below)
        beside = _mm_or_si128(beside, isFilled(below + x));
    return _mm_movemask_epi8(_mm_andnot_si128(isFilled(row + x), beside)) != 0;
}
constexpr int kRimBlock = 16;
#else
bool rimCandidates(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, int)
{
    return true;
}
constexpr int kRimBlock = 1;
#endif

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

// The region with a rim: outside pixels beside a filled one get (255 − d) / (255 − threshold) of
// full coverage, d being their distance from the seed colour. Read from `filled`, written to a copy,
// so that no band reads a row another band writes.
AlphaPlane withRim(const QImage& image, const std::uint8_t* seed, int threshold, const AlphaPlane& filled)
{
    AlphaPlane plane = filled;
    const int width = plane.width, height = plane.height;
    parallelRows(height, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            std::uint8_t* out = plane.row(y);
            const std::uint8_t* row = filled.row(y);
            const std::uint8_t* above = y > 0 ? filled.row(y - 1) : nullptr;
            const std::uint8_t* below = y + 1 < height ? filled.row(y + 1) : nullptr;
            const std::uint8_t* pixels = image.constScanLine(y);
            auto rimAt = [&](int x) {
                if (row[x] == kFilled)
                    return;
                const bool besideFill = (x > 0 && row[x - 1] == kFilled) || (x + 1 < width && row[x + 1] == kFilled) ||
                                        (above && above[x] == kFilled) || (below && below[x] == kFilled);
                if (!besideFill)
                    return;
                const int distance = componentDistance(pixels + 4 * x, seed);
                out[x] = std::uint8_t(std::max(0, 255 - distance) * 255 / (255 - threshold));
            };
            // Most blocks hold no rim pixel and are passed over whole.
            int x = 0;
            if (width > kRimBlock + 1) {
                rimAt(x++);
                for (; x + kRimBlock < width; x += kRimBlock)
                    if (rimCandidates(row, above, below, x))
                        for (int k = x; k < x + kRimBlock; ++k)
                            rimAt(k);
            }
            for (; x < width; ++x)
                rimAt(x);
        }
    });
    return plane;
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
        return withRim(image, seedPixel, threshold, plane);
    return plane;
}

}  // namespace velmaris
