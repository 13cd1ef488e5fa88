#pragma once

#include "render/filters/PixelSampler.h"

namespace velmaris {

// Small colour helpers shared by the colour filters, on un-premultiplied components in 0–1
// (bounded and finiteOr, for clamping values and parameters, come with the sampler header).

inline float mix(float a, float b, float t) { return a + (b - a) * t; }

// Rec. 709 luma weights, the ones the saturation and monochrome filters mix towards.
inline float luminance(float r, float g, float b) { return 0.2126f * r + 0.7152f * g + 0.0722f * b; }

// Hermite step from 0 at edge0 to 1 at edge1 (edge1 > edge0).
inline float smoothstep(float edge0, float edge1, float x)
{
    const float t = bounded((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace velmaris
