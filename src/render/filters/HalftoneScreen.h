#pragma once

#include "render/filters/PixelSampler.h"

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace velmaris {

// The pieces shared by the halftone filters: a rotated screen grid, its threshold patterns in
// [0, 1], and the comparison of a tone against a pattern. Plain arithmetic so pixel loops vectorise.

// Positions measured in screen periods along a grid of `width` pixels turned by `angle` radians
// counter-clockwise (as seen on screen) around `center`.
struct ScreenFrame {
    ScreenFrame(QPointF center, double angle, float width)
        : centerX(float(finiteOr(center.x(), 0.0))), centerY(float(finiteOr(center.y(), 0.0))),
          cosine(float(std::cos(finiteOr(angle, 0.0))) / width), sine(float(std::sin(finiteOr(angle, 0.0))) / width)
    {
    }
    float u(float x, float y) const { return (x - centerX) * cosine - (y - centerY) * sine; }
    float v(float x, float y) const { return (x - centerX) * sine + (y - centerY) * cosine; }

    float centerX, centerY, cosine, sine;
};

// cos(2π t) within about 2e-4: cos(2π t) = sin(π/2 · triangle(t)), the sine by its odd series.
inline float cosTurn(float t)
{
    const float x = 4.0f * std::fabs(t - std::floor(t) - 0.5f) - 1.0f;
    const float x2 = x * x;
    return x * (1.5707963f - x2 * (0.6459641f - x2 * (0.0796926f - x2 * 0.0046818f)));
}

// Round dots growing into a checkerboard at mid tones; 1 at the dot centres.
inline float dotPattern(float u, float v)
{
    return 0.5f + 0.25f * (cosTurn(u) + cosTurn(v));
}

// Lines along u; 1 on the line centres, falling linearly to 0 half a period away.
inline float linePattern(float v)
{
    return 1.0f - std::fabs(2.0f * (v - std::floor(v)) - 1.0f);
}

// How white a pixel of tone `level` (0 black … 1 white) stays under a screen: 1 where the tone is
// above the pattern, 0 below, with a linear ramp `softness` wide on each side. The tone is first
// stretched by the softness so that pure white and black come out clean.
inline float screened(float level, float pattern, float softness)
{
    const float stretched = level * (1.0f + 2.0f * softness) - softness;
    return bounded((stretched - pattern) / (2.0f * softness) + 0.5f, 0.0f, 1.0f);
}

// Ramp half-width in pattern units: about one pixel for anti-aliasing, wider as sharpness drops.
inline float screenSoftness(double sharpness, float width)
{
    const float blur = 1.0f - float(std::isnan(sharpness) ? 1.0 : std::clamp(sharpness, 0.0, 1.0));
    return 1.0f / width + 0.3f * blur;
}

// Rec. 709 luma of an un-premultiplied colour, from premultiplied bytes (0–1; white when transparent).
inline float unpremultipliedLuma(const std::uint8_t* pixel)
{
    const float alpha = pixel[3];
    const float luma = 0.2126f * pixel[0] + 0.7152f * pixel[1] + 0.0722f * pixel[2];
    return alpha > 0.0f ? std::min(luma / alpha, 1.0f) : 1.0f;
}

}  // namespace velmaris
