#include "render/filters/ToneFilters.h"

#include "render/filters/ColorMapping.h"
#include "render/filters/ToneCurve.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

Bitmap invertColorsFilter(const Bitmap& input)
{
    return mapComponents(input, [](int, float v) { return 1.0f - v; });
}

Bitmap posterizeFilter(const Bitmap& input, double levels)
{
    // More than 256 levels cannot be told apart in 8 bits; fewer than 2 would divide by zero.
    const float steps = float(std::clamp(finiteOr(levels, 2.0), 2.0, 256.0) - 1.0);
    const float stepSize = 1.0f / steps;
    return mapComponents(input, [=](int, float v) { return std::floor(v * steps + 0.5f) * stepSize; });
}

Bitmap gammaAdjustFilter(const Bitmap& input, double power)
{
    // Beyond these powers every component is already 0 or 1 in 8 bits.
    const double exponent = std::clamp(finiteOr(power, 1.0), 1e-3, 1e3);
    if (exponent == 1.0)
        return input;
    return applyToneCurve(input, ToneCurve::sampled([=](double v) { return std::pow(v, exponent); }));
}

}  // namespace velmaris
