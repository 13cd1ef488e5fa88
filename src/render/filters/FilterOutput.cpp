#include "render/filters/FilterOutput.h"

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

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
