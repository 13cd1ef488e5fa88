#pragma once

#include <cmath>

namespace velmaris {

// Small colour helpers shared by the colour filters; all on un-premultiplied components in 0–1.

// A parameter with NaN or infinity replaced, so no pixel turns into NaN.
inline double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

// v limited to 0–1; NaN gives 0.
inline float clampUnit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

inline float mix(float a, float b, float t) { return a + (b - a) * t; }

// Rec. 709 luma weights, the ones the saturation and monochrome filters mix towards.
inline float luminance(float r, float g, float b) { return 0.2126f * r + 0.7152f * g + 0.0722f * b; }

// Hermite step from 0 at edge0 to 1 at edge1 (edge1 > edge0).
inline float smoothstep(float edge0, float edge1, float x)
{
    const float t = clampUnit((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace velmaris
