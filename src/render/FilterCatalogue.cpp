#include "render/FilterCatalogue.h"

#include "render/filters/BlendFilters.h"
#include "render/filters/BloomGloomFilters.h"
#include "render/filters/BokehBlurFilter.h"
#include "render/filters/CmykHalftone.h"
#include "render/filters/ColorControls.h"
#include "render/filters/ColorMatrix.h"
#include "render/filters/ComicEffect.h"
#include "render/filters/Convolution3x3Filter.h"
#include "render/filters/Crystallize.h"
#include "render/filters/EdgesFilter.h"
#include "render/filters/GaussianBlurFilter.h"
#include "render/filters/HighlightShadow.h"
#include "render/filters/LuminanceMaps.h"
#include "render/filters/MedianFilter.h"
#include "render/filters/MotionBlurFilter.h"
#include "render/filters/NoiseReductionFilter.h"
#include "render/filters/PhotoEffect.h"
#include "render/filters/Pixellate.h"
#include "render/filters/RadialDistortions.h"
#include "render/filters/RandomNoise.h"
#include "render/filters/Screens.h"
#include "render/filters/SharpenFilters.h"
#include "render/filters/ToneFilters.h"
#include "render/filters/TriangleKaleidoscope.h"
#include "render/filters/Vignette.h"
#include "render/filters/WhiteBalance.h"
#include "render/filters/ZoomBlurFilter.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmaris {

