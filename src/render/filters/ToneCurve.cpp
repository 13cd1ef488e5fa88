#include "render/filters/ToneCurve.h"

#include "render/filters/ColorMapping.h"

#include <cmath>

#ifdef __SSE4_1__
#include <immintrin.h>
#endif

namespace velmaris {

double srgbDecode(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double srgbEncode(double linear)
{
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

namespace {

#if defined(__x86_64__) && defined(__SSE4_1__)
// apply() eight at a time with gathered samples; `count` is a multiple of 8. The arithmetic is
// operator()'s, and so are the results.
[[gnu::target("avx2")]] void applyWide(const float* samples, float* values, int count)
{
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 last = _mm256_set1_ps(float(ToneCurve::kSamples - 1));
    for (int i = 0; i < count; i += 8) {
        const __m256 position = _mm256_mul_ps(_mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(values + i), zero), one), last);
        const __m256i index = _mm256_cvttps_epi32(position);
        const __m256 low = _mm256_i32gather_ps(samples, index, 4);
        const __m256 high = _mm256_i32gather_ps(samples, _mm256_add_epi32(index, _mm256_set1_epi32(1)), 4);
        const __m256 fraction = _mm256_sub_ps(position, _mm256_cvtepi32_ps(index));
        _mm256_storeu_ps(values + i, _mm256_add_ps(low, _mm256_mul_ps(_mm256_sub_ps(high, low), fraction)));
    }
}
#endif

}  // namespace

void ToneCurve::apply(float* values, int count) const
{
    int i = 0;
#ifdef __SSE4_1__
    const float* samples = values_.data();
#if defined(__x86_64__)
    static const bool gathers = __builtin_cpu_supports("avx2");
    if (gathers) {
        i = count / 8 * 8;
        applyWide(samples, values, i);
    }
#endif
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), last = _mm_set1_ps(float(kSamples - 1));
    for (; i + 4 <= count; i += 4) {
        const __m128 position = _mm_mul_ps(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(values + i), zero), one), last);
        const __m128i index = _mm_cvttps_epi32(position);
        const int at[4] = {_mm_cvtsi128_si32(index), _mm_extract_epi32(index, 1), _mm_extract_epi32(index, 2),
                           _mm_extract_epi32(index, 3)};
        const __m128 low = _mm_setr_ps(samples[at[0]], samples[at[1]], samples[at[2]], samples[at[3]]);
        const __m128 high = _mm_setr_ps(samples[at[0] + 1], samples[at[1] + 1], samples[at[2] + 1], samples[at[3] + 1]);
        const __m128 fraction = _mm_sub_ps(position, _mm_cvtepi32_ps(index));
        _mm_storeu_ps(values + i, _mm_add_ps(low, _mm_mul_ps(_mm_sub_ps(high, low), fraction)));
    }
#endif
    for (; i < count; ++i)
        values[i] = (*this)(values[i]);
}

const ToneCurve& srgbToLinear()
{
    static const ToneCurve curve = ToneCurve::sampled(srgbDecode);
    return curve;
}

const ToneCurve& linearToSrgb()
{
    static const ToneCurve curve = ToneCurve::sampled(srgbEncode);
    return curve;
}

Bitmap applyToneCurve(const Bitmap& input, const ToneCurve& curve)
{
    return mapComponents(input, [&](int, float v) { return curve(v); });
}

}  // namespace velmaris
