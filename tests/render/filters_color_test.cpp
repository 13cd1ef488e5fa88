#include "render/filters/BlendFilters.h"
#include "render/filters/ColorControls.h"
#include "render/filters/ColorMapping.h"
#include "render/filters/ColorMatrix.h"
#include "render/filters/HighlightShadow.h"
#include "render/filters/LuminanceMaps.h"
#include "render/filters/PhotoEffect.h"
#include "render/filters/RandomNoise.h"
#include "render/filters/ToneCurve.h"
#include "render/filters/ToneFilters.h"
#include "render/filters/Vignette.h"
#include "render/filters/WhiteBalance.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

namespace velmaris {
namespace {

using test::pixelAt;
using test::Rgba;

using Filter = std::function<Bitmap(const Bitmap&)>;

// An opaque image with smooth colour gradients in every direction.
Bitmap gradientBitmap(int width, int height)
{
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = builder->row(y) + 4 * x;
            p[0] = std::uint8_t(255 * x / std::max(width - 1, 1));
            p[1] = std::uint8_t(255 * y / std::max(height - 1, 1));
            p[2] = std::uint8_t(255 - (p[0] + p[1]) / 2);
            p[3] = 255;
        }
    return std::move(*builder).build();
}

// The single pixel of a filter applied to a 1 × 1 image of that colour.
Rgba onPixel(const Filter& filter, Rgba premultiplied)
{
    return pixelAt(filter(test::solidBitmap(1, 1, premultiplied)), 0, 0);
}

void expectNear(Rgba actual, Rgba expected, int tolerance = 1)
{
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(actual[c], expected[c], tolerance) << "component " << c;
}

TEST(ColorFilters, NeutralSettingsLeaveTheImageUnchanged)
{
    const Bitmap image = test::randomBitmap(50, 40, 11);
    EXPECT_TRUE(test::samePixels(invertColorsFilter(invertColorsFilter(image)), image));
    EXPECT_TRUE(test::samePixels(colorControlsFilter(image, 1, 0, 1), image));
    EXPECT_TRUE(test::samePixels(colorMatrixFilter(image, ColorMatrix{}), image));
    EXPECT_TRUE(test::samePixels(sepiaToneFilter(image, 0), image));
    EXPECT_TRUE(test::samePixels(hueAdjustFilter(image, 0), image));
    EXPECT_TRUE(test::samePixels(exposureAdjustFilter(image, 0), image));
    EXPECT_TRUE(test::samePixels(gammaAdjustFilter(image, 1), image));
    EXPECT_TRUE(test::samePixels(temperatureTintFilter(image, {6500, 0}, {6500, 0}), image));
    EXPECT_TRUE(test::samePixels(temperatureTintFilter(image, {3200, 40}, {3200, 40}), image));
    EXPECT_TRUE(test::samePixels(highlightShadowAdjustFilter(image, 0, 1), image));
    EXPECT_TRUE(test::samePixels(vibranceFilter(image, 0), image));
    EXPECT_TRUE(test::samePixels(colorMonochromeFilter(image, Qt::red, 0), image));
    EXPECT_TRUE(test::samePixels(vignetteEffectFilter(image, QPointF(25, 20), 10, 0, 0.5), image));
    // A full turn of hue comes back within rounding.
    EXPECT_LE(test::bitmapDistance(hueAdjustFilter(image, 2 * std::numbers::pi), image), 1);
}

TEST(ColorFilters, ToneMapsGiveKnownValues)
{
    expectNear(onPixel(invertColorsFilter, {10, 20, 30, 255}), {245, 235, 225, 255}, 0);
    // Un-premultiplied (20, 40, 60) of 255 at half alpha inverts to (235, 215, 195) of 255.
    expectNear(onPixel(invertColorsFilter, {10, 20, 30, 128}), {118, 108, 98, 128});
    const auto twoLevels = [](const Bitmap& i) { return posterizeFilter(i, 2); };
    expectNear(onPixel(twoLevels, {100, 130, 255, 255}), {0, 255, 255, 255}, 0);
    const auto sixLevels = [](const Bitmap& i) { return posterizeFilter(i, 6); };
    expectNear(onPixel(sixLevels, {0, 128, 230, 255}), {0, 153, 255, 255}, 0);
    const auto squared = [](const Bitmap& i) { return gammaAdjustFilter(i, 2); };
    expectNear(onPixel(squared, {128, 255, 0, 255}), {64, 255, 0, 255});
    // +1 EV doubles linear light: sRGB 128 is 0.2158 linear, 0.4316 encodes as 175.6.
    const auto brighter = [](const Bitmap& i) { return exposureAdjustFilter(i, 1); };
    expectNear(onPixel(brighter, {128, 0, 255, 255}), {176, 0, 255, 255});
}

TEST(ColorFilters, ColorMatrixScalesClampsAndSetsAlpha)
{
    ColorMatrix redBoost;
    redBoost.red = {1.5, 0, 0, 0};
    const auto boost = [&](const Bitmap& i) { return colorMatrixFilter(i, redBoost); };
    expectNear(onPixel(boost, {100, 50, 20, 255}), {150, 50, 20, 255}, 0);
    expectNear(onPixel(boost, {200, 50, 20, 255}), {255, 50, 20, 255}, 0);
    expectNear(onPixel(boost, {50, 25, 10, 128}), {75, 25, 10, 128});

    ColorMatrix constantAlpha;
    constantAlpha.alpha = {0, 0, 0, 0};
    constantAlpha.bias = {0.2, 0, 0, 0.5};
    const auto constant = [&](const Bitmap& i) { return colorMatrixFilter(i, constantAlpha); };
    // Transparent black becomes 50 % alpha with red 0.2.
    expectNear(onPixel(constant, {0, 0, 0, 0}), {26, 0, 0, 128});
    expectNear(onPixel(constant, {255, 255, 255, 255}), {128, 128, 128, 128});
}

TEST(ColorFilters, SepiaHueAndControlsMoveColoursTheRightWay)
{
    const auto fullSepia = [](const Bitmap& i) { return sepiaToneFilter(i, 1); };
    const Rgba sepiaGrey = onPixel(fullSepia, {128, 128, 128, 255});
    expectNear(sepiaGrey, {173, 154, 120, 255});

    const auto thirdTurn = [](const Bitmap& i) { return hueAdjustFilter(i, 2 * std::numbers::pi / 3); };
    expectNear(onPixel(thirdTurn, {255, 0, 0, 255}), {0, 255, 0, 255});
    expectNear(onPixel(thirdTurn, {90, 90, 90, 255}), {90, 90, 90, 255});
    const auto smallTurn = [](const Bitmap& i) { return hueAdjustFilter(i, 0.3); };
    const Rgba towardsYellow = onPixel(smallTurn, {255, 0, 0, 255});
    EXPECT_GT(towardsYellow[1], towardsYellow[2]);

    const auto grey = [](const Bitmap& i) { return colorControlsFilter(i, 0, 0, 1); };
    const Rgba greyed = onPixel(grey, {200, 40, 90, 255});
    EXPECT_EQ(greyed[0], greyed[1]);
    EXPECT_EQ(greyed[1], greyed[2]);
    const auto brighter = [](const Bitmap& i) { return colorControlsFilter(i, 1, 0.2, 1); };
    expectNear(onPixel(brighter, {0, 100, 250, 255}), {51, 151, 255, 255});
    const auto contrast = [](const Bitmap& i) { return colorControlsFilter(i, 1, 0, 2); };
    expectNear(onPixel(contrast, {64, 128, 191, 255}), {0, 128, 255, 255});
}

// Max minus min of the un-premultiplied components of an opaque pixel.
int chroma(Rgba p) { return std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}); }

