#include "render/filters/SaturationCurves.h"

#include "render/filters/ColorMapping.h"

#include <vector>

namespace velmaris {

namespace {

// What opaque pixels become, by curve sample: each channel's byte, or (for grey mixes, whose
// channels share one sample) the whole pixel word.
struct OpaqueTables {
    std::array<std::vector<std::int32_t>, 3> bytes;
    std::vector<std::int32_t> words;
};

OpaqueTables opaqueTables(const ChannelCurves& curves, bool grey)
{
    OpaqueTables tables;
    for (int c = 0; c < 3; ++c) {
        tables.bytes[c].resize(ToneCurve::kSamples);
        for (int i = 0; i < ToneCurve::kSamples; ++i)
            tables.bytes[c][i] = premultipliedComponent(curves[c]->samples()[i], 255.0f);
    }
    if (grey) {
        tables.words.resize(ToneCurve::kSamples);
        for (int i = 0; i < ToneCurve::kSamples; ++i)
            tables.words[i] = std::int32_t(0xff000000u | std::uint32_t(tables.bytes[0][i])
                                           | std::uint32_t(tables.bytes[1][i]) << 8
                                           | std::uint32_t(tables.bytes[2][i]) << 16);
    }
    return tables;
}

// Any pixel, with the operations of unpremultiplyRow, luminance(), mix() and premultiplyRow.
std::uint32_t mappedPixel(std::uint32_t pixel, float saturation, const ChannelCurves& curves)
{
    const float alpha = float(pixel >> 24), scale = unpremultiplyScale(alpha);
    const float colour[3] = {float(pixel & 0xff) * scale, float((pixel >> 8) & 0xff) * scale,
                             float((pixel >> 16) & 0xff) * scale};
    const float l = luminance(colour[0], colour[1], colour[2]);
    const std::uint8_t rounded = premultipliedComponent(alpha * (1.0f / 255.0f), 255.0f);
    std::uint32_t word = std::uint32_t(rounded) << 24;
    for (int c = 0; c < 3; ++c)
        word |= std::uint32_t(premultipliedComponent(curves[c]->nearest(mix(l, colour[c], saturation)), float(rounded)))
             << (8 * c);
    return word;
}

#if defined(__x86_64__) && defined(__SSE4_1__)
// The low byte of each lane on 0–1, as unpremultiplyRow scales an opaque pixel's components.
[[gnu::target("avx2")]] inline __m256 unitOfLowBytes(__m256i v)
{
    const __m256 bytes = _mm256_cvtepi32_ps(_mm256_and_si256(v, _mm256_set1_epi32(0xff)));
    return _mm256_mul_ps(bytes, _mm256_set1_ps(1.0f / 255.0f));
}

// mix(l, c, saturation) of eight components, with the same operations.
[[gnu::target("avx2")]] inline __m256 mixWide(__m256 l, __m256 c, __m256 saturation)
{
    return _mm256_add_ps(l, _mm256_mul_ps(_mm256_sub_ps(c, l), saturation));
}

// Eight pixels at a time (`count` a multiple of 8), computing as mappedPixel does: opaque groups
// read their bytes from the tables, other groups take mappedPixel.
[[gnu::target("avx2")]] void mapRowWide(const std::uint8_t* in, std::uint8_t* out, int count, float saturation,
                                        const OpaqueTables& tables, const ChannelCurves& curves)
{
    const __m256i opaque = _mm256_set1_epi32(0xff);
    const __m256 s = _mm256_set1_ps(saturation);
    for (int x = 0; x < count; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 4 * x));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_srli_epi32(p, 24), opaque))) != 0xff) {
            mapPixelWords(in + 4 * x, out + 4 * x, 8,
                          [&](std::uint32_t pixel) { return mappedPixel(pixel, saturation, curves); });
            continue;
        }
        const __m256 colour[3] = {unitOfLowBytes(p), unitOfLowBytes(_mm256_srli_epi32(p, 8)),
                                  unitOfLowBytes(_mm256_srli_epi32(p, 16))};
        const __m256 l = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(0.2126f), colour[0]),
                                                     _mm256_mul_ps(_mm256_set1_ps(0.7152f), colour[1])),
                                       _mm256_mul_ps(_mm256_set1_ps(0.0722f), colour[2]));
        __m256i word;
        if (!tables.words.empty()) {
            // mix(l, c, 0) is l in every channel.
            word = _mm256_i32gather_epi32(tables.words.data(), nearestIndexWide(l), 4);
        } else {
            word = _mm256_set1_epi32(std::int32_t(0xff000000u));
            for (int c = 0; c < 3; ++c) {
                const __m256i index = nearestIndexWide(mixWide(l, colour[c], s));
                word = _mm256_or_si256(word, _mm256_sllv_epi32(_mm256_i32gather_epi32(tables.bytes[c].data(), index, 4),
                                                               _mm256_set1_epi32(8 * c)));
            }
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x), word);
    }
}
#endif

}  // namespace

Bitmap mapSaturationThroughCurves(const Bitmap& input, float saturation, const ChannelCurves& curves)
{
#if defined(__x86_64__) && defined(__SSE4_1__)
    const bool wide = __builtin_cpu_supports("avx2");
    const OpaqueTables tables = opaqueTables(curves, saturation == 0);
#endif
    const auto leading = [&](const std::uint8_t* in, std::uint8_t* out, int width) {
#if defined(__x86_64__) && defined(__SSE4_1__)
        if (wide) {
            mapRowWide(in, out, width / 8 * 8, saturation, tables, curves);
            return width / 8 * 8;
        }
#endif
        return 0;
    };
    return mapPixelRows(input, leading, [&](std::uint32_t pixel) { return mappedPixel(pixel, saturation, curves); });
}

}  // namespace velmaris
