#include "render/filters/LuminanceCurves.h"

#include <vector>

#ifdef __SSE4_1__
#include <immintrin.h>
#endif

namespace velmaris {

namespace {

// The output pixel word of an opaque pixel for each luminance sample.
std::vector<std::uint32_t> opaqueWords(const ChannelCurves& curves)
{
    std::vector<std::uint32_t> words(ToneCurve::kSamples);
    for (int i = 0; i < ToneCurve::kSamples; ++i) {
        std::uint32_t word = 0xff000000u;
        for (int c = 0; c < 3; ++c)
            word |= std::uint32_t(premultipliedComponent(curves[c]->samples()[i], 255.0f)) << (8 * c);
        words[i] = word;
    }
    return words;
}

// Any pixel, with the operations of unpremultiplyRow, luminance() and premultiplyRowThroughCurves.
std::uint32_t mappedPixel(std::uint32_t pixel, const ChannelCurves& curves)
{
    const float alpha = float(pixel >> 24), scale = unpremultiplyScale(alpha);
    const float l = luminance(float(pixel & 0xff) * scale, float((pixel >> 8) & 0xff) * scale,
                              float((pixel >> 16) & 0xff) * scale);
    const std::uint8_t rounded = premultipliedComponent(alpha * (1.0f / 255.0f), 255.0f);
    std::uint32_t word = std::uint32_t(rounded) << 24;
    for (int c = 0; c < 3; ++c)
        word |= std::uint32_t(premultipliedComponent(curves[c]->nearest(l), float(rounded))) << (8 * c);
    return word;
}

#if defined(__x86_64__) && defined(__SSE4_1__)
// The low byte of each lane on 0–1, as unpremultiplyRow scales an opaque pixel's components.
[[gnu::target("avx2")]] inline __m256 unitOfLowBytes(__m256i v)
{
    return _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(v, _mm256_set1_epi32(0xff))), _mm256_set1_ps(1.0f / 255.0f));
}

// Eight pixels at a time (`count` a multiple of 8): opaque groups gather their words, computing
// the luminance and its sample index as the scalar code does; other groups take mapPixels.
[[gnu::target("avx2")]] void mapRowWide(const std::uint8_t* in, std::uint8_t* out, int count,
                                        const std::uint32_t* words, const ChannelCurves& curves)
{
    const __m256i opaque = _mm256_set1_epi32(0xff);
    for (int x = 0; x < count; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 4 * x));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_srli_epi32(p, 24), opaque))) != 0xff) {
            mapPixelWords(in + 4 * x, out + 4 * x, 8, [&](std::uint32_t pixel) { return mappedPixel(pixel, curves); });
            continue;
        }
        const __m256 l = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(0.2126f), unitOfLowBytes(p)),
                                                     _mm256_mul_ps(_mm256_set1_ps(0.7152f), unitOfLowBytes(_mm256_srli_epi32(p, 8)))),
                                       _mm256_mul_ps(_mm256_set1_ps(0.0722f), unitOfLowBytes(_mm256_srli_epi32(p, 16))));
        const __m256 clamped = _mm256_min_ps(_mm256_max_ps(l, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
        const __m256i index = _mm256_cvttps_epi32(
            _mm256_add_ps(_mm256_mul_ps(clamped, _mm256_set1_ps(float(ToneCurve::kSamples - 1))), _mm256_set1_ps(0.5f)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x),
                            _mm256_i32gather_epi32(reinterpret_cast<const int*>(words), index, 4));
    }
}
#endif

}  // namespace

Bitmap mapLuminanceThroughCurves(const Bitmap& input, const ChannelCurves& curves)
{
    const std::vector<std::uint32_t> words = opaqueWords(curves);
#if defined(__x86_64__) && defined(__SSE4_1__)
    const bool wide = __builtin_cpu_supports("avx2");
#endif
    const auto leading = [&](const std::uint8_t* in, std::uint8_t* out, int width) {
#if defined(__x86_64__) && defined(__SSE4_1__)
        if (wide) {
            mapRowWide(in, out, width / 8 * 8, words.data(), curves);
            return width / 8 * 8;
        }
#endif
        return 0;
    };
    return mapPixelRows(input, leading, [&](std::uint32_t pixel) { return mappedPixel(pixel, curves); });
}

}  // namespace velmaris