TEST(ColorFilters, VibranceFavoursMutedColoursAndSparesSkin)
{
    const auto vibrant = [](const Bitmap& i) { return vibranceFilter(i, 1); };
    const Rgba muted{140, 120, 120, 255}, vivid{230, 20, 20, 255};
    const int mutedGain = chroma(onPixel(vibrant, muted)) - chroma(muted);
    const int vividGain = chroma(onPixel(vibrant, vivid)) - chroma(vivid);
    EXPECT_GT(mutedGain, 5);
    EXPECT_GT(mutedGain * chroma(vivid), vividGain * chroma(muted));
    // A skin tone and a blue of the same chroma: the skin gains less.
    const Rgba skin{200, 150, 120, 255}, sky{120, 150, 200, 255};
    EXPECT_LT(chroma(onPixel(vibrant, skin)), chroma(onPixel(vibrant, sky)));
    const auto muting = [](const Bitmap& i) { return vibranceFilter(i, -1); };
    EXPECT_LT(chroma(onPixel(muting, muted)), chroma(muted));
}

TEST(ColorFilters, TemperatureAndTintShiftWhiteTowardsTheTarget)
{
    const Rgba grey{150, 150, 150, 255};
    const auto warmer = [](const Bitmap& i) { return temperatureTintFilter(i, {6500, 0}, {4000, 0}); };
    const Rgba warm = onPixel(warmer, grey);
    EXPECT_GT(warm[0], warm[2] + 20);
    const auto cooler = [](const Bitmap& i) { return temperatureTintFilter(i, {6500, 0}, {9500, 0}); };
    const Rgba cool = onPixel(cooler, grey);
    EXPECT_GT(cool[2], cool[0] + 10);
    const auto greener = [](const Bitmap& i) { return temperatureTintFilter(i, {6500, 0}, {6500, 100}); };
    const Rgba green = onPixel(greener, grey);
    EXPECT_GT(green[1], std::max(green[0], green[2]) + 5);
    // Going there and back returns colours that did not clip on the way.
    for (Rgba colour : {Rgba{150, 150, 150, 255}, Rgba{180, 90, 60, 255}, Rgba{70, 120, 170, 255}, Rgba{40, 60, 50, 128}}) {
        const Rgba there = onPixel([](const Bitmap& i) { return temperatureTintFilter(i, {6500, 0}, {5500, 10}); }, colour);
        expectNear(onPixel([](const Bitmap& i) { return temperatureTintFilter(i, {5500, 10}, {6500, 0}); }, there), colour, 2);
    }
}

