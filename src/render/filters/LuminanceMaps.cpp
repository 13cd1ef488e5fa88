#include "render/filters/LuminanceMaps.h"

#include "render/filters/ColorMapping.h"
#include "render/filters/ColorMath.h"
#include "render/filters/SaturationCurves.h"
#include "render/filters/ToneCurve.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace velmaris {

namespace {

struct PaletteStop {
    double position;
    std::array<double, 3> rgb;
};

constexpr PaletteStop kThermalPalette[] = {
    {0.00, {0.02, 0.02, 0.22}}, {0.18, {0.10, 0.08, 0.85}}, {0.38, {0.68, 0.10, 0.78}}, {0.55, {0.95, 0.15, 0.20}},
    {0.72, {1.00, 0.55, 0.00}}, {0.88, {1.00, 0.92, 0.10}}, {1.00, {1.00, 1.00, 1.00}},
};

// One channel of the thermal palette, linear between stops.
ToneCurve thermalChannel(int channel)
{
    return ToneCurve::sampled([=](double t) {
        const auto* upper = std::upper_bound(std::begin(kThermalPalette), std::end(kThermalPalette), t,
                                             [](double v, const PaletteStop& stop) { return v < stop.position; });
        if (upper == std::begin(kThermalPalette))
            return upper->rgb[channel];
        if (upper == std::end(kThermalPalette))
            return std::prev(upper)->rgb[channel];
        const PaletteStop& low = *std::prev(upper);
        const double f = (t - low.position) / (upper->position - low.position);
        return low.rgb[channel] + (upper->rgb[channel] - low.rgb[channel]) * f;
    });
}

}  // namespace

Bitmap thermalFilter(const Bitmap& input)
{
    static const ToneCurve red = thermalChannel(0), green = thermalChannel(1), blue = thermalChannel(2);
    return mapSaturationThroughCurves(input, 0, {&red, &green, &blue});
}

Bitmap xRayFilter(const Bitmap& input)
{
    constexpr float dark[3] = {0.0f, 0.03f, 0.10f};
    constexpr float light[3] = {0.86f, 0.96f, 1.0f};
    return mapColors(input, [&](float& r, float& g, float& b) {
        const float t = 1.0f - luminance(r, g, b);
        r = mix(dark[0], light[0], t);
        g = mix(dark[1], light[1], t);
        b = mix(dark[2], light[2], t);
    });
}

Bitmap colorMonochromeFilter(const Bitmap& input, const QColor& color, double intensity)
{
    const QColor rgb = color.isValid() ? color.toRgb() : QColor(Qt::gray);
    const float tone[3] = {float(rgb.redF()), float(rgb.greenF()), float(rgb.blueF())};
    const float amount = float(std::clamp(finiteOr(intensity, 0), 0.0, 1.0));
    if (amount == 0)
        return input;
    // Hard light of the luminance onto the colour: 2·l·c below ½, 1 − 2(1 − l)(1 − c) above.
    const auto toned = [](float l, float c) { return l < 0.5f ? 2 * l * c : 1 - 2 * (1 - l) * (1 - c); };
    return mapColors(input, [&](float& r, float& g, float& b) {
        const float l = luminance(r, g, b);
        r = mix(r, toned(l, tone[0]), amount);
        g = mix(g, toned(l, tone[1]), amount);
        b = mix(b, toned(l, tone[2]), amount);
    });
}

}  // namespace velmaris
