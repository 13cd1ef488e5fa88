#include "render/filters/ToneCurve.h"

#include "render/filters/ColorMapping.h"

#include <cmath>

namespace velmaris {

double srgbDecode(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double srgbEncode(double linear)
{
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
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
    return mapColors(input, [&](float& r, float& g, float& b) {
        r = curve(r);
        g = curve(g);
        b = curve(b);
    });
}

}  // namespace velmaris