TEST(ColorFilters, HighlightShadowLiftsShadowsAndLowersHighlights)
{
    const auto lift = [](const Bitmap& i) { return highlightShadowAdjustFilter(i, 0.6, 1); };
    EXPECT_GT(onPixel(lift, {40, 40, 40, 255})[0], 60);
    expectNear(onPixel(lift, {0, 0, 0, 255}), {0, 0, 0, 255}, 0);
    expectNear(onPixel(lift, {255, 255, 255, 255}), {255, 255, 255, 255}, 0);
    const auto deepen = [](const Bitmap& i) { return highlightShadowAdjustFilter(i, -0.6, 1); };
    EXPECT_LT(onPixel(deepen, {40, 40, 40, 255})[0], 30);
    const auto lower = [](const Bitmap& i) { return highlightShadowAdjustFilter(i, 0, 0.3); };
    const Rgba bright = onPixel(lower, {230, 230, 230, 255});
    EXPECT_LT(bright[0], 200);
    EXPECT_GT(onPixel(lower, {20, 20, 20, 255})[0], 17);
    // Colour ratios are kept.
    const Rgba reddish = onPixel(lift, {60, 30, 30, 255});
    EXPECT_NEAR(reddish[0], 2 * reddish[1], 1);
}

TEST(ColorFilters, LuminanceMapsRecolourByBrightness)
{
    const Rgba black{0, 0, 0, 255}, white{255, 255, 255, 255}, mid{128, 128, 128, 255};
    const Rgba coldest = onPixel(thermalFilter, black), hottest = onPixel(thermalFilter, white);
    EXPECT_GT(coldest[2], coldest[0]);
    expectNear(hottest, white);
    const Rgba warm = onPixel(thermalFilter, {170, 170, 170, 255});
    EXPECT_GT(warm[0], warm[2]);

    const Rgba xBlack = onPixel(xRayFilter, black), xWhite = onPixel(xRayFilter, white);
    EXPECT_GT(xBlack[0] + xBlack[1] + xBlack[2], 600);
    EXPECT_LT(xWhite[0] + xWhite[1] + xWhite[2], 60);
    EXPECT_GT(xBlack[2], xBlack[0]);

    const auto greyTone = [](const Bitmap& i) { return colorMonochromeFilter(i, QColor::fromRgbF(0.65, 0.65, 0.65), 1); };
    const Rgba toned = onPixel(greyTone, {200, 40, 90, 255});
    EXPECT_EQ(toned[0], toned[1]);
    EXPECT_EQ(toned[1], toned[2]);
    const auto redTone = [](const Bitmap& i) { return colorMonochromeFilter(i, Qt::red, 1); };
    expectNear(onPixel(redTone, mid), {255, 1, 1, 255});
    expectNear(onPixel(redTone, black), black, 0);
    const auto halfRed = [](const Bitmap& i) { return colorMonochromeFilter(i, Qt::red, 0.5); };
    expectNear(onPixel(halfRed, mid), {192, 64, 64, 255});
}

