#include "files/StraightAlpha.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

void unpremultiplyRow(const std::uint8_t* source, std::uint8_t* target, int width)
{
    int x = 0;
#ifdef __SSE4_1__
    // Opaque pixels, the common case, need no arithmetic.
    const __m128i alphaBytes = _mm_set1_epi32(int(0xff000000u));
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + kBytesPerPixel * x));
        if (!_mm_test_all_ones(_mm_or_si128(pixels, _mm_xor_si128(alphaBytes, _mm_set1_epi8(-1)))))
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + kBytesPerPixel * x), pixels);
    }
#endif
    for (; x < width; ++x) {
        const std::uint8_t* pixel = source + kBytesPerPixel * x;
        std::uint8_t* out = target + kBytesPerPixel * x;
        const int alpha = pixel[3];
        if (alpha == 255) {
            std::memcpy(out, pixel, kBytesPerPixel);
            continue;
        }
        const float scale = alpha ? 255.0f / float(alpha) : 0.0f;
        for (int c = 0; c < 3; ++c)
            out[c] = std::uint8_t(std::min(float(pixel[c]) * scale + 0.5f, 255.0f));
        out[3] = std::uint8_t(alpha);
    }
}

}  // namespace velmaris
