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

// Every parameter key, written once: the descriptors and the build steps both name these, so a
// misspelt key does not compile.
namespace key {
#define VELMARIS_FILTER_KEY(name) constexpr QLatin1String name{#name}
VELMARIS_FILTER_KEY(amount);
VELMARIS_FILTER_KEY(angle);
VELMARIS_FILTER_KEY(blue);
VELMARIS_FILTER_KEY(brightness);
VELMARIS_FILTER_KEY(centerX);
VELMARIS_FILTER_KEY(centerY);
VELMARIS_FILTER_KEY(contrast);
VELMARIS_FILTER_KEY(direction);
VELMARIS_FILTER_KEY(green);
VELMARIS_FILTER_KEY(hue);
VELMARIS_FILTER_KEY(inputAmount);
VELMARIS_FILTER_KEY(inputEV);
VELMARIS_FILTER_KEY(inputHighlightAmount);
VELMARIS_FILTER_KEY(inputIntensity);
VELMARIS_FILTER_KEY(inputLevels);
VELMARIS_FILTER_KEY(inputNoiseLevel);
VELMARIS_FILTER_KEY(inputPower);
VELMARIS_FILTER_KEY(inputRadius);
VELMARIS_FILTER_KEY(inputScale);
VELMARIS_FILTER_KEY(inputShadowAmount);
VELMARIS_FILTER_KEY(inputSharpness);
VELMARIS_FILTER_KEY(inputWidth);
VELMARIS_FILTER_KEY(intensity);
VELMARIS_FILTER_KEY(lightness);
VELMARIS_FILTER_KEY(radius);
VELMARIS_FILTER_KEY(red);
VELMARIS_FILTER_KEY(rotation);
VELMARIS_FILTER_KEY(saturation);
VELMARIS_FILTER_KEY(scale);
VELMARIS_FILTER_KEY(shade);
VELMARIS_FILTER_KEY(size);
VELMARIS_FILTER_KEY(softness);
VELMARIS_FILTER_KEY(temperature);
VELMARIS_FILTER_KEY(tint);
VELMARIS_FILTER_KEY(width);
#undef VELMARIS_FILTER_KEY
}  // namespace key

using Args = FilterArguments;
using P = FilterParameter;
constexpr auto essential = FilterCategory::essential;
constexpr auto artistic = FilterCategory::artistic;
constexpr auto distort = FilterCategory::distort;
constexpr auto adjustment = FilterCategory::adjustment;
constexpr auto pixels = ParameterUnit::pixels;

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
                       std::function<Bitmap(const Bitmap&, const Args&)> build)
{
    QString menuTitle = historyName + (parameters.isEmpty() ? QString() : QStringLiteral("…"));
    return {std::move(identifier), std::move(menuTitle), std::move(historyName), category,
            std::move(parameters), std::move(build)};
}

