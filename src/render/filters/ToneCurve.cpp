#include "render/filters/ToneCurve.h"

#include <cmath>

namespace velmaris {

const ToneCurve& srgbToLinear()
{
    static const ToneCurve curve = ToneCurve::sampled(
        [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); });
    return curve;
}

const ToneCurve& linearToSrgb()
{
    static const ToneCurve curve = ToneCurve::sampled(
        [](double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055; });
    return curve;
}

}  // namespace velmaris
