#include "files/PNGRowFilter.h"

#include "files/StraightAlpha.h"

#include "render/Parallel.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

namespace {

constexpr int kBytesPerPixel = 4;

enum FilterType : std::uint8_t { none, sub, up, average, paeth };
constexpr int kFilterCount = 5;

inline std::uint8_t paethPredictor(int left, int above, int aboveLeft)
{
    const int toLeft = std::abs(above - aboveLeft);
    const int toAbove = std::abs(left - aboveLeft);
    const int toAboveLeft = std::abs(left + above - 2 * aboveLeft);
    return std::uint8_t(toLeft <= toAbove && toLeft <= toAboveLeft ? left
                        : toAbove <= toAboveLeft                 ? above
                                                                 : aboveLeft);
}

// The predictor of each filter from the left, above and above-left bytes.
template <FilterType type>
inline std::uint8_t predict(int left, int above, int aboveLeft)
{
    if constexpr (type == none)
        return 0;
    else if constexpr (type == sub)
        return std::uint8_t(left);
    else if constexpr (type == up)
        return std::uint8_t(above);
    else if constexpr (type == average)
        return std::uint8_t((left + above) >> 1);
    else
        return paethPredictor(left, above, aboveLeft);
}

#ifdef __SSE4_1__
// The same predictors on 16 bytes at once.
inline __m128i paethPredictWords(__m128i left, __m128i above, __m128i aboveLeft)
{
    const __m128i fromAbove = _mm_sub_epi16(above, aboveLeft);
    const __m128i fromLeft = _mm_sub_epi16(left, aboveLeft);
    const __m128i toLeft = _mm_abs_epi16(fromAbove);
    const __m128i toAbove = _mm_abs_epi16(fromLeft);
    const __m128i toAboveLeft = _mm_abs_epi16(_mm_add_epi16(fromAbove, fromLeft));
    const __m128i notLeft = _mm_or_si128(_mm_cmpgt_epi16(toLeft, toAbove), _mm_cmpgt_epi16(toLeft, toAboveLeft));
    const __m128i notAbove = _mm_cmpgt_epi16(toAbove, toAboveLeft);
    return _mm_blendv_epi8(left, _mm_blendv_epi8(above, aboveLeft, notAbove), notLeft);
}

template <FilterType type>
inline __m128i predict(__m128i left, __m128i above, __m128i aboveLeft)
{
    if constexpr (type == none) {
        return _mm_setzero_si128();
    } else if constexpr (type == sub) {
        return left;
    } else if constexpr (type == up) {
        return above;
    } else if constexpr (type == average) {
        // The rounding-up average less the carried-in half.
        const __m128i odd = _mm_and_si128(_mm_xor_si128(left, above), _mm_set1_epi8(1));
        return _mm_sub_epi8(_mm_avg_epu8(left, above), odd);
    } else {
        const __m128i zero = _mm_setzero_si128();
        const __m128i low = paethPredictWords(_mm_unpacklo_epi8(left, zero), _mm_unpacklo_epi8(above, zero),
                                              _mm_unpacklo_epi8(aboveLeft, zero));
        const __m128i high = paethPredictWords(_mm_unpackhi_epi8(left, zero), _mm_unpackhi_epi8(above, zero),
                                               _mm_unpackhi_epi8(aboveLeft, zero));
        return _mm_packus_epi16(low, high);
    }
}

inline __m128i loadBytes(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// Adds the absolute values of 16 signed bytes to two 64-bit sums.
inline __m128i addCost(__m128i sum, __m128i filtered)
{
    return _mm_add_epi64(sum, _mm_sad_epu8(_mm_abs_epi8(filtered), _mm_setzero_si128()));
}
#endif

// `row` and `previous` are preceded by one pixel of zeros, the left neighbours of the first pixel.
template <FilterType type>
inline std::uint8_t filteredByte(const std::uint8_t* row, const std::uint8_t* previous, int i)
{
    return std::uint8_t(row[i] - predict<type>(row[i - kBytesPerPixel], previous[i], previous[i - kBytesPerPixel]));
}

inline std::uint32_t byteCost(std::uint8_t filtered)
{
    const auto value = std::int8_t(filtered);
    return std::uint32_t(value < 0 ? -value : value);
}

// The filter whose output has the smallest sum of absolute values, the first of equals.
FilterType cheapestFilter(const std::uint8_t* row, const std::uint8_t* previous, int count)
{
    std::uint64_t costs[kFilterCount] = {};
    int i = 0;
#ifdef __SSE4_1__
    __m128i sums[kFilterCount] = {};
    for (; i + 16 <= count; i += 16) {
        const __m128i current = loadBytes(row + i), left = loadBytes(row + i - kBytesPerPixel);
        const __m128i above = loadBytes(previous + i), aboveLeft = loadBytes(previous + i - kBytesPerPixel);
        sums[none] = addCost(sums[none], current);
        sums[sub] = addCost(sums[sub], _mm_sub_epi8(current, left));
        sums[up] = addCost(sums[up], _mm_sub_epi8(current, above));
        sums[average] = addCost(sums[average], _mm_sub_epi8(current, predict<average>(left, above, aboveLeft)));
        sums[paeth] = addCost(sums[paeth], _mm_sub_epi8(current, predict<paeth>(left, above, aboveLeft)));
    }
    for (int type = 0; type < kFilterCount; ++type)
        costs[type] = std::uint64_t(_mm_cvtsi128_si64(sums[type])) + std::uint64_t(_mm_extract_epi64(sums[type], 1));
#endif
    for (; i < count; ++i) {
        costs[none] += byteCost(row[i]);
        costs[sub] += byteCost(filteredByte<sub>(row, previous, i));
        costs[up] += byteCost(filteredByte<up>(row, previous, i));
        costs[average] += byteCost(filteredByte<average>(row, previous, i));
        costs[paeth] += byteCost(filteredByte<paeth>(row, previous, i));
    }
    return FilterType(std::min_element(costs, costs + kFilterCount) - costs);
}

template <FilterType type>
void applyFilter(const std::uint8_t* row, const std::uint8_t* previous, int count, std::uint8_t* out)
{
    int i = 0;
#ifdef __SSE4_1__
    for (; i + 16 <= count; i += 16) {
        const __m128i filtered = _mm_sub_epi8(loadBytes(row + i),
                                              predict<type>(loadBytes(row + i - kBytesPerPixel), loadBytes(previous + i),
                                                            loadBytes(previous + i - kBytesPerPixel)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), filtered);
    }
#endif
    for (; i < count; ++i)
        out[i] = filteredByte<type>(row, previous, i);
}

void filterRow(const std::uint8_t* row, const std::uint8_t* previous, int count, std::uint8_t* out)
{
    const FilterType type = cheapestFilter(row, previous, count);
    out[0] = type;
    switch (type) {
    case none: std::memcpy(out + 1, row, std::size_t(count)); break;
    case sub: applyFilter<sub>(row, previous, count, out + 1); break;
    case up: applyFilter<up>(row, previous, count, out + 1); break;
    case average: applyFilter<average>(row, previous, count, out + 1); break;
    case paeth: applyFilter<paeth>(row, previous, count, out + 1); break;
    }
}

}  // namespace

QByteArray filteredPNGRows(const Bitmap& image)
{
    if (image.isNull())
        return {};
    const int width = image.width();
    const int rowBytes = kBytesPerPixel * width;
    const qsizetype stride = 1 + qsizetype(rowBytes);
    QByteArray filtered(stride * image.height(), Qt::Uninitialized);
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        // Both rows keep a pixel of zeros in front: the left neighbours of the first pixel.
        std::vector<std::uint8_t> previous(std::size_t(kBytesPerPixel + rowBytes), 0);
        std::vector<std::uint8_t> current(previous.size(), 0);
        if (firstRow > 0)
            unpremultiplyRow(image.row(firstRow - 1), previous.data() + kBytesPerPixel, width);
        for (int y = firstRow; y < endRow; ++y) {
            unpremultiplyRow(image.row(y), current.data() + kBytesPerPixel, width);
            filterRow(current.data() + kBytesPerPixel, previous.data() + kBytesPerPixel, rowBytes,
                      reinterpret_cast<std::uint8_t*>(filtered.data()) + stride * y);
            std::swap(previous, current);
        }
    });
    return filtered;
}

}  // namespace velmaris