const P centerX{key::centerX, QStringLiteral("Center X"), 0, 1, 0.5};
const P centerY{key::centerY, QStringLiteral("Center Y"), 0, 1, 0.5};

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
    const auto photo = [](PhotoEffect effect) {
        return [effect](const Bitmap& in, const Args&) { return photoEffectFilter(in, effect); };
    };
    const auto screen = [](auto filter) {
        return [filter](const Bitmap& in, const Args& x) {
            return filter(in, midpoint(in), radians(x[key::angle]), x[key::width], 0.7);
        };
    };
    const P radiusP{key::inputRadius, QStringLiteral("Radius"), 0, 25, 10, pixels};
    const P intensityP{key::inputIntensity, QStringLiteral("Intensity"), 0, 1, 0.5};

    return {
        // Essential.
        entry(QStringLiteral("gaussianBlur"), QStringLiteral("Gaussian Blur"), essential,
              {{key::inputRadius, QStringLiteral("Radius"), 0, 100, 10, pixels}},
              [](const Bitmap& in, const Args& x) { return gaussianBlurFilter(in, x[key::inputRadius]); }),
        entry(QStringLiteral("motionBlur"), QStringLiteral("Motion Blur"), essential,
              {{key::radius, QStringLiteral("Radius"), 0, 200, 20, pixels},
               {key::direction, QStringLiteral("Direction °"), 0, 360, 0}},
              [](const Bitmap& in, const Args& x) {
                  return motionBlurFilter(in, x[key::radius], radians(x[key::direction]));
              }),
        entry(QStringLiteral("sharpen"), QStringLiteral("Sharpen"), essential,
              {{key::inputSharpness, QStringLiteral("Sharpness"), 0, 2, 0.4}},
              [](const Bitmap& in, const Args& x) { return sharpenLuminanceFilter(in, x[key::inputSharpness]); }),
        entry(QStringLiteral("unsharpMask"), QStringLiteral("Unsharp Mask"), essential,
              {{key::inputRadius, QStringLiteral("Radius"), 0, 20, 2.5, pixels},
               {key::inputIntensity, QStringLiteral("Intensity"), 0, 2, 0.5}},
              [](const Bitmap& in, const Args& x) {
                  return unsharpMaskFilter(in, x[key::inputRadius], x[key::inputIntensity]);
              }),
        entry(QStringLiteral("median"), QStringLiteral("Median"), essential, {},
              [](const Bitmap& in, const Args&) { return medianFilter(in); }),
        entry(QStringLiteral("noiseReduction"), QStringLiteral("Noise Reduction"), essential,
              {{key::inputNoiseLevel, QStringLiteral("Noise Level"), 0, 0.1, 0.02},
               {key::inputSharpness, QStringLiteral("Sharpness"), 0, 2, 0.4}},
              [](const Bitmap& in, const Args& x) {
                  return noiseReductionFilter(in, x[key::inputNoiseLevel], x[key::inputSharpness]);
              }),
        entry(QStringLiteral("invert"), QStringLiteral("Invert Colors"), essential, {},
              [](const Bitmap& in, const Args&) { return invertColorsFilter(in); }),
        entry(QStringLiteral("posterize"), QStringLiteral("Posterize"), essential,
              {{key::inputLevels, QStringLiteral("Levels"), 2, 30, 6}},
              [](const Bitmap& in, const Args& x) { return posterizeFilter(in, x[key::inputLevels]); }),
        entry(QStringLiteral("pixellate"), QStringLiteral("Pixellate"), essential,
              {{key::inputScale, QStringLiteral("Scale"), 1, 100, 8, pixels}},
              [](const Bitmap& in, const Args& x) { return pixellateFilter(in, x[key::inputScale], midpoint(in)); }),
        entry(QStringLiteral("zoomBlur"), QStringLiteral("Zoom Blur"), essential,
              {centerX, centerY, {key::amount, QStringLiteral("Amount"), 0, 100, 15, pixels}},
              [](const Bitmap& in, const Args& x) {
                  return zoomBlurFilter(in, filterCenter(x, in.size()), x[key::amount]);
              }),
        entry(QStringLiteral("bokehBlur"), QStringLiteral("Bokeh Blur"), essential,
              {{key::inputRadius, QStringLiteral("Radius"), 0, 50, 12, pixels}},
              [](const Bitmap& in, const Args& x) { return bokehBlurFilter(in, x[key::inputRadius]); }),
        entry(QStringLiteral("emboss"), QStringLiteral("Emboss"), essential,
              {{key::intensity, QStringLiteral("Intensity"), 0, 2, 1}},
              [](const Bitmap& in, const Args& x) { return emboss(in, x[key::intensity]); }),
        entry(QStringLiteral("filmGrain"), QStringLiteral("Film Grain"), essential,
              {{key::amount, QStringLiteral("Amount"), 0, 1, 0.3},
               {key::size, QStringLiteral("Size"), 1, 4, 1, pixels}},
              [](const Bitmap& in, const Args& x) { return filmGrain(in, x[key::amount], x[key::size]); }),

        // Artistic.
        entry(QStringLiteral("sepia"), QStringLiteral("Sepia Tone"), artistic,
              {{key::inputIntensity, QStringLiteral("Intensity"), 0, 1, 0.8}},
              [](const Bitmap& in, const Args& x) { return sepiaToneFilter(in, x[key::inputIntensity]); }),
        entry(QStringLiteral("vignette"), QStringLiteral("Vignette"), artistic,
              {centerX, centerY, {key::radius, QStringLiteral("Radius"), 0.1, 1.5, 0.75},
               {key::intensity, QStringLiteral("Intensity"), 0, 1, 0.7}},
              [](const Bitmap& in, const Args& x) {
                  return vignetteEffectFilter(in, filterCenter(x, in.size()), x[key::radius] * shortSide(in),
                                              x[key::intensity], 0.5);
              }),
        entry(QStringLiteral("bloom"), QStringLiteral("Bloom"), artistic, {radiusP, intensityP},
              [](const Bitmap& in, const Args& x) {
                  return bloomFilter(in, x[key::inputRadius], x[key::inputIntensity]);
              }),
        entry(QStringLiteral("gloom"), QStringLiteral("Gloom"), artistic, {radiusP, intensityP},
              [](const Bitmap& in, const Args& x) {
                  return gloomFilter(in, x[key::inputRadius], x[key::inputIntensity]);
              }),
        entry(QStringLiteral("comic"), QStringLiteral("Comic Effect"), artistic, {},
              [](const Bitmap& in, const Args&) { return comicEffectFilter(in); }),
        entry(QStringLiteral("crystallize"), QStringLiteral("Crystallize"), artistic,
              {{key::inputRadius, QStringLiteral("Radius"), 1, 100, 20, pixels}},
              [](const Bitmap& in, const Args& x) {
                  return crystallizeFilter(in, x[key::inputRadius], midpoint(in));
              }),
        entry(QStringLiteral("pointillize"), QStringLiteral("Pointillize"), artistic,
              {{key::inputRadius, QStringLiteral("Radius"), 1, 100, 20, pixels}},
              [](const Bitmap& in, const Args& x) {
                  return pointillizeFilter(in, x[key::inputRadius], midpoint(in));
              }),
        entry(QStringLiteral("hexPixellate"), QStringLiteral("Hexagonal Pixellate"), artistic,
              {{key::inputScale, QStringLiteral("Scale"), 1, 100, 8, pixels}},
              [](const Bitmap& in, const Args& x) {
                  return hexagonalPixellateFilter(in, x[key::inputScale], midpoint(in));
              }),
        entry(QStringLiteral("dotScreen"), QStringLiteral("Dot Screen"), artistic,
              {{key::inputWidth, QStringLiteral("Width"), 1, 50, 6, pixels},
               {key::inputSharpness, QStringLiteral("Sharpness"), 0, 1, 0.7}},
              [](const Bitmap& in, const Args& x) {
                  return dotScreenFilter(in, midpoint(in), 0, x[key::inputWidth], x[key::inputSharpness]);
              }),
        entry(QStringLiteral("edges"), QStringLiteral("Edges"), artistic,
              {{key::inputIntensity, QStringLiteral("Intensity"), 0, 10, 1}},
              [](const Bitmap& in, const Args& x) { return edgesFilter(in, x[key::inputIntensity]); }),
        entry(QStringLiteral("noir"), QStringLiteral("Noir"), artistic, {}, photo(PhotoEffect::noir)),
        entry(QStringLiteral("chrome"), QStringLiteral("Chrome"), artistic, {}, photo(PhotoEffect::chrome)),
        entry(QStringLiteral("instant"), QStringLiteral("Instant"), artistic, {}, photo(PhotoEffect::instant)),
        entry(QStringLiteral("photoFade"), QStringLiteral("Fade"), artistic, {}, photo(PhotoEffect::fade)),
        entry(QStringLiteral("photoProcess"), QStringLiteral("Process"), artistic, {}, photo(PhotoEffect::process)),
        entry(QStringLiteral("photoTonal"), QStringLiteral("Tonal"), artistic, {}, photo(PhotoEffect::tonal)),
        entry(QStringLiteral("photoTransfer"), QStringLiteral("Transfer"), artistic, {},
              photo(PhotoEffect::transfer)),
        entry(QStringLiteral("cmykHalftone"), QStringLiteral("CMYK Halftone"), artistic,
              {{key::inputWidth, QStringLiteral("Width"), 2, 100, 25, pixels}},
              [](const Bitmap& in, const Args& x) {
                  return cmykHalftoneFilter(in, midpoint(in), x[key::inputWidth]);
              }),
        entry(QStringLiteral("lineScreen"), QStringLiteral("Line Screen"), artistic,
              {{key::width, QStringLiteral("Width"), 2, 100, 25, pixels},
               {key::angle, QStringLiteral("Angle °"), 0, 180, 0}},
              screen(lineScreenFilter)),
        entry(QStringLiteral("hatchedScreen"), QStringLiteral("Hatched Screen"), artistic,
              {{key::width, QStringLiteral("Width"), 2, 100, 25, pixels},
               {key::angle, QStringLiteral("Angle °"), 0, 180, 0}},
              screen(hatchedScreenFilter)),
        entry(QStringLiteral("thermal"), QStringLiteral("Thermal"), artistic, {},
              [](const Bitmap& in, const Args&) { return thermalFilter(in); }),
        entry(QStringLiteral("xRay"), QStringLiteral("X-Ray"), artistic, {},
              [](const Bitmap& in, const Args&) { return xRayFilter(in); }),
        entry(QStringLiteral("pencilSketch"), QStringLiteral("Pencil Sketch"), artistic,
              {{key::softness, QStringLiteral("Softness"), 0.2, 4, 1},
               {key::shade, QStringLiteral("Shading"), 1, 4, 1.8}},
              [](const Bitmap& in, const Args& x) { return pencilSketch(in, x[key::softness], x[key::shade]); }),

        // Distort.
        entry(QStringLiteral("twirl"), QStringLiteral("Twirl"), distort,
              {centerX, centerY, {key::radius, QStringLiteral("Radius"), 0.05, 1, 0.3},
               {key::angle, QStringLiteral("Angle °"), -180, 180, 90}},
              [](const Bitmap& in, const Args& x) {
                  return twirlFilter(in, filterCenter(x, in.size()), x[key::radius] * shortSide(in),
                                     radians(x[key::angle]));
              }),
        entry(QStringLiteral("pinch"), QStringLiteral("Pinch"), distort,
              {centerX, centerY, {key::radius, QStringLiteral("Radius"), 0.05, 1, 0.3},
               {key::scale, QStringLiteral("Amount"), 0, 1, 0.5}},
              [](const Bitmap& in, const Args& x) {
                  return pinchFilter(in, filterCenter(x, in.size()), x[key::radius] * shortSide(in), x[key::scale]);
              }),
        entry(QStringLiteral("bump"), QStringLiteral("Bump"), distort,
              {centerX, centerY, {key::radius, QStringLiteral("Radius"), 0.05, 1, 0.3},
               {key::scale, QStringLiteral("Amount"), -1, 1, 0.5}},
              [](const Bitmap& in, const Args& x) {
                  return bumpFilter(in, filterCenter(x, in.size()), x[key::radius] * shortSide(in), x[key::scale]);
              }),
        entry(QStringLiteral("vortex"), QStringLiteral("Vortex"), distort,
              {centerX, centerY, {key::radius, QStringLiteral("Radius"), 0.05, 1, 0.4},
               {key::angle, QStringLiteral("Twist °"), 0, 2400, 700}},
              [](const Bitmap& in, const Args& x) {
                  return vortexFilter(in, filterCenter(x, in.size()), x[key::radius] * shortSide(in),
                                      radians(x[key::angle]));
              }),
        entry(QStringLiteral("kaleidoscope"), QStringLiteral("Kaleidoscope"), distort,
              {centerX, centerY, {key::size, QStringLiteral("Size"), 0.05, 1, 0.4},
               {key::rotation, QStringLiteral("Rotation °"), 0, 360, 0}},
              [](const Bitmap& in, const Args& x) {
                  return triangleKaleidoscopeFilter(in, filterCenter(x, in.size()), x[key::size] * shortSide(in),
                                                    radians(x[key::rotation]), 0.85);
              }),

        // Adjustments.
        entry(QStringLiteral("brightnessContrast"), QStringLiteral("Brightness/Contrast"), adjustment,
              {{key::brightness, QStringLiteral("Brightness"), -1, 1, 0},
               {key::contrast, QStringLiteral("Contrast"), 0.25, 4, 1}},
              [](const Bitmap& in, const Args& x) {
                  return colorControlsFilter(in, 1, x[key::brightness], x[key::contrast]);
              }),
        entry(QStringLiteral("hueSaturationLightness"), QStringLiteral("Hue/Saturation/Lightness"), adjustment,
              {{key::hue, QStringLiteral("Hue"), -180, 180, 0},
               {key::saturation, QStringLiteral("Saturation"), 0, 2, 1},
               {key::lightness, QStringLiteral("Lightness"), -1, 1, 0}},
              [](const Bitmap& in, const Args& x) {
                  return colorControlsFilter(hueAdjustFilter(in, radians(x[key::hue])), x[key::saturation],
                                             x[key::lightness], 1);
              }),
        entry(QStringLiteral("colorBalance"), QStringLiteral("Color Balance"), adjustment,
              {{key::red, QStringLiteral("Red"), -100, 100, 0},
               {key::green, QStringLiteral("Green"), -100, 100, 0},
               {key::blue, QStringLiteral("Blue"), -100, 100, 0}},
              [](const Bitmap& in, const Args& x) {
                  return colorBalance(in, x[key::red], x[key::green], x[key::blue]);
              }),
        entry(QStringLiteral("exposure"), QStringLiteral("Exposure"), adjustment,
              {{key::inputEV, QStringLiteral("EV"), -3, 3, 0.5}},
              [](const Bitmap& in, const Args& x) { return exposureAdjustFilter(in, x[key::inputEV]); }),
        entry(QStringLiteral("vibrance"), QStringLiteral("Vibrance"), adjustment,
              {{key::inputAmount, QStringLiteral("Amount"), -1, 1, 0.5}},
              [](const Bitmap& in, const Args& x) { return vibranceFilter(in, x[key::inputAmount]); }),
        entry(QStringLiteral("temperatureTint"), QStringLiteral("Temperature/Tint"), adjustment,
              {{key::temperature, QStringLiteral("Temperature"), -3000, 3000, 0},
               {key::tint, QStringLiteral("Tint"), -150, 150, 0}},
              [](const Bitmap& in, const Args& x) {
                  return temperatureTintFilter(in, ColorNeutral{6500, 0},
                                               ColorNeutral{6500 + x[key::temperature], x[key::tint]});
              }),
        entry(QStringLiteral("shadowsHighlights"), QStringLiteral("Shadows/Highlights"), adjustment,
              {{key::inputShadowAmount, QStringLiteral("Shadows"), -1, 1, 0.3},
               {key::inputHighlightAmount, QStringLiteral("Highlights"), 0.3, 1, 1}},
              [](const Bitmap& in, const Args& x) {
                  return highlightShadowAdjustFilter(in, x[key::inputShadowAmount], x[key::inputHighlightAmount]);
              }),
        entry(QStringLiteral("gamma"), QStringLiteral("Gamma"), adjustment,
              {{key::inputPower, QStringLiteral("Gamma"), 0.25, 3, 1}},
              [](const Bitmap& in, const Args& x) { return gammaAdjustFilter(in, x[key::inputPower]); }),
        entry(QStringLiteral("monochromeTint"), QStringLiteral("Monochrome"), adjustment,
              {{key::intensity, QStringLiteral("Intensity"), 0, 1, 1}},
              [](const Bitmap& in, const Args& x) {
                  return colorMonochromeFilter(in, QColor::fromRgbF(0.65f, 0.65f, 0.65f), x[key::intensity]);
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
    Bitmap output = descriptor->build(input, FilterArguments(std::move(checked)));
    if (output.isNull())
        return input;
    if (output.size() != input.size())
        output = Bitmap::fromImage(output.image().copy(0, 0, input.width(), input.height()));
    return output;
}

FilterInstance FilterInstance::scaled(double scale) const
{
    FilterInstance result = *this;
    if (!descriptor)
        return result;
    for (const FilterParameter& parameter : descriptor->parameters)
        if (parameter.unit == ParameterUnit::pixels)
            result.setValue(parameter.key, parameter.sanitized(values.value(parameter.key, parameter.defaultValue)) * scale);
    return result;
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

double FilterArguments::value(QLatin1String key, double absent) const
{
    const QString name(key);
    requested_.insert(name);
    return values_.value(name, absent);
}

QPointF filterCenter(const FilterArguments& values, QSize extent)
{
    return QPointF(extent.width() * values.value(key::centerX, 0.5), extent.height() * values.value(key::centerY, 0.5));
}

}  // namespace velmaris
