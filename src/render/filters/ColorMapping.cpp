#include "render/filters/ColorMapping.h"

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

// The loops below gather and scatter interleaved bytes, which the compiler leaves scalar; the SSE4.1
// paths do four pixels at a time with the same float operations, so the results are the same.

void unpremultiplyRow(const std::uint8_t* pixels, ColorRow& row)
{
    int x = 0;
#ifdef __SSE4_1__
    const __m128i byteMask = _mm_set1_epi32(0xff);
    const __m128 one = _mm_set1_ps(1.0f), toUnit = _mm_set1_ps(1.0f / 255.0f);
    for (; x + 4 <= row.width; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * x));
        const __m128 alpha = _mm_cvtepi32_ps(_mm_srli_epi32(p, 24));
        const __m128 scale = _mm_div_ps(one, _mm_max_ps(alpha, one));
        _mm_storeu_ps(row.r + x, _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(p, byteMask)), scale));
        _mm_storeu_ps(row.g + x, _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 8), byteMask)), scale));
        _mm_storeu_ps(row.b + x, _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 16), byteMask)), scale));
        _mm_storeu_ps(row.a + x, _mm_mul_ps(alpha, toUnit));
    }
#endif
    for (; x < row.width; ++x) {
        const std::uint8_t* p = pixels + 4 * x;
        const float alpha = float(p[3]);
        const float scale = unpremultiplyScale(alpha);
        row.r[x] = float(p[0]) * scale;
        row.g[x] = float(p[1]) * scale;
        row.b[x] = float(p[2]) * scale;
        row.a[x] = alpha * (1.0f / 255.0f);
    }
}

void premultiplyRow(const ColorRow& row, std::uint8_t* pixels)
{
    int x = 0;
#ifdef __SSE4_1__
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), half = _mm_set1_ps(0.5f);
    // max(v, 0) gives 0 for NaN, as bounded() does.
    const auto unit = [&](const float* v) { return _mm_min_ps(_mm_max_ps(_mm_loadu_ps(v), zero), one); };
    const __m128i interleave = _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    for (; x + 4 <= row.width; x += 4) {
        // Rounding alpha first and scaling colour by the rounded value keeps every component <= alpha.
        const __m128i alpha = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(unit(row.a + x), _mm_set1_ps(255.0f)), half));
        const __m128 alphaF = _mm_cvtepi32_ps(alpha);
        const auto scaled = [&](const float* v) { return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(unit(v), alphaF), half)); };
        const __m128i rg = _mm_packs_epi32(scaled(row.r + x), scaled(row.g + x));
        const __m128i ba = _mm_packs_epi32(scaled(row.b + x), alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + 4 * x), _mm_shuffle_epi8(_mm_packus_epi16(rg, ba), interleave));
    }
#endif
    for (; x < row.width; ++x) {
        const float alpha = float(premultipliedComponent(row.a[x], 255.0f));
        std::uint8_t* p = pixels + 4 * x;
        p[0] = premultipliedComponent(row.r[x], alpha);
        p[1] = premultipliedComponent(row.g[x], alpha);
        p[2] = premultipliedComponent(row.b[x], alpha);
        p[3] = std::uint8_t(alpha);
    }
}

}  // namespace velmaris
