#include "render/filters/LinearLightMatrix.h"

#include "render/filters/ColorMapping.h"
#include "render/filters/ToneCurve.h"

namespace velmaris {

namespace {

struct Tables {
    std::array<float, 256> linear;  // decoded light of an opaque pixel's component byte
    std::array<std::int32_t, ToneCurve::kSamples> encoded;  // the byte of each encoding sample, opaque
};

Tables opaqueTables()
{
    const ToneCurve& decode = srgbToLinear();
    const ToneCurve& encode = linearToSrgb();
    Tables tables;
    const float scale = unpremultiplyScale(255.0f);
    for (int v = 0; v < 256; ++v)
        tables.linear[v] = decode.nearest(float(v) * scale);
    for (int i = 0; i < ToneCurve::kSamples; ++i)
        tables.encoded[i] = premultipliedComponent(encode.samples()[i], 255.0f);
    return tables;
}

// Any pixel: un-premultiplied, decoded, multiplied, encoded and premultiplied again.
std::uint32_t mappedPixel(std::uint32_t pixel, const ColorMatrix3& m)
{
    const ToneCurve& decode = srgbToLinear();
    const ToneCurve& encode = linearToSrgb();
    const float alpha = float(pixel >> 24), scale = unpremultiplyScale(alpha);
    float light[3];
    for (int c = 0; c < 3; ++c)
        light[c] = decode.nearest(float((pixel >> (8 * c)) & 0xff) * scale);
    const std::uint8_t rounded = premultipliedComponent(alpha * (1.0f / 255.0f), 255.0f);
    std::uint32_t word = std::uint32_t(rounded) << 24;
    for (int c = 0; c < 3; ++c) {
        const float mixed = m[c][0] * light[0] + m[c][1] * light[1] + m[c][2] * light[2];
        word |= std::uint32_t(premultipliedComponent(encode.nearest(mixed), float(rounded))) << (8 * c);
    }
    return word;
}

#if defined(__x86_64__) && defined(__SSE4_1__)
// The opaque pixels' byte of each encoded component, for eight linear values.
[[gnu::target("avx2")]] inline __m256i encodedWide(const Tables& tables, __m256 light)
{
    return _mm256_i32gather_epi32(tables.encoded.data(), nearestIndexWide(light), 4);
}

// Eight pixels at a time (`count` a multiple of 8), with mappedPixel's operations: opaque groups
// read their bytes' light and their encoded bytes from tables; other groups take mappedPixel.
[[gnu::target("avx2")]] void mapRowWide(const std::uint8_t* in, std::uint8_t* out, int count, const Tables& tables,
                                        const ColorMatrix3& m)
{
    const __m256i lowByte = _mm256_set1_epi32(0xff);
    for (int x = 0; x < count; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 4 * x));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_srli_epi32(p, 24), lowByte))) != 0xff) {
            mapPixelWords(in + 4 * x, out + 4 * x, 8, [&](std::uint32_t pixel) { return mappedPixel(pixel, m); });
            continue;
        }
        __m256 light[3];
        for (int c = 0; c < 3; ++c) {
            const __m256i component = _mm256_and_si256(_mm256_srli_epi32(p, 8 * c), lowByte);
            light[c] = _mm256_i32gather_ps(tables.linear.data(), component, 4);
        }
        __m256i word = _mm256_set1_epi32(std::int32_t(0xff000000u));
        for (int c = 0; c < 3; ++c) {
            const __m256 mixed = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(m[c][0]), light[0]),
                                                             _mm256_mul_ps(_mm256_set1_ps(m[c][1]), light[1])),
                                               _mm256_mul_ps(_mm256_set1_ps(m[c][2]), light[2]));
            word = _mm256_or_si256(word, _mm256_slli_epi32(encodedWide(tables, mixed), 8 * c));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x), word);
    }
}
#endif

}  // namespace

Bitmap linearLightMatrixFilter(const Bitmap& input, const ColorMatrix3& matrix)
{
#if defined(__x86_64__) && defined(__SSE4_1__)
    const bool wide = __builtin_cpu_supports("avx2");
    const Tables tables = opaqueTables();
#endif
    const auto leading = [&](const std::uint8_t* in, std::uint8_t* out, int width) {
#if defined(__x86_64__) && defined(__SSE4_1__)
        if (wide) {
            mapRowWide(in, out, width / 8 * 8, tables, matrix);
            return width / 8 * 8;
        }
#endif
        return 0;
    };
    return mapPixelRows(input, leading, [&](std::uint32_t pixel) { return mappedPixel(pixel, matrix); });
}

}  // namespace velmaris
