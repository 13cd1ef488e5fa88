#include "render/CoverageFill.h"

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

// x / 255 rounded to nearest, exact for 0 ≤ x ≤ 255 × 255.
inline std::uint32_t divide255(std::uint32_t x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

#ifdef __SSE4_1__
inline __m128i divide255(__m128i x)
{
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// Two pixels widened to 16-bit lanes: the weighted colour over the old pixels.
inline __m128i paintTwo(__m128i old, __m128i weights, __m128i color)
{
    const __m128i source = divide255(_mm_mullo_epi16(color, weights));
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(source, 0xFF), 0xFF);
    const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
    return _mm_add_epi16(source, divide255(_mm_mullo_epi16(old, keep)));
}

// Four pixels at a time; returns how many were painted. The compiler does not vectorise the
// per-pixel weight on its own.
int paintFours(std::uint8_t* pixels, const std::uint8_t* coverage, int width, const std::array<std::uint8_t, 4>& c)
{
    const __m128i color = _mm_setr_epi16(c[0], c[1], c[2], c[3], c[0], c[1], c[2], c[3]);
    const __m128i spread = _mm_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3);
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        int packed;
        __builtin_memcpy(&packed, coverage + x, 4);
        if (packed == 0)  // uncovered pixels stay exactly as they are
            continue;
        const __m128i weights = _mm_shuffle_epi8(_mm_cvtsi32_si128(packed), spread);
        auto* address = reinterpret_cast<__m128i*>(pixels + 4 * x);
        const __m128i old = _mm_loadu_si128(address);
        const __m128i low = paintTwo(_mm_unpacklo_epi8(old, zero), _mm_unpacklo_epi8(weights, zero), color);
        const __m128i high = paintTwo(_mm_unpackhi_epi8(old, zero), _mm_unpackhi_epi8(weights, zero), color);
        _mm_storeu_si128(address, _mm_packus_epi16(low, high));
    }
    return x;
}
#else
int paintFours(std::uint8_t*, const std::uint8_t*, int, const std::array<std::uint8_t, 4>&)
{
    return 0;
}
#endif

// Premultiplied colour ≤ its alpha, so each sum stays within 0–255 and premultiplied.
void paintRow(std::uint8_t* pixels, const std::uint8_t* coverage, int width, const std::array<std::uint8_t, 4>& color)
{
    for (int x = paintFours(pixels, coverage, width, color); x < width; ++x) {
        const std::uint32_t weight = coverage[x];
        const std::uint32_t keep = 255 - divide255(color[3] * weight);
        for (int c = 0; c < 4; ++c)
            pixels[4 * x + c] = std::uint8_t(divide255(color[c] * weight) + divide255(pixels[4 * x + c] * keep));
    }
}

}  // namespace

void paintColor(BitmapBuilder& target, std::array<std::uint8_t, 4> premultipliedColor, const AlphaPlane& coverage)
{
    if (coverage.width != target.width() || coverage.height != target.height())
        return;
    parallelRows(target.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y)
            paintRow(target.row(y), coverage.row(y), target.width(), premultipliedColor);
    });
}

void clearCoverage(BitmapBuilder& target, const AlphaPlane& coverage)
{
    if (coverage.width != target.width() || coverage.height != target.height())
        return;
    parallelRows(target.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            std::uint8_t* pixels = target.row(y);
            const std::uint8_t* weights = coverage.row(y);
            for (int x = 0; x < target.width(); ++x) {
                const std::uint32_t keep = 255 - weights[x];
                for (int c = 0; c < 4; ++c)
                    pixels[4 * x + c] = std::uint8_t(divide255(pixels[4 * x + c] * keep));
            }
        }
    });
}

void intersectCoverage(AlphaPlane& plane, const AlphaPlane& mask)
{
    if (mask.width != plane.width || mask.height != plane.height)
        return;
    parallelRows(plane.height, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            std::uint8_t* values = plane.row(y);
            const std::uint8_t* weights = mask.row(y);
            forEachIndex(plane.width, [&](int x) { values[x] = std::uint8_t(divide255(values[x] * weights[x])); });
        }
    });
}

namespace {

// The first covered value in [begin, end), eight at a time; `end` when there is none.
const std::uint8_t* firstCovered(const std::uint8_t* begin, const std::uint8_t* end)
{
    for (; end - begin >= 8; begin += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, begin, 8);
        if (eight != 0)
            break;
    }
    return std::find_if(begin, end, [](std::uint8_t v) { return v != 0; });
}

// One past the last covered value in [begin, end); `begin` when there is none.
const std::uint8_t* pastLastCovered(const std::uint8_t* begin, const std::uint8_t* end)
{
    for (; end - begin >= 8; end -= 8) {
        std::uint64_t eight;
        std::memcpy(&eight, end - 8, 8);
        if (eight != 0)
            break;
    }
    while (end > begin && end[-1] == 0)
        --end;
    return end;
}

}  // namespace

std::optional<QRect> coveredBounds(const AlphaPlane& plane)
{
    // Each row's first and last covered column, found on every core; -1 for an empty row.
    std::vector<std::pair<int, int>> spans(std::size_t(std::max(plane.height, 0)), {-1, -1});
    parallelRows(plane.height, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* values = plane.row(y);
            const std::uint8_t* end = values + plane.width;
            const std::uint8_t* first = firstCovered(values, end);
            if (first == end)
                continue;
            spans[std::size_t(y)] = {int(first - values), int(pastLastCovered(first, end) - values) - 1};
        }
    });
    QRect bounds;
    for (int y = 0; y < plane.height; ++y)
        if (spans[std::size_t(y)].first >= 0)
            bounds |= QRect(QPoint(spans[std::size_t(y)].first, y), QPoint(spans[std::size_t(y)].second, y));
    return bounds.isEmpty() ? std::nullopt : std::optional<QRect>(bounds);
}

AlphaPlane framedCoverage(const AlphaPlane& plane, const QRect& area)
{
    AlphaPlane framed(area.width(), area.height());
    const QRect overlap = area.intersected(QRect(0, 0, plane.width, plane.height));
    if (overlap.isEmpty())
        return framed;
    parallelRows(overlap.height(), [&](int firstRow, int endRow) {
        for (int y = overlap.top() + firstRow; y < overlap.top() + endRow; ++y)
            std::memcpy(framed.row(y - area.top()) + (overlap.left() - area.left()), plane.row(y) + overlap.left(),
                        std::size_t(overlap.width()));
    });
    return framed;
}

}  // namespace velmaris
