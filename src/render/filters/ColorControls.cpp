#include "render/filters/ColorControls.h"

#include "render/filters/ColorMapping.h"
#include "render/filters/ColorMath.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// How skin-like a colour is, 0–1: reds and oranges (r > g > b) with green halfway between red and blue.
float skinLikeness(float r, float g, float b)
{
    const float position = (g - b) / std::max(r - b, 1e-4f);
    const float ordered = (r > g && g > b) ? 1.0f : 0.0f;
    return ordered * bounded(1.0f - 4.0f * std::abs(position - 0.45f), 0.0f, 1.0f);
}

}  // namespace

Bitmap colorControlsFilter(const Bitmap& input, double saturation, double brightness, double contrast)
{
    const float s = float(finiteOr(saturation, 1)), add = float(finiteOr(brightness, 0)), k = float(finiteOr(contrast, 1));
    if (s == 1 && add == 0 && k == 1)
        return input;
    return mapColors(input, [=](float& r, float& g, float& b) {
        const float l = luminance(r, g, b);
        r = (mix(l, r, s) + add - 0.5f) * k + 0.5f;
        g = (mix(l, g, s) + add - 0.5f) * k + 0.5f;
        b = (mix(l, b, s) + add - 0.5f) * k + 0.5f;
    });
}

Bitmap vibranceFilter(const Bitmap& input, double amount)
{
    const float strength = float(finiteOr(amount, 0));
    if (strength == 0)
        return input;
    return mapColors(input, [=](float& r, float& g, float& b) {
        const float l = luminance(r, g, b);
        const float chroma = std::max(std::max(r, g), b) - std::min(std::min(r, g), b);
        const float boost = strength * (1.0f - chroma) * (1.0f - 0.5f * skinLikeness(r, g, b));
        r = mix(l, r, 1.0f + boost);
        g = mix(l, g, 1.0f + boost);
        b = mix(l, b, 1.0f + boost);
    });
}

}  // namespace velmaris
