#include "render/filters/ColorMatrix.h"

#include "render/VectorLoop.h"
#include "render/filters/ColorMapping.h"
#include "render/filters/ColorMath.h"

#include <cmath>

namespace velmaris {

namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;

// A colour-only matrix (alpha kept) as a full colour matrix.
ColorMatrix colorMatrixOf(const Matrix3& m)
{
    ColorMatrix matrix;
    matrix.red = {m[0][0], m[0][1], m[0][2], 0};
    matrix.green = {m[1][0], m[1][1], m[1][2], 0};
    matrix.blue = {m[2][0], m[2][1], m[2][2], 0};
    return matrix;
}

}  // namespace

Bitmap colorMatrixFilter(const Bitmap& input, const ColorMatrix& matrix)
{
    // Non-finite coefficients would turn every pixel into NaN; treat them as 0.
    float m[5][4];
    const std::array<double, 4>* rows[5] = {&matrix.red, &matrix.green, &matrix.blue, &matrix.alpha, &matrix.bias};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = float(finiteOr((*rows[i])[j], 0));
    bool identity = true, perComponent = m[3][0] == 0 && m[3][1] == 0 && m[3][2] == 0 && m[3][3] == 1 && m[4][3] == 0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            identity = identity && m[i][j] == (i == j ? 1.0f : 0.0f) && m[4][j] == 0;
            perComponent = perComponent && (i == j || m[i][j] == 0);
        }
    if (identity)
        return input;
    // Each colour scaled and offset on its own, alpha kept: the colour balance, for one.
    if (perComponent)
        return mapComponents(input, [&](int c, float v) { return m[c][c] * v + m[4][c]; });
    return mapColorRows(input, [&](ColorRow& row) {
        forEachIndex(row.width, [&](int x) {
            const float r = row.r[x], g = row.g[x], b = row.b[x], a = row.a[x];
            row.r[x] = m[0][0] * r + m[0][1] * g + m[0][2] * b + m[0][3] * a + m[4][0];
            row.g[x] = m[1][0] * r + m[1][1] * g + m[1][2] * b + m[1][3] * a + m[4][1];
            row.b[x] = m[2][0] * r + m[2][1] * g + m[2][2] * b + m[2][3] * a + m[4][2];
            row.a[x] = m[3][0] * r + m[3][1] * g + m[3][2] * b + m[3][3] * a + m[4][3];
        });
    });
}

Bitmap sepiaToneFilter(const Bitmap& input, double intensity)
{
    constexpr Matrix3 sepia{{{0.393, 0.769, 0.189}, {0.349, 0.686, 0.168}, {0.272, 0.534, 0.131}}};
    const double t = finiteOr(intensity, 0.0);
    Matrix3 mixed{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            mixed[i][j] = (i == j ? 1 - t : 0.0) + t * sepia[i][j];
    return colorMatrixFilter(input, colorMatrixOf(mixed));
}

Bitmap hueAdjustFilter(const Bitmap& input, double angle)
{
    // Rodrigues' rotation about the unit grey axis (1, 1, 1)/√3: greys stay put.
    const double a = finiteOr(angle, 0.0);
    const double c = std::cos(a), s = std::sin(a) / std::sqrt(3.0), k = (1 - c) / 3;
    const Matrix3 rotation{{{c + k, k - s, k + s}, {k + s, c + k, k - s}, {k - s, k + s, c + k}}};
    return colorMatrixFilter(input, colorMatrixOf(rotation));
}

}  // namespace velmaris