namespace {

using Values = FilterValues;
using P = FilterParameter;
constexpr auto essential = FilterCategory::essential;
constexpr auto artistic = FilterCategory::artistic;
constexpr auto distort = FilterCategory::distort;
constexpr auto adjustment = FilterCategory::adjustment;

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

double shortSide(const Bitmap& image)
{
    return std::min(image.width(), image.height());
}

QPointF midpoint(const Bitmap& image)
{
    return QPointF(image.width() / 2.0, image.height() / 2.0);
}

// Entries whose title ends in "…" open the adjustment panel; the others apply at once.
FilterDescriptor entry(QString identifier, QString historyName, FilterCategory category,
                       QVector<FilterParameter> parameters,
                       std::function<Bitmap(const Bitmap&, const Values&)> build)
{
    QString menuTitle = historyName + (parameters.isEmpty() ? QString() : QStringLiteral("…"));
    return {std::move(identifier), std::move(menuTitle), std::move(historyName), category,
            std::move(parameters), std::move(build)};
}

const P centerX{QStringLiteral("centerX"), QStringLiteral("Center X"), 0, 1, 0.5};
const P centerY{QStringLiteral("centerY"), QStringLiteral("Center Y"), 0, 1, 0.5};

Bitmap filmGrain(const Bitmap& input, double amount, double size)
{
    Bitmap noise = randomNoiseImage(input.width(), input.height(), std::max(size, 1.0));
    noise = colorControlsFilter(noise, 0, 0, 1);
    ColorMatrix fade;
    fade.alpha = {0, 0, 0, amount};
    return overlayBlendFilter(colorMatrixFilter(noise, fade), input);
}

Bitmap pencilSketch(const Bitmap& input, double softness, double shade)
{
    const Bitmap grey = colorControlsFilter(input, 0, 0, 1);
    const Bitmap blurred = gaussianBlurFilter(invertColorsFilter(grey), shortSide(input) * softness / 150.0);
    return gammaAdjustFilter(colorDodgeBlendFilter(blurred, grey), shade);
}

Bitmap emboss(const Bitmap& input, double k)
{
    return convolution3x3Filter(input, {-2 * k, -k, 0, -k, 1, k, 0, k, 2 * k}, 0.5 * std::min(k, 1.0));
}

Bitmap colorBalance(const Bitmap& input, double red, double green, double blue)
{
    ColorMatrix matrix;
    matrix.red = {1 + red / 200, 0, 0, 0};
    matrix.green = {0, 1 + green / 200, 0, 0};
    matrix.blue = {0, 0, 1 + blue / 200, 0};
    return colorMatrixFilter(input, matrix);
}

QVector<FilterDescriptor> makeCatalogue()
{
    const auto v = [](const Values& values, const char* key) { return values.value(QString::fromLatin1(key)); };
    const auto photo = [](PhotoEffect effect) {
        return [effect](const Bitmap& in, const Values&) { return photoEffectFilter(in, effect); };
    };
    const auto screen = [v](auto filter) {
        return [v, filter](const Bitmap& in, const Values& x) {
            return filter(in, midpoint(in), radians(v(x, "angle")), v(x, "width"), 0.7);
        };
    };
    const P radiusP{QStringLiteral("inputRadius"), QStringLiteral("Radius"), 0, 25, 10};
    const P intensityP{QStringLiteral("inputIntensity"), QStringLiteral("Intensity"), 0, 1, 0.5};

    return {
        // Essential.
        entry(QStringLiteral("gaussianBlur"), QStringLiteral("Gaussian Blur"), essential,
              {{QStringLiteral("inputRadius"), QStringLiteral("Radius"), 0, 100, 10}},
              [v](const Bitmap& in, const Values& x) { return gaussianBlurFilter(in, v(x, "inputRadius")); }),
        entry(QStringLiteral("motionBlur"), QStringLiteral("Motion Blur"), essential,
              {{QStringLiteral("radius"), QStringLiteral("Radius"), 0, 200, 20},
               {QStringLiteral("direction"), QStringLiteral("Direction °"), 0, 360, 0}},
              [v](const Bitmap& in, const Values& x) {
                  return motionBlurFilter(in, v(x, "radius"), radians(v(x, "direction")));
              }),
        entry(QStringLiteral("sharpen"), QStringLiteral("Sharpen"), essential,
              {{QStringLiteral("inputSharpness"), QStringLiteral("Sharpness"), 0, 2, 0.4}},
              [v](const Bitmap& in, const Values& x) { return sharpenLuminanceFilter(in, v(x, "inputSharpness")); }),
        entry(QStringLiteral("unsharpMask"), QStringLiteral("Unsharp Mask"), essential,
              {{QStringLiteral("inputRadius"), QStringLiteral("Radius"), 0, 20, 2.5},
               {QStringLiteral("inputIntensity"), QStringLiteral("Intensity"), 0, 2, 0.5}},
              [v](const Bitmap& in, const Values& x) {
                  return unsharpMaskFilter(in, v(x, "inputRadius"), v(x, "inputIntensity"));
              }),
        entry(QStringLiteral("median"), QStringLiteral("Median"), essential, {},
              [](const Bitmap& in, const Values&) { return medianFilter(in); }),
        entry(QStringLiteral("noiseReduction"), QStringLiteral("Noise Reduction"), essential,
              {{QStringLiteral("inputNoiseLevel"), QStringLiteral("Noise Level"), 0, 0.1, 0.02},
               {QStringLiteral("inputSharpness"), QStringLiteral("Sharpness"), 0, 2, 0.4}},
              [v](const Bitmap& in, const Values& x) {
                  return noiseReductionFilter(in, v(x, "inputNoiseLevel"), v(x, "inputSharpness"));
              }),
        entry(QStringLiteral("invert"), QStringLiteral("Invert Colors"), essential, {},
              [](const Bitmap& in, const Values&) { return invertColorsFilter(in); }),
        entry(QStringLiteral("posterize"), QStringLiteral("Posterize"), essential,
              {{QStringLiteral("inputLevels"), QStringLiteral("Levels"), 2, 30, 6}},
              [v](const Bitmap& in, const Values& x) { return posterizeFilter(in, v(x, "inputLevels")); }),
        entry(QStringLiteral("pixellate"), QStringLiteral("Pixellate"), essential,
              {{QStringLiteral("inputScale"), QStringLiteral("Scale"), 1, 100, 8}},
              [v](const Bitmap& in, const Values& x) { return pixellateFilter(in, v(x, "inputScale"), midpoint(in)); }),
        entry(QStringLiteral("zoomBlur"), QStringLiteral("Zoom Blur"), essential,
              {centerX, centerY, {QStringLiteral("amount"), QStringLiteral("Amount"), 0, 100, 15}},
              [v](const Bitmap& in, const Values& x) {
                  return zoomBlurFilter(in, filterCenter(x, in.size()), v(x, "amount"));
              }),
        entry(QStringLiteral("bokehBlur"), QStringLiteral("Bokeh Blur"), essential,
              {{QStringLiteral("inputRadius"), QStringLiteral("Radius"), 0, 50, 12}},
              [v](const Bitmap& in, const Values& x) { return bokehBlurFilter(in, v(x, "inputRadius")); }),
        entry(QStringLiteral("emboss"), QStringLiteral("Emboss"), essential,
              {{QStringLiteral("intensity"), QStringLiteral("Intensity"), 0, 2, 1}},
              [v](const Bitmap& in, const Values& x) { return emboss(in, v(x, "intensity")); }),
        entry(QStringLiteral("filmGrain"), QStringLiteral("Film Grain"), essential,
              {{QStringLiteral("amount"), QStringLiteral("Amount"), 0, 1, 0.3},
               {QStringLiteral("size"), QStringLiteral("Size"), 1, 4, 1}},
              [v](const Bitmap& in, const Values& x) { return filmGrain(in, v(x, "amount"), v(x, "size")); }),

        // Artistic.
        entry(QStringLiteral("sepia"), QStringLiteral("Sepia Tone"), artistic,
              {{QStringLiteral("inputIntensity"), QStringLiteral("Intensity"), 0, 1, 0.8}},
              [v](const Bitmap& in, const Values& x) { return sepiaToneFilter(in, v(x, "inputIntensity")); }),
        entry(QStringLiteral("vignette"), QStringLiteral("Vignette"), artistic,
              {centerX, centerY, {QStringLiteral("radius"), QStringLiteral("Radius"), 0.1, 1.5, 0.75},
               {QStringLiteral("intensity"), QStringLiteral("Intensity"), 0, 1, 0.7}},
              [v](const Bitmap& in, const Values& x) {
                  return vignetteEffectFilter(in, filterCenter(x, in.size()), v(x, "radius") * shortSide(in),
                                              v(x, "intensity"), 0.5);
              }),
        entry(QStringLiteral("bloom"), QStringLiteral("Bloom"), artistic, {radiusP, intensityP},
              [v](const Bitmap& in, const Values& x) {
                  return bloomFilter(in, v(x, "inputRadius"), v(x, "inputIntensity"));
              }),
        entry(QStringLiteral("gloom"), QStringLiteral("Gloom"), artistic, {radiusP, intensityP},
              [v](const Bitmap& in, const Values& x) {
                  return gloomFilter(in, v(x, "inputRadius"), v(x, "inputIntensity"));
              }),
        entry(QStringLiteral("comic"), QStringLiteral("Comic Effect"), artistic, {},
              [](const Bitmap& in, const Values&) { return comicEffectFilter(in); }),
        entry(QStringLiteral("crystallize"), QStringLiteral("Crystallize"), artistic,
              {{QStringLiteral("inputRadius"), QStringLiteral("Radius"), 1, 100, 20}},
              [v](const Bitmap& in, const Values& x) {
                  return crystallizeFilter(in, v(x, "inputRadius"), midpoint(in));
              }),
        entry(QStringLiteral("pointillize"), QStringLiteral("Pointillize"), artistic,
              {{QStringLiteral("inputRadius"), QStringLiteral("Radius"), 1, 100, 20}},
              [v](const Bitmap& in, const Values& x) {
                  return pointillizeFilter(in, v(x, "inputRadius"), midpoint(in));
              }),
        entry(QStringLiteral("hexPixellate"), QStringLiteral("Hexagonal Pixellate"), artistic,
              {{QStringLiteral("inputScale"), QStringLiteral("Scale"), 1, 100, 8}},
              [v](const Bitmap& in, const Values& x) {
                  return hexagonalPixellateFilter(in, v(x, "inputScale"), midpoint(in));
              }),
        entry(QStringLiteral("dotScreen"), QStringLiteral("Dot Screen"), artistic,
              {{QStringLiteral("inputWidth"), QStringLiteral("Width"), 1, 50, 6},
               {QStringLiteral("inputSharpness"), QStringLiteral("Sharpness"), 0, 1, 0.7}},
              [v](const Bitmap& in, const Values& x) {
                  return dotScreenFilter(in, midpoint(in), 0, v(x, "inputWidth"), v(x, "inputSharpness"));
              }),
        entry(QStringLiteral("edges"), QStringLiteral("Edges"), artistic,
              {{QStringLiteral("inputIntensity"), QStringLiteral("Intensity"), 0, 10, 1}},
              [v](const Bitmap& in, const Values& x) { return edgesFilter(in, v(x, "inputIntensity")); }),
        entry(QStringLiteral("noir"), QStringLiteral("Noir"), artistic, {}, photo(PhotoEffect::noir)),
        entry(QStringLiteral("chrome"), QStringLiteral("Chrome"), artistic, {}, photo(PhotoEffect::chrome)),
        entry(QStringLiteral("instant"), QStringLiteral("Instant"), artistic, {}, photo(PhotoEffect::instant)),
        entry(QStringLiteral("photoFade"), QStringLiteral("Fade"), artistic, {}, photo(PhotoEffect::fade)),
        entry(QStringLiteral("photoProcess"), QStringLiteral("Process"), artistic, {}, photo(PhotoEffect::process)),
        entry(QStringLiteral("photoTonal"), QStringLiteral("Tonal"), artistic, {}, photo(PhotoEffect::tonal)),
        entry(QStringLiteral("photoTransfer"), QStringLiteral("Transfer"), artistic, {},
              photo(PhotoEffect::transfer)),
        entry(QStringLiteral("cmykHalftone"), QStringLiteral("CMYK Halftone"), artistic,
              {{QStringLiteral("inputWidth"), QStringLiteral("Width"), 2, 100, 25}},
              [v](const Bitmap& in, const Values& x) {
                  return cmykHalftoneFilter(in, midpoint(in), v(x, "inputWidth"));
              }),
        entry(QStringLiteral("lineScreen"), QStringLiteral("Line Screen"), artistic,
              {{QStringLiteral("width"), QStringLiteral("Width"), 2, 100, 25},
               {QStringLiteral("angle"), QStringLiteral("Angle °"), 0, 180, 0}},
              screen(lineScreenFilter)),
        entry(QStringLiteral("hatchedScreen"), QStringLiteral("Hatched Screen"), artistic,
              {{QStringLiteral("width"), QStringLiteral("Width"), 2, 100, 25},
               {QStringLiteral("angle"), QStringLiteral("Angle °"), 0, 180, 0}},
              screen(hatchedScreenFilter)),
        entry(QStringLiteral("thermal"), QStringLiteral("Thermal"), artistic, {},
              [](const Bitmap& in, const Values&) { return thermalFilter(in); }),
        entry(QStringLiteral("xRay"), QStringLiteral("X-Ray"), artistic, {},
              [](const Bitmap& in, const Values&) { return xRayFilter(in); }),
        entry(QStringLiteral("pencilSketch"), QStringLiteral("Pencil Sketch"), artistic,
              {{QStringLiteral("softness"), QStringLiteral("Softness"), 0.2, 4, 1},
               {QStringLiteral("shade"), QStringLiteral("Shading"), 1, 4, 1.8}},
              [v](const Bitmap& in, const Values& x) { return pencilSketch(in, v(x, "softness"), v(x, "shade")); }),

        // Distort.
        entry(QStringLiteral("twirl"), QStringLiteral("Twirl"), distort,
              {centerX, centerY, {QStringLiteral("radius"), QStringLiteral("Radius"), 0.05, 1, 0.3},
               {QStringLiteral("angle"), QStringLiteral("Angle °"), -180, 180, 90}},
              [v](const Bitmap& in, const Values& x) {
                  return twirlFilter(in, filterCenter(x, in.size()), v(x, "radius") * shortSide(in),
                                     radians(v(x, "angle")));
              }),
        entry(QStringLiteral("pinch"), QStringLiteral("Pinch"), distort,
              {centerX, centerY, {QStringLiteral("radius"), QStringLiteral("Radius"), 0.05, 1, 0.3},
               {QStringLiteral("scale"), QStringLiteral("Amount"), 0, 1, 0.5}},
              [v](const Bitmap& in, const Values& x) {
                  return pinchFilter(in, filterCenter(x, in.size()), v(x, "radius") * shortSide(in), v(x, "scale"));
              }),
        entry(QStringLiteral("bump"), QStringLiteral("Bump"), distort,
              {centerX, centerY, {QStringLiteral("radius"), QStringLiteral("Radius"), 0.05, 1, 0.3},
               {QStringLiteral("scale"), QStringLiteral("Amount"), -1, 1, 0.5}},
              [v](const Bitmap& in, const Values& x) {
                  return bumpFilter(in, filterCenter(x, in.size()), v(x, "radius") * shortSide(in), v(x, "scale"));
              }),
        entry(QStringLiteral("vortex"), QStringLiteral("Vortex"), distort,
              {centerX, centerY, {QStringLiteral("radius"), QStringLiteral("Radius"), 0.05, 1, 0.4},
               {QStringLiteral("angle"), QStringLiteral("Twist °"), 0, 2400, 700}},
              [v](const Bitmap& in, const Values& x) {
                  return vortexFilter(in, filterCenter(x, in.size()), v(x, "radius") * shortSide(in),
                                      radians(v(x, "angle")));
              }),
        entry(QStringLiteral("kaleidoscope"), QStringLiteral("Kaleidoscope"), distort,
              {centerX, centerY, {QStringLiteral("size"), QStringLiteral("Size"), 0.05, 1, 0.4},
               {QStringLiteral("rotation"), QStringLiteral("Rotation °"), 0, 360, 0}},
              [v](const Bitmap& in, const Values& x) {
                  return triangleKaleidoscopeFilter(in, filterCenter(x, in.size()), v(x, "size") * shortSide(in),
                                                    radians(v(x, "rotation")), 0.85);
              }),

        // Adjustments.
        entry(QStringLiteral("brightnessContrast"), QStringLiteral("Brightness/Contrast"), adjustment,
              {{QStringLiteral("brightness"), QStringLiteral("Brightness"), -1, 1, 0},
               {QStringLiteral("contrast"), QStringLiteral("Contrast"), 0.25, 4, 1}},
              [v](const Bitmap& in, const Values& x) {
                  return colorControlsFilter(in, 1, v(x, "brightness"), v(x, "contrast"));
              }),
        entry(QStringLiteral("hueSaturationLightness"), QStringLiteral("Hue/Saturation/Lightness"), adjustment,
              {{QStringLiteral("hue"), QStringLiteral("Hue"), -180, 180, 0},
               {QStringLiteral("saturation"), QStringLiteral("Saturation"), 0, 2, 1},
               {QStringLiteral("lightness"), QStringLiteral("Lightness"), -1, 1, 0}},
              [v](const Bitmap& in, const Values& x) {
                  return colorControlsFilter(hueAdjustFilter(in, radians(v(x, "hue"))), v(x, "saturation"),
                                             v(x, "lightness"), 1);
              }),
        entry(QStringLiteral("colorBalance"), QStringLiteral("Color Balance"), adjustment,
              {{QStringLiteral("red"), QStringLiteral("Red"), -100, 100, 0},
               {QStringLiteral("green"), QStringLiteral("Green"), -100, 100, 0},
               {QStringLiteral("blue"), QStringLiteral("Blue"), -100, 100, 0}},
              [v](const Bitmap& in, const Values& x) {
                  return colorBalance(in, v(x, "red"), v(x, "green"), v(x, "blue"));
              }),
        entry(QStringLiteral("exposure"), QStringLiteral("Exposure"), adjustment,
              {{QStringLiteral("inputEV"), QStringLiteral("EV"), -3, 3, 0.5}},
              [v](const Bitmap& in, const Values& x) { return exposureAdjustFilter(in, v(x, "inputEV")); }),
        entry(QStringLiteral("vibrance"), QStringLiteral("Vibrance"), adjustment,
              {{QStringLiteral("inputAmount"), QStringLiteral("Amount"), -1, 1, 0.5}},
              [v](const Bitmap& in, const Values& x) { return vibranceFilter(in, v(x, "inputAmount")); }),
        entry(QStringLiteral("temperatureTint"), QStringLiteral("Temperature/Tint"), adjustment,
              {{QStringLiteral("temperature"), QStringLiteral("Temperature"), -3000, 3000, 0},
               {QStringLiteral("tint"), QStringLiteral("Tint"), -150, 150, 0}},
              [v](const Bitmap& in, const Values& x) {
                  return temperatureTintFilter(in, ColorNeutral{6500, 0},
                                               ColorNeutral{6500 + v(x, "temperature"), v(x, "tint")});
              }),
        entry(QStringLiteral("shadowsHighlights"), QStringLiteral("Shadows/Highlights"), adjustment,
              {{QStringLiteral("inputShadowAmount"), QStringLiteral("Shadows"), -1, 1, 0.3},
               {QStringLiteral("inputHighlightAmount"), QStringLiteral("Highlights"), 0.3, 1, 1}},
              [v](const Bitmap& in, const Values& x) {
                  return highlightShadowAdjustFilter(in, v(x, "inputShadowAmount"), v(x, "inputHighlightAmount"));
              }),
        entry(QStringLiteral("gamma"), QStringLiteral("Gamma"), adjustment,
              {{QStringLiteral("inputPower"), QStringLiteral("Gamma"), 0.25, 3, 1}},
              [v](const Bitmap& in, const Values& x) { return gammaAdjustFilter(in, v(x, "inputPower")); }),
        entry(QStringLiteral("monochromeTint"), QStringLiteral("Monochrome"), adjustment,
              {{QStringLiteral("intensity"), QStringLiteral("Intensity"), 0, 1, 1}},
              [v](const Bitmap& in, const Values& x) {
                  return colorMonochromeFilter(in, QColor::fromRgbF(0.65f, 0.65f, 0.65f), v(x, "intensity"));
              }),
    };
}

}  // namespace

