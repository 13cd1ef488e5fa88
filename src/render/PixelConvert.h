#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

// Conversions between 8-bit samples and float working values for the filter kernels. The compiler
// does not vectorise the saturating narrowing on its own, so the SSE4.1 path is written out.

// source[i] → target[i] as float.
inline void widenBytes(const std::uint8_t* source, float* target, int count)
{
    int i = 0;
#ifdef __SSE4_1__
    for (; i + 4 <= count; i += 4) {
        int packed;
        __builtin_memcpy(&packed, source + i, 4);
        _mm_storeu_ps(target + i, _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(packed))));
    }
#endif
    for (; i < count; ++i)
        target[i] = source[i];
}

#ifdef __SSE4_1__
// Each colour byte of four RGBA pixels lowered to the pixel's alpha.
inline __m128i premultipliedClamp(__m128i pixels)
{
    const __m128i alphas = _mm_setr_epi8(3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
    return _mm_min_epu8(pixels, _mm_shuffle_epi8(pixels, alphas));
}
#endif

// Lowers each colour component of premultiplied RGBA8 pixels to at most the pixel's alpha, which
// rounding (or a filter with negative lobes) can otherwise break.
inline void keepPremultiplied(std::uint8_t* pixels, int count)
{
    int x = 0;
#ifdef __SSE4_1__
    for (; x + 4 <= count; x += 4) {
        auto* address = reinterpret_cast<__m128i*>(pixels + 4 * x);
        _mm_storeu_si128(address, premultipliedClamp(_mm_loadu_si128(address)));
    }
#endif
    for (; x < count; ++x)
        for (int c = 0; c < 3; ++c)
            pixels[4 * x + c] = std::min(pixels[4 * x + c], pixels[4 * x + 3]);
}

// source[i] rounded to the nearest integer and saturated to 0–255 (NaN gives 0). With
// `premultiplied`, the samples are RGBA pixels and keep every colour component at most alpha.
template <bool premultiplied = false>
inline void narrowToBytes(const float* source, std::uint8_t* target, int count)
{
    int i = 0;
#ifdef __SSE4_1__
    for (; i + 16 <= count; i += 16) {
        const __m128i a = _mm_cvtps_epi32(_mm_loadu_ps(source + i));
        const __m128i b = _mm_cvtps_epi32(_mm_loadu_ps(source + i + 4));
        const __m128i c = _mm_cvtps_epi32(_mm_loadu_ps(source + i + 8));
        const __m128i d = _mm_cvtps_epi32(_mm_loadu_ps(source + i + 12));
        __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
        if constexpr (premultiplied)
            bytes = premultipliedClamp(bytes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), bytes);
    }
    for (; i + 4 <= count; i += 4) {
        const __m128i words = _mm_packs_epi32(_mm_cvtps_epi32(_mm_loadu_ps(source + i)), _mm_setzero_si128());
        __m128i bytes = _mm_packus_epi16(words, words);
        if constexpr (premultiplied)
            bytes = premultipliedClamp(bytes);
        const int packed = _mm_cvtsi128_si32(bytes);
        __builtin_memcpy(target + i, &packed, 4);
    }
#endif
    for (int j = i; j < count; ++j) {
        const float value = source[j];
        target[j] = value > 0 ? std::uint8_t(std::nearbyint(std::min(value, 255.0f))) : 0;
    }
    if constexpr (premultiplied)
        keepPremultiplied(target + i, (count - i) / 4);
}

}  // namespace velmaris
