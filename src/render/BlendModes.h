#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The blend functions B(Cb, Cs) of the W3C Compositing Level 1 modes, on un-premultiplied
// components in 0–1 (Cb backdrop, Cs source). They are written without branches on data, so the
// row loops that call them vectorise; `normal` (B = Cs) needs none, it is plain source-over.
namespace velmaris::blendmodes {

struct Rgb {
    float r, g, b;
};

// Un-premultiplied components are 0, 1 or at least 1/255 away from both, so this floor on a
// divisor only catches the exact edge cases and float noise around them.
inline constexpr float kDivisorFloor = 1e-3f;

// B = Cb · Cs
inline float multiply(float cb, float cs) { return cb * cs; }
// B = Cb + Cs − Cb · Cs
inline float screen(float cb, float cs) { return cb + cs - cb * cs; }
// B = Cs ≤ ½ ? multiply(Cb, 2Cs) : screen(Cb, 2Cs − 1)
inline float hardLight(float cb, float cs) { return cs <= 0.5f ? multiply(cb, 2 * cs) : screen(cb, 2 * cs - 1); }
// B = hardLight(Cs, Cb)
inline float overlay(float cb, float cs) { return hardLight(cs, cb); }
// B = min(Cb, Cs)
inline float darken(float cb, float cs) { return std::min(cb, cs); }
// B = max(Cb, Cs)
inline float lighten(float cb, float cs) { return std::max(cb, cs); }
// B = Cb = 0 ? 0 : Cs = 1 ? 1 : min(1, Cb / (1 − Cs))
inline float colorDodge(float cb, float cs) { return std::min(1.0f, cb / std::max(1 - cs, kDivisorFloor)); }
// B = Cb = 1 ? 1 : Cs = 0 ? 0 : 1 − min(1, (1 − Cb) / Cs)
inline float colorBurn(float cb, float cs) { return 1 - std::min(1.0f, (1 - cb) / std::max(cs, kDivisorFloor)); }
// D(Cb) = Cb ≤ ¼ ? ((16Cb − 12)Cb + 4)Cb : √Cb
inline float softLightD(float cb) { return cb <= 0.25f ? ((16 * cb - 12) * cb + 4) * cb : std::sqrt(cb); }
// B = Cs ≤ ½ ? Cb − (1 − 2Cs)·Cb·(1 − Cb) : Cb + (2Cs − 1)·(D(Cb) − Cb)
inline float softLight(float cb, float cs)
{
    return cs <= 0.5f ? cb - (1 - 2 * cs) * cb * (1 - cb) : cb + (2 * cs - 1) * (softLightD(cb) - cb);
}
// B = |Cb − Cs|
inline float difference(float cb, float cs) { return std::abs(cb - cs); }
// B = Cb + Cs − 2 · Cb · Cs
inline float exclusion(float cb, float cs) { return cb + cs - 2 * cb * cs; }

// Lum(C) = 0.3 R + 0.59 G + 0.11 B
inline float lum(Rgb c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }
inline float minOf(Rgb c) { return std::min(std::min(c.r, c.g), c.b); }
inline float maxOf(Rgb c) { return std::max(std::max(c.r, c.g), c.b); }
// Sat(C) = max(C) − min(C)
inline float sat(Rgb c) { return maxOf(c) - minOf(c); }

// ClipColor(C) with L = Lum(C): pulls C towards L until it fits 0–1 (only one side can overflow).
inline Rgb clipColor(Rgb c, float l)
{
    const float n = minOf(c), x = maxOf(c);
    const bool low = n < 0;  // one division serves both sides
    const float f = low || x > 1 ? (low ? l : 1 - l) / std::max(low ? l - n : x - l, 1e-20f) : 1.0f;
    return {l + (c.r - l) * f, l + (c.g - l) * f, l + (c.b - l) * f};
}
// SetLum(C, l) = ClipColor(C + (l − Lum(C))), whose luminosity is l.
inline Rgb setLum(Rgb c, float l)
{
    const float d = l - lum(c);
    return clipColor({c.r + d, c.g + d, c.b + d}, l);
}
// SetSat(C, s): max → s, min → 0, mid → (mid − min)·s / (max − min); all 0 when grey.
inline Rgb setSat(Rgb c, float s)
{
    const float n = minOf(c), f = s / std::max(maxOf(c) - n, 1e-20f);
    return {(c.r - n) * f, (c.g - n) * f, (c.b - n) * f};
}

// B = SetLum(SetSat(Cs, Sat(Cb)), Lum(Cb))
inline Rgb hue(Rgb cb, Rgb cs) { return setLum(setSat(cs, sat(cb)), lum(cb)); }
// B = SetLum(SetSat(Cb, Sat(Cs)), Lum(Cb))
inline Rgb saturation(Rgb cb, Rgb cs) { return setLum(setSat(cb, sat(cs)), lum(cb)); }
// B = SetLum(Cs, Lum(Cb))
inline Rgb color(Rgb cb, Rgb cs) { return setLum(cs, lum(cb)); }
// B = SetLum(Cb, Lum(Cs))
inline Rgb luminosity(Rgb cb, Rgb cs) { return setLum(cb, lum(cs)); }

// The same modes on premultiplied 8-bit samples, for those whose formula needs no division, root
// or branch (the float code of the others is as fast):
// with the source already scaled by its weight, co = cs + cb − (cs·ab + cb·as)/255 + as·ab·B/255,
// and as·ab·B is a sum of products of premultiplied samples. Values are in 1/256 of a level, so
// the products keep the fractions of a weighted source and the result is within 1/40 level of
// exact. Each lane is one component of a pixel; two pixels are blended at a time.
namespace integer {

using Lanes = std::uint16_t __attribute__((vector_size(16)));

// x · b / 255 for x in 1/256 levels and b257 = 257 · b: the high half of the product, as 257/2^16
// is 1/255 within 2^-16 (and b·257 is the byte repeated).
inline Lanes times(Lanes x, Lanes b257)
{
#if defined(__SSE2__)
    return Lanes(_mm_mulhi_epu16(__m128i(x), __m128i(b257)));
#else
    using Wide = std::uint32_t __attribute__((vector_size(32)));
    return __builtin_convertvector(__builtin_convertvector(x, Wide) * __builtin_convertvector(b257, Wide) >> 16, Lanes);
#endif
}
inline Lanes lower(Lanes a, Lanes b) { return a < b ? a : b; }
inline Lanes higher(Lanes a, Lanes b) { return a < b ? b : a; }

// The components of two pixels in 1/256 levels. Sums wrap modulo
// 2^16; every formula ends within 0–255 levels, so the wrapped sum is exact.
struct Terms {
    Lanes s, as;          // weighted source and its alpha
    Lanes b;              // backdrop
    Lanes sab, bas, sb;   // cs·ab, cb·as, cs·cb, each / 255
    Lanes base() const { return s + b - sab - bas; }  // cs(1 − ab) + cb(1 − as)
};

// B = Cs
inline Lanes normal(const Terms& t) { return t.s + t.b - t.bas; }
// B = Cb · Cs
inline Lanes multiply(const Terms& t) { return t.base() + t.sb; }
// B = Cb + Cs − Cb · Cs
inline Lanes screen(const Terms& t) { return t.s + t.b - t.sb; }
// B = min(Cb, Cs): as·ab·B = min(cb·as, cs·ab)
inline Lanes darken(const Terms& t) { return t.s + t.b - higher(t.sab, t.bas); }
// B = max(Cb, Cs)
inline Lanes lighten(const Terms& t) { return t.s + t.b - lower(t.sab, t.bas); }
// B = |Cb − Cs|
inline Lanes difference(const Terms& t) { return t.s + t.b - 2 * lower(t.sab, t.bas); }
// B = Cb + Cs − 2 · Cb · Cs
inline Lanes exclusion(const Terms& t) { return t.s + t.b - 2 * t.sb; }

}  // namespace integer

}  // namespace velmaris::blendmodes
