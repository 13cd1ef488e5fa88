#include "render/filters/WhiteBalance.h"

#include "render/filters/LinearLightMatrix.h"
#include "render/filters/ToneCurve.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velmaris {

namespace {

using Vector3 = std::array<double, 3>;
using Matrix3 = std::array<Vector3, 3>;

Matrix3 multiply(const Matrix3& a, const Matrix3& b)
{
    Matrix3 product{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                product[i][j] += a[i][k] * b[k][j];
    return product;
}

Vector3 multiply(const Matrix3& m, const Vector3& v)
{
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

// CIE 1960 uv of the blackbody at `kelvin` (Krystek's rational approximation, 1000–15000 K).
std::array<double, 2> planckianUv(double kelvin)
{
    const double t = kelvin, t2 = t * t;
    return {(0.860117757 + 1.54118254e-4 * t + 1.28641212e-7 * t2) / (1 + 8.42420235e-4 * t + 7.08145163e-7 * t2),
            (0.317398726 + 4.22806245e-5 * t + 4.20481691e-8 * t2) / (1 - 2.89741816e-5 * t + 1.61456053e-7 * t2)};
}

// XYZ (Y = 1) of a white point given as temperature and tint.
Vector3 whitePointXyz(ColorNeutral neutral)
{
    const double kelvin = std::clamp(finiteOr(neutral.temperature, 6500.0), 1000.0, 15000.0);
    const double tint = std::clamp(finiteOr(neutral.tint, 0.0), -1000.0, 1000.0);
    const auto uv = planckianUv(kelvin);
    const auto hotter = planckianUv(kelvin + 1);
    // Unit normal to the curve on its green side (higher v).
    double nu = hotter[1] - uv[1], nv = uv[0] - hotter[0];
    const double length = std::hypot(nu, nv);
    const double side = nv >= 0 ? 1.0 : -1.0;
    const double u = uv[0] + side * nu / length * tint / 3000.0;
    const double v = uv[1] + side * nv / length * tint / 3000.0;
    const double d = 2 * u - 8 * v + 4;
    const double x = 3 * u / d, y = 2 * v / d;
    return {x / y, 1.0, (1 - x - y) / y};
}

}  // namespace

Bitmap exposureAdjustFilter(const Bitmap& input, double ev)
{
    // Beyond ±20 stops every component is already 0 or 1.
    const double gain = std::exp2(std::clamp(finiteOr(ev, 0.0), -20.0, 20.0));
    if (gain == 1.0)
        return input;
    // A scale of each channel on its own: one curve per component instead of decoding and encoding.
    return applyToneCurve(input, ToneCurve::sampled([=](double v) { return srgbEncode(std::min(srgbDecode(v) * gain, 1.0)); }));
}

Bitmap temperatureTintFilter(const Bitmap& input, ColorNeutral neutral, ColorNeutral targetNeutral)
{
    constexpr Matrix3 bradford{{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
    constexpr Matrix3 bradfordInverse{
        {{0.9869929, -0.1470543, 0.1599627}, {0.4323053, 0.5183603, 0.0492912}, {-0.0085287, 0.0400428, 0.9684867}}};
    constexpr Matrix3 rgbToXyz{
        {{0.4124564, 0.3575761, 0.1804375}, {0.2126729, 0.7151522, 0.0721750}, {0.0193339, 0.1191920, 0.9503041}}};
    constexpr Matrix3 xyzToRgb{
        {{3.2404542, -1.5371385, -0.4985314}, {-0.9692660, 1.8760108, 0.0415560}, {0.0556434, -0.2040259, 1.0572252}}};
    const Vector3 source = multiply(bradford, whitePointXyz(neutral));
    const Vector3 target = multiply(bradford, whitePointXyz(targetNeutral));
    if (source == target)
        return input;
    const Matrix3 coneGain{{{target[0] / source[0], 0, 0}, {0, target[1] / source[1], 0}, {0, 0, target[2] / source[2]}}};
    const Matrix3 adaptation = multiply(xyzToRgb, multiply(bradfordInverse, multiply(coneGain, multiply(bradford, rgbToXyz))));
    ColorMatrix3 rows;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rows[i][j] = float(adaptation[i][j]);
    return linearLightMatrixFilter(input, rows);
}

}  // namespace velmaris