double FilterParameter::sanitized(double value) const
{
    if (!std::isfinite(value))
        return defaultValue;
    return std::clamp(value, minimum, maximum);
}

const FilterParameter* FilterDescriptor::parameter(const QString& key) const
{
    for (const FilterParameter& candidate : parameters)
        if (candidate.key == key)
            return &candidate;
    return nullptr;
}

FilterInstance FilterInstance::withDefaults(const FilterDescriptor& descriptor)
{
    FilterInstance instance{&descriptor, {}};
    for (const FilterParameter& parameter : descriptor.parameters)
        instance.values.insert(parameter.key, parameter.defaultValue);
    return instance;
}

bool FilterInstance::setValue(const QString& key, double value)
{
    const FilterParameter* parameter = descriptor ? descriptor->parameter(key) : nullptr;
    if (!parameter)
        return false;
    values.insert(key, parameter->sanitized(value));
    return true;
}

Bitmap FilterInstance::apply(const Bitmap& input) const
{
    if (!descriptor || input.isNull())
        return input;
    // Every value reaches the build step in range, whatever the caller stored.
    FilterValues checked;
    for (const FilterParameter& parameter : descriptor->parameters)
        checked.insert(parameter.key, parameter.sanitized(values.value(parameter.key, parameter.defaultValue)));
    Bitmap output = descriptor->build(input, checked);
    if (output.isNull())
        return input;
    if (output.size() != input.size())
        output = Bitmap::fromImage(output.image().copy(0, 0, input.width(), input.height()));
    return output;
}

const QVector<FilterDescriptor>& filterCatalogue()
{
    static const QVector<FilterDescriptor> catalogue = makeCatalogue();
    return catalogue;
}

const FilterDescriptor* findFilter(const QString& identifier)
{
    for (const FilterDescriptor& descriptor : filterCatalogue())
        if (descriptor.identifier == identifier)
            return &descriptor;
    return nullptr;
}

QPointF filterCenter(const FilterValues& values, QSize extent)
{
    return QPointF(extent.width() * values.value(QStringLiteral("centerX"), 0.5),
                   extent.height() * values.value(QStringLiteral("centerY"), 0.5));
}

}  // namespace velmaris