TEST(ColorFilters, PhotoEffectsHaveTheirCharacteristicLooks)
{
    const auto effect = [](PhotoEffect e) { return [=](const Bitmap& i) { return photoEffectFilter(i, e); }; };
    const Rgba colour{200, 60, 90, 255}, dark{50, 50, 50, 255}, light{200, 200, 200, 255}, grey{128, 128, 128, 255};
    for (PhotoEffect blackAndWhite : {PhotoEffect::noir, PhotoEffect::tonal}) {
        const Rgba p = onPixel(effect(blackAndWhite), colour);
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
    }
    // Noir spreads tones further apart than tonal.
    const int noirSpread = onPixel(effect(PhotoEffect::noir), light)[0] - onPixel(effect(PhotoEffect::noir), dark)[0];
    const int tonalSpread = onPixel(effect(PhotoEffect::tonal), light)[0] - onPixel(effect(PhotoEffect::tonal), dark)[0];
    EXPECT_GT(noirSpread, tonalSpread + 20);
    EXPECT_GT(chroma(onPixel(effect(PhotoEffect::chrome), colour)), chroma(colour) + 20);
    EXPECT_GT(onPixel(effect(PhotoEffect::fade), {0, 0, 0, 255})[0], 25);
    EXPECT_LT(chroma(onPixel(effect(PhotoEffect::fade), colour)), chroma(colour));
    for (PhotoEffect warm : {PhotoEffect::instant, PhotoEffect::transfer}) {
        const Rgba p = onPixel(effect(warm), grey);
        EXPECT_GT(p[0], p[2] + 10);
    }
    const Rgba processed = onPixel(effect(PhotoEffect::process), dark);
    EXPECT_GT(processed[2], processed[0] + 10);
}

TEST(ColorFilters, VignetteDarkensOutsideTheRadiusOnly)
{
    const Bitmap image = test::solidBitmap(101, 61, {200, 100, 50, 255});
    const Bitmap soft = vignetteEffectFilter(image, QPointF(50.5, 30.5), 45, 0.7, 0.5);
    expectNear(pixelAt(soft, 50, 30), {200, 100, 50, 255}, 0);
    const Rgba corner = pixelAt(soft, 0, 0);
    EXPECT_LT(corner[0], 120);
    EXPECT_EQ(corner[3], 255);
    EXPECT_LT(pixelAt(soft, 0, 30)[0], pixelAt(soft, 20, 30)[0]);

    const Bitmap hard = vignetteEffectFilter(image, QPointF(0, 0), 10, 1, 0);
    expectNear(pixelAt(hard, 3, 3), {200, 100, 50, 255}, 0);
    expectNear(pixelAt(hard, 20, 0), {0, 0, 0, 255}, 0);
    // A zero radius darkens everything and divides by nothing.
    EXPECT_TRUE(test::validPremultiplied(vignetteEffectFilter(image, QPointF(5, 5), 0, 1, 0)));
}

TEST(ColorFilters, RandomNoiseIsFixedPerCellAndCoversTheRange)
{
    EXPECT_TRUE(randomNoiseImage(0, 10, 1).isNull());
    EXPECT_TRUE(randomNoiseImage(40000, 10, 1).isNull());
    const Bitmap fine = randomNoiseImage(64, 64, 1);
    ASSERT_EQ(fine.size(), QSize(64, 64));
    EXPECT_TRUE(test::samePixels(fine, randomNoiseImage(64, 64, 1)));
    EXPECT_TRUE(test::validPremultiplied(fine));
    long alphaSum = 0;
    int equalNeighbours = 0, lowest = 255, highest = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const Rgba p = pixelAt(fine, x, y);
            alphaSum += p[3];
            lowest = std::min<int>(lowest, p[3]);
            highest = std::max<int>(highest, p[3]);
            equalNeighbours += x > 0 && p == pixelAt(fine, x - 1, y);
        }
    EXPECT_NEAR(double(alphaSum) / (64 * 64), 127.5, 6);
    EXPECT_LT(lowest, 5);
    EXPECT_GT(highest, 250);
    EXPECT_LT(equalNeighbours, 5);

    // A larger image shares its top-left with the smaller one: the noise depends on position only.
    const Bitmap larger = randomNoiseImage(100, 80, 1);
    EXPECT_EQ(pixelAt(larger, 63, 63), pixelAt(fine, 63, 63));

    const Bitmap coarse = randomNoiseImage(20, 20, 4);
    EXPECT_EQ(pixelAt(coarse, 0, 0), pixelAt(coarse, 3, 3));
    EXPECT_EQ(pixelAt(coarse, 4, 8), pixelAt(coarse, 7, 11));
    EXPECT_NE(pixelAt(coarse, 3, 0), pixelAt(coarse, 4, 0));
    EXPECT_NE(pixelAt(coarse, 0, 3), pixelAt(coarse, 0, 4));
}

