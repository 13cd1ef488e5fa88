#include "render/ReducedImages.h"

#include "render/Parallel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace velmaris {

namespace {

// One pixel of the half-size row: the rounded mean of a 2 × 2 block, its right column repeated
// at a one-pixel-wide edge.
inline void halvePixel(const std::uint8_t* above, const std::uint8_t* below, int x, int sourceWidth, std::uint8_t* out)
{
    const int left = 4 * std::min(2 * x, sourceWidth - 1);
    const int right = 4 * std::min(2 * x + 1, sourceWidth - 1);
    for (int c = 0; c < 4; ++c)
        out[4 * x + c] =
            std::uint8_t((above[left + c] + above[right + c] + below[left + c] + below[right + c] + 2) >> 2);
}

void halveRow(const std::uint8_t* above, const std::uint8_t* below, int sourceWidth, int width, std::uint8_t* out)
{
    int x = 0;
#ifdef __SSE2__
    // Four target pixels from two 16-byte loads a row, summed in 16-bit lanes: the same rounded
    // means. Every pixel of these blocks has its right neighbour, as the source is at least 2 wide.
    if (sourceWidth >= 2) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i two = _mm_set1_epi16(2);
        // A pair of source pixels from each row, summed per channel: two target pixels.
        auto meanOfPairs = [&](__m128i above, __m128i below, bool high) {
            const __m128i top = high ? _mm_unpackhi_epi8(above, zero) : _mm_unpacklo_epi8(above, zero);
            const __m128i bottom = high ? _mm_unpackhi_epi8(below, zero) : _mm_unpacklo_epi8(below, zero);
            return _mm_add_epi16(top, bottom);  // columns 2x and 2x + 1
        };
        for (; x + 4 <= width; x += 4) {
            const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + 8 * x));
            const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + 8 * x + 16));
            const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + 8 * x));
            const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + 8 * x + 16));
            const __m128i c0 = meanOfPairs(a0, b0, false), c1 = meanOfPairs(a0, b0, true);
            const __m128i c2 = meanOfPairs(a1, b1, false), c3 = meanOfPairs(a1, b1, true);
            const __m128i first = _mm_add_epi16(_mm_unpacklo_epi64(c0, c1), _mm_unpackhi_epi64(c0, c1));
            const __m128i second = _mm_add_epi16(_mm_unpacklo_epi64(c2, c3), _mm_unpackhi_epi64(c2, c3));
            const __m128i packed = _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(first, two), 2),
                                                    _mm_srli_epi16(_mm_add_epi16(second, two), 2));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), packed);
        }
    }
#endif
    for (; x < width; ++x)
        halvePixel(above, below, x, sourceWidth, out);
}

QImage halved(const QImage& source)
{
    const int width = std::max(source.width() / 2, 1), height = std::max(source.height() / 2, 1);
    QImage target(width, height, source.format());
    if (target.isNull())
        return target;
    const int sourceWidth = source.width(), sourceHeight = source.height();
    parallelRows(height, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y)
            halveRow(source.constScanLine(std::min(2 * y, sourceHeight - 1)),
                     source.constScanLine(std::min(2 * y + 1, sourceHeight - 1)), sourceWidth, width, target.scanLine(y));
    });
    return target;
}

}  // namespace

QVector<QImage> halvedImages(const QImage& image, int levels, int smallestSide)
{
    QVector<QImage> result;
    const QImage* current = &image;
    for (int level = 0; level < levels; ++level) {
        if (current->width() / 2 < smallestSide || current->height() / 2 < smallestSide)
            break;
        QImage next = halved(*current);
        if (next.isNull())
            break;
        result.append(std::move(next));
        current = &result.last();
    }
    return result;
}

int reductionLevelFor(double magnification, int available)
{
    if (!(magnification > 0) || magnification >= 1)
        return 0;
    return std::min(int(std::floor(std::log2(1 / magnification))), available);
}

}  // namespace velmaris
