#include "render/filters/ToneFilters.h"

#include "render/filters/ColorMapping.h"
#include "render/filters/ToneCurve.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

Bitmap invertColorsFilter(const Bitmap& input)
{
    return mapColors(input, [](float& r, float& g, float& b) {
        r = 1.0f - r;
        g = 1.0f - g;
        b = 1.0f - b;
    });
}

Bitmap posterizeFilter(const Bitmap& input, double levels)
{
    // More than 256 levels cannot be told apart in 8 bits; fewer than 2 would divide by zero.
    const float steps = float(std::clamp(finiteOr(levels, 2.0), 2.0, 256.0) - 1.0);
    const float stepSize = 1.0f / steps;
    return mapColors(input, [=](float& r, float& g, float& b) {
        r = std::floor(r * steps + 0.5f) * stepSize;
        g = std::floor(g * steps + 0.5f) * stepSize;
        b = std::floor(b * steps + 0.5f) * stepSize;
    });
}

Bitmap gammaAdjustFilter(const Bitmap& input, double power)
{
    // Beyond these powers every component is already 0 or 1 in 8 bits.
    const double exponent = std::clamp(finiteOr(power, 1.0), 1e-3, 1e3);
    return applyToneCurve(input, ToneCurve::sampled([=](double v) { return std::pow(v, exponent); }));
}

}  // namespace velmaris
