#include "render/filters/FilterOutput.h"

#include <QColorSpace>

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

namespace {

constexpr qsizetype kHugePage = qsizetype(2) << 20;

QImage hugePageImage(int width, int height)
{
#ifdef __linux__
    const qsizetype stride = 4 * qsizetype(width);
    const qsizetype bytes = (stride * height + kHugePage - 1) / kHugePage * kHugePage;
    if (bytes < 2 * kHugePage)
        return {};
    void* memory = std::aligned_alloc(std::size_t(kHugePage), std::size_t(bytes));
    if (!memory)
        return {};
    // Advice only: without huge pages the memory works as usual.
    madvise(memory, std::size_t(bytes), MADV_HUGEPAGE);
    return QImage(static_cast<uchar*>(memory), width, height, stride, kBitmapFormat, std::free, memory);
#else
    Q_UNUSED(width);
    Q_UNUSED(height);
    return {};
#endif
}

}  // namespace

std::optional<BitmapBuilder> uninitializedBitmap(int width, int height)
{
    if (!bitmapSizeAllowed(width, height))
        return std::nullopt;
    QImage image = hugePageImage(width, height);
    if (image.isNull())
        image = QImage(width, height, kBitmapFormat);
    if (image.isNull())
        return std::nullopt;
    image.setColorSpace(QColorSpace::SRgb);
    return BitmapBuilder::fromImage(std::move(image));
}

void storeRoundedRow(const float* red, const float* green, const float* blue, const std::uint8_t* alphaSource,
                     std::uint8_t* pixels, int width)
{
    int x = 0;
#ifdef __SSE4_1__
    const __m128i interleave = _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    for (; x + 4 <= width; x += 4) {
        const __m128i alpha = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(alphaSource + 4 * x)), 24);
        const __m128i rg = _mm_packs_epi32(_mm_cvttps_epi32(_mm_loadu_ps(red + x)), _mm_cvttps_epi32(_mm_loadu_ps(green + x)));
        const __m128i ba = _mm_packs_epi32(_mm_cvttps_epi32(_mm_loadu_ps(blue + x)), alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + 4 * x), _mm_shuffle_epi8(_mm_packus_epi16(rg, ba), interleave));
    }
#endif
    for (; x < width; ++x) {
        std::uint8_t* p = pixels + 4 * x;
        p[0] = std::uint8_t(red[x]);
        p[1] = std::uint8_t(green[x]);
        p[2] = std::uint8_t(blue[x]);
        p[3] = alphaSource[4 * x + 3];
    }
}

}  // namespace velmaris
