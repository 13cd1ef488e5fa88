#include "render/filters/HighlightShadow.h"

#include "render/filters/ColorMapping.h"
#include "render/filters/ColorMath.h"
#include "render/filters/ToneCurve.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

Bitmap highlightShadowAdjustFilter(const Bitmap& input, double shadowAmount, double highlightAmount)
{
    const double shadow = std::clamp(finiteOr(shadowAmount, 0.0), -1.0, 1.0);
    const double highlight = 1.0 - std::clamp(finiteOr(highlightAmount, 1.0), 0.0, 1.0);
    if (shadow == 0 && highlight == 0)
        return input;
    // The luminance gain out/in. Shadows: L + 2s·L·(1 − L)² when lifting (strongest at a third of
    // full luminance), L + s·L·(1 − L)² when deepening. Highlights: L − ½h·L², monotonic for h ≤ 1.
    const double shadowScale = shadow > 0 ? 2.0 : 1.0;
    const ToneCurve gain = ToneCurve::sampled([=](double l) {
        return std::max(0.0, 1.0 + shadowScale * shadow * (1 - l) * (1 - l) - 0.5 * highlight * l);
    });
    return mapColorRows(input, [&](ColorRow& row) {
        forEachIndex(row.width, [&](int x) { row.spare[x] = luminance(row.r[x], row.g[x], row.b[x]); });
        gain.apply(row.spare, row.width);
        forEachIndex(row.width, [&](int x) {
            row.r[x] *= row.spare[x];
            row.g[x] *= row.spare[x];
            row.b[x] *= row.spare[x];
        });
    });
}

}  // namespace velmaris
