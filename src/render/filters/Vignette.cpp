#include "render/filters/Vignette.h"

#include "render/VectorLoop.h"
#include "render/filters/ColorMapping.h"
#include "render/filters/ColorMath.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

Bitmap vignetteEffectFilter(const Bitmap& input, QPointF center, double radius, double intensity, double falloff)
{
    // Coordinates far outside the image behave like the edge of the float range; keep them sane.
    constexpr double kFar = 1e7;
    const float cx = float(std::clamp(finiteOr(center.x(), 0), -kFar, kFar));
    const float cy = float(std::clamp(finiteOr(center.y(), 0), -kFar, kFar));
    const double r = std::clamp(finiteOr(radius, 0), 0.0, kFar);
    const double spread = std::clamp(finiteOr(falloff, 0.5), 0.0, 1.0);
    const float inner = float(r * (1 - spread));
    // A zero-width ramp would divide by zero; a hundredth of a pixel is still a hard edge.
    const float outer = std::max(float(r * (1 + spread)), inner + 0.01f);
    const float strength = float(std::clamp(finiteOr(intensity, 0), 0.0, 1.0));
    if (strength == 0)
        return input;
    return mapColorRows(input, [=](ColorRow& row) {
        const float dy = float(row.y) + 0.5f - cy;
        forEachIndex(row.width, [&](int x) {
            const float dx = float(x) + 0.5f - cx;
            const float factor = 1.0f - strength * smoothstep(inner, outer, std::sqrt(dx * dx + dy * dy));
            row.r[x] *= factor;
            row.g[x] *= factor;
            row.b[x] *= factor;
        });
    });
}

}  // namespace velmaris
