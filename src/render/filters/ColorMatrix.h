#pragma once

#include "model/Bitmap.h"

#include <array>

namespace velmaris {

// A 4 × 5 colour matrix on un-premultiplied RGBA: each output component is the dot product of its
// vector with the input (r, g, b, a) plus its bias. The default is the identity.
struct ColorMatrix {
    std::array<double, 4> red{1, 0, 0, 0};
    std::array<double, 4> green{0, 1, 0, 0};
    std::array<double, 4> blue{0, 0, 1, 0};
    std::array<double, 4> alpha{0, 0, 0, 1};
    std::array<double, 4> bias{0, 0, 0, 0};
};

// The matrix applied to every pixel, alpha included; results are clamped to 0–1.
Bitmap colorMatrixFilter(const Bitmap& input, const ColorMatrix& matrix);

// The classic sepia matrix mixed with the original colour by `intensity` (0 = unchanged, 1 = full).
Bitmap sepiaToneFilter(const Bitmap& input, double intensity);

// Rotates every colour's hue by `angle` radians about the grey axis (positive: red towards yellow).
Bitmap hueAdjustFilter(const Bitmap& input, double angle);

}  // namespace velmaris
