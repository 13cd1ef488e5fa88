#include "render/filters/PhotoEffect.h"

#include "render/filters/ColorMath.h"
#include "render/filters/SaturationCurves.h"
#include "render/filters/ToneCurve.h"

#include <cmath>

namespace velmaris {

namespace {

// One channel's tone curve: v^gamma, bent by an S-curve (contrast > 0) or flattened (< 0), then
// mapped from 0–1 onto black–white (lifted blacks and lowered whites fade the print).
struct ChannelCurve {
    double black, white, gamma, contrast;
};

struct Look {
    double saturation;
    ChannelCurve red, green, blue;
};

Look lookOf(PhotoEffect effect)
{
    switch (effect) {
    case PhotoEffect::noir:
        return {0.0, {0, 1, 1.15, 0.9}, {0, 1, 1.15, 0.9}, {0, 1, 1.15, 0.9}};
    case PhotoEffect::chrome:
        return {1.35, {0, 1, 1.0, 0.3}, {0, 1, 1.0, 0.3}, {0.02, 1, 1.0, 0.3}};
    case PhotoEffect::instant:
        return {0.8, {0.09, 1.0, 0.9, -0.1}, {0.06, 0.96, 0.95, -0.1}, {0.04, 0.86, 1.0, -0.1}};
    case PhotoEffect::fade:
        return {0.65, {0.14, 0.92, 0.95, -0.25}, {0.14, 0.92, 0.95, -0.25}, {0.16, 0.92, 0.95, -0.25}};
    case PhotoEffect::process:
        return {1.05, {0.02, 0.94, 1.1, 0.25}, {0.02, 1.0, 0.95, 0.2}, {0.16, 0.9, 0.9, -0.1}};
    case PhotoEffect::tonal:
        return {0.0, {0.03, 0.97, 0.95, -0.15}, {0.03, 0.97, 0.95, -0.15}, {0.03, 0.97, 0.95, -0.15}};
    case PhotoEffect::transfer:
        return {0.9, {0.07, 1.0, 0.88, 0.15}, {0.04, 0.96, 0.98, 0.1}, {0.03, 0.8, 1.1, 0.05}};
    }
    return {1.0, {0, 1, 1, 0}, {0, 1, 1, 0}, {0, 1, 1, 0}};
}

ToneCurve toneCurveOf(const ChannelCurve& channel)
{
    return ToneCurve::sampled([&](double v) {
        const double powered = std::pow(v, channel.gamma);
        const double s = powered * powered * (3 - 2 * powered);
        return channel.black + (channel.white - channel.black) * (powered + channel.contrast * (s - powered));
    });
}

}  // namespace

Bitmap photoEffectFilter(const Bitmap& input, PhotoEffect effect)
{
    const Look look = lookOf(effect);
    const ToneCurve red = toneCurveOf(look.red), green = toneCurveOf(look.green), blue = toneCurveOf(look.blue);
    return mapSaturationThroughCurves(input, float(look.saturation), {&red, &green, &blue});
}

}  // namespace velmaris