TEST(ColorFilters, BlendFiltersCompositeSourceOverTheBackground)
{
    const Bitmap background = gradientBitmap(30, 20);
    // Overlay with mid grey and colour dodge with black leave the backdrop as it was.
    EXPECT_LE(test::bitmapDistance(overlayBlendFilter(test::solidBitmap(30, 20, {128, 128, 128, 255}), background),
                                background),
              1);
    EXPECT_LE(test::bitmapDistance(colorDodgeBlendFilter(test::solidBitmap(30, 20, {0, 0, 0, 255}), background),
                                background),
              1);
    // Dodging mid grey with mid grey saturates to white.
    const Bitmap grey = test::solidBitmap(4, 4, {128, 128, 128, 255});
    expectNear(pixelAt(colorDodgeBlendFilter(grey, grey), 1, 1), {255, 255, 255, 255});
    // Overlay of white on mid grey brightens; at 30 % alpha only part of the way.
    const Bitmap brightened = overlayBlendFilter(test::solidBitmap(4, 4, {255, 255, 255, 255}), grey);
    EXPECT_GT(pixelAt(brightened, 0, 0)[0], 250);
    const Bitmap partly = overlayBlendFilter(test::solidBitmap(4, 4, {77, 77, 77, 77}), grey);
    EXPECT_NEAR(pixelAt(partly, 0, 0)[0], 128 + 0.3 * 127, 2);
    // A smaller source only touches its own area; a transparent one nothing.
    const Bitmap patch = overlayBlendFilter(test::solidBitmap(2, 2, {255, 255, 255, 255}), grey);
    EXPECT_EQ(patch.size(), grey.size());
    EXPECT_EQ(pixelAt(patch, 3, 3), pixelAt(grey, 3, 3));
    EXPECT_NE(pixelAt(patch, 1, 1), pixelAt(grey, 1, 1));
    EXPECT_TRUE(test::samePixels(overlayBlendFilter(test::solidBitmap(30, 20, {0, 0, 0, 0}), background), background));
}

// Rows alternately opaque and of random alpha (transparent pixels included), so the table look-ups
// and the float path of the per-component filters both run. An odd width runs the SIMD loops' tails.
Bitmap mixedAlphaBitmap(int width, int height, unsigned seed)
{
    const Bitmap opaque = test::opaqueRandomBitmap(width, height, seed);
    const Bitmap translucent = test::randomBitmap(width, height, seed + 1);
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        std::memcpy(builder->row(y), (y % 2 ? translucent : opaque).row(y), 4 * std::size_t(width));
    return std::move(*builder).build();
}

// The float reference of a per-component map: every pixel un-premultiplied, mapped, premultiplied.
Bitmap floatReference(const Bitmap& image, const std::function<float(int, float)>& map)
{
    return mapColors(image, [&](float& r, float& g, float& b) {
        r = map(0, r);
        g = map(1, g);
        b = map(2, b);
    });
}

TEST(ColorFilters, RowConversionsAgreeWithTheScalarFormulaForEveryByte)
{
    // Every component against every alpha, components above alpha (invalid input) included.
    constexpr int width = 259;
    std::vector<std::uint8_t> pixels(4 * width), written(4 * width);
    std::vector<float> planes(5 * width);
    ColorRow row{planes.data(), planes.data() + width, planes.data() + 2 * width, planes.data() + 3 * width,
                 planes.data() + 4 * width, width, 0};
    for (int alpha = 0; alpha < 256; ++alpha) {
        SCOPED_TRACE(alpha);
        for (int x = 0; x < width; ++x) {
            const int c = x % 256;
            const std::uint8_t components[4] = {std::uint8_t(c), std::uint8_t(255 - c), std::uint8_t(c / 3),
                                                std::uint8_t(alpha)};
            std::memcpy(pixels.data() + 4 * x, components, 4);
        }
        unpremultiplyRow(pixels.data(), row);
        const float scale = unpremultiplyScale(float(alpha));
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(row.r[x], float(pixels[4 * x]) * scale);
            ASSERT_EQ(row.g[x], float(pixels[4 * x + 1]) * scale);
            ASSERT_EQ(row.b[x], float(pixels[4 * x + 2]) * scale);
            ASSERT_EQ(row.a[x], float(alpha) * (1.0f / 255.0f));
        }
        // The round trip keeps valid pixels and lowers invalid components to alpha.
        premultiplyRow(row, written.data());
        for (int i = 0; i < 4 * width; ++i)
            ASSERT_EQ(written[i], std::min(pixels[i], std::uint8_t(alpha))) << "byte " << i;
    }
    // Out-of-range and NaN values are clamped, NaN reading as 0, in the SIMD body and the tail alike.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {-1.0f, 0.0f, 0.3f, 0.5f, 1.0f, 2.5f, nan};
    for (int x = 0; x < width; ++x) {
        row.r[x] = values[x % 7];
        row.g[x] = values[(x + 3) % 7];
        row.b[x] = values[(x + 5) % 7];
        row.a[x] = values[(x / 7) % 7];
    }
    premultiplyRow(row, written.data());
    for (int x = 0; x < width; ++x) {
        const std::uint8_t alpha = premultipliedComponent(row.a[x], 255.0f);
        const std::uint8_t expected[4] = {premultipliedComponent(row.r[x], alpha), premultipliedComponent(row.g[x], alpha),
                                          premultipliedComponent(row.b[x], alpha), alpha};
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(written[4 * x + c], expected[c]) << "pixel " << x << " component " << c;
    }
}

