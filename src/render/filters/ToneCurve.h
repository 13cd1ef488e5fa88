#pragma once

#include "model/Bitmap.h"
#include "render/filters/ColorMapping.h"
#include "render/filters/ColorMath.h"

#include <array>

#include <vector>

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
    float nearest(float x) const { return values_[int(bounded(x, 0.0f, 1.0f) * float(kSamples - 1) + 0.5f)]; }
    const float* samples() const { return values_.data(); }

private:
    std::vector<float> values_;
};

// The sRGB transfer functions: encoded 0–1 to linear light, and back; exact, and as curves.
double srgbDecode(double encoded);
double srgbEncode(double linear);
const ToneCurve& srgbToLinear();
const ToneCurve& linearToSrgb();

// One curve for each of red, green and blue.
using ChannelCurves = std::array<const ToneCurve*, 3>;

// premultiplyRow with each colour plane read through its curve's nearest sample first: the last
// step of a colour map fused with the write-out, one look-up per component.
void premultiplyRowThroughCurves(const ColorRow& row, const ChannelCurves& curves, std::uint8_t* pixels);

// As mapColorRows, ending each row with the curves (as premultiplyRowThroughCurves).
template <typename RowBody>
Bitmap mapColorRowsThroughCurves(const Bitmap& input, const ChannelCurves& curves, RowBody&& body)
{
    return mapColorRows(input, body,
                        [&](const ColorRow& row, std::uint8_t* pixels) { premultiplyRowThroughCurves(row, curves, pixels); });
}

// The curve applied to each colour component (un-premultiplied); alpha is kept.
Bitmap applyToneCurve(const Bitmap& input, const ToneCurve& curve);

}  // namespace velmaris
