#pragma once

#include "model/Bitmap.h"
#include "render/filters/ColorMath.h"

#include <array>
#include <vector>

#ifdef __SSE4_1__
#include <immintrin.h>
#endif

namespace velmaris {

// A function on 0–1 sampled densely and read back by linear interpolation, so per-pixel curves
// (powers, transfer functions, palettes) cost a table look-up instead of pow().
class ToneCurve {
public:
    static constexpr int kSamples = 4096;

    template <typename Function>
    static ToneCurve sampled(Function&& function)
    {
        ToneCurve curve;
        curve.values_.resize(kSamples + 1);  // one extra so reading at 1.0 needs no bounds check
        for (int i = 0; i < kSamples; ++i)
            curve.values_[i] = float(function(double(i) / (kSamples - 1)));
        curve.values_[kSamples] = curve.values_[kSamples - 1];
        return curve;
    }

    // The curve at x clamped to 0–1 (NaN reads as 0).
    float operator()(float x) const
    {
        const float position = bounded(x, 0.0f, 1.0f) * float(kSamples - 1);
        const int index = int(position);
        const float low = values_[index];
        return low + (values_[index + 1] - low) * (position - float(index));
    }

    // values[i] = (*this)(values[i]) for a whole plane, four or eight at a time.
    void apply(float* values, int count) const;

    // The sample nearest to x clamped to 0–1 (NaN reads as 0): one look-up and no interpolation,
    // within half a sample step (slope / 8190) of operator(), a fraction of a level even where the
    // sRGB encoding is steepest. For values that end as bytes.
    float nearest(float x) const { return values_[nearestIndex(x)]; }
    static int nearestIndex(float x) { return int(bounded(x, 0.0f, 1.0f) * float(kSamples - 1) + 0.5f); }
    const float* samples() const { return values_.data(); }

private:
    std::vector<float> values_;
};

#if defined(__x86_64__) && defined(__SSE4_1__)
// nearestIndex() of eight values, with the same operations.
[[gnu::target("avx2")]] inline __m256i nearestIndexWide(__m256 values)
{
    const __m256 unit = _mm256_min_ps(_mm256_max_ps(values, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
    return _mm256_cvttps_epi32(
        _mm256_add_ps(_mm256_mul_ps(unit, _mm256_set1_ps(float(ToneCurve::kSamples - 1))), _mm256_set1_ps(0.5f)));
}
#endif

// One curve for each of red, green and blue.
using ChannelCurves = std::array<const ToneCurve*, 3>;

// The sRGB transfer functions: encoded 0–1 to linear light, and back; exact, and as curves.
double srgbDecode(double encoded);
double srgbEncode(double linear);
const ToneCurve& srgbToLinear();
const ToneCurve& linearToSrgb();

// The curve applied to each colour component (un-premultiplied); alpha is kept.
Bitmap applyToneCurve(const Bitmap& input, const ToneCurve& curve);

}  // namespace velmaris