TEST(ColorFilters, TableDrivenFiltersMatchTheFloatReference)
{
    const Bitmap image = mixedAlphaBitmap(53, 31, 4);
    // The tables hold the float path's own results for opaque pixels and the rest take that path,
    // so the per-component filters agree with it exactly.
    EXPECT_TRUE(test::samePixels(invertColorsFilter(image), floatReference(image, [](int, float v) { return 1 - v; })));
    for (const double levels : {2.0, 6.0, 30.0}) {
        SCOPED_TRACE(levels);
        const float steps = float(levels - 1);
        const auto posterized = [&](int, float v) { return std::floor(v * steps + 0.5f) * (1.0f / steps); };
        EXPECT_TRUE(test::samePixels(posterizeFilter(image, levels), floatReference(image, posterized)));
    }
    ColorMatrix balance;
    balance.red = {1.25, 0, 0, 0};
    balance.green = {0, 0.6, 0, 0};
    balance.bias = {0, 0.1, -0.05, 0};
    const float gain[3] = {1.25f, 0.6f, 1.0f}, offset[3] = {0.0f, 0.1f, -0.05f};
    EXPECT_TRUE(test::samePixels(colorMatrixFilter(image, balance),
                                 floatReference(image, [&](int c, float v) { return gain[c] * v + offset[c]; })));
    // Curves are sampled tables themselves: within one level of the exact function.
    for (const double power : {0.4, 1.8, 3.0}) {
        SCOPED_TRACE(power);
        const auto powered = [&](int, float v) { return float(std::pow(double(v), power)); };
        EXPECT_LE(test::bitmapDistance(gammaAdjustFilter(image, power), floatReference(image, powered)), 1);
    }
    for (const double ev : {-1.5, 0.5, 2.0}) {
        SCOPED_TRACE(ev);
        const auto exposed = [&](int, float v) {
            return float(srgbEncode(std::min(srgbDecode(v) * std::exp2(ev), 1.0)));
        };
        EXPECT_LE(test::bitmapDistance(exposureAdjustFilter(image, ev), floatReference(image, exposed)), 1);
    }
}

TEST(ColorFilters, AdjustmentsAtTheirIdentityValuesReturnTheirInput)
{
    const Bitmap image = test::randomBitmap(20, 10, 3);
    for (const Bitmap& result :
         {colorControlsFilter(image, 1, 0, 1), colorMatrixFilter(image, ColorMatrix{}), sepiaToneFilter(image, 0),
          hueAdjustFilter(image, 0), exposureAdjustFilter(image, 0), gammaAdjustFilter(image, 1),
          temperatureTintFilter(image, {5000, 20}, {5000, 20}), highlightShadowAdjustFilter(image, 0, 1),
          vibranceFilter(image, 0), colorMonochromeFilter(image, Qt::red, 0),
          vignetteEffectFilter(image, QPointF(10, 5), 4, 0, 0.5)})
        EXPECT_TRUE(result.sharesPixelsWith(image));
    // Near the identity the pixels are still computed.
    EXPECT_FALSE(colorControlsFilter(image, 1, 0.01, 1).sharesPixelsWith(image));
    EXPECT_FALSE(temperatureTintFilter(image, {5000, 20}, {5001, 20}).sharesPixelsWith(image));
}

}  // namespace
}  // namespace velmaris
