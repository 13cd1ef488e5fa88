#include "render/filters/CmykHalftone.h"
#include "render/filters/ComicEffect.h"
#include "render/filters/Crystallize.h"
#include "render/filters/Pixellate.h"
#include "render/filters/RadialDistortions.h"
#include "render/filters/Screens.h"
#include "render/filters/TriangleKaleidoscope.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace velmaris {

namespace {

using test::pixelAt;
using test::Rgba;

int changedPixels(const Bitmap& a, const Bitmap& b)
{
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            changed += pixelAt(a, x, y) != pixelAt(b, x, y);
    return changed;
}

// Mean of one channel over the image, 0–255.
double meanChannel(const Bitmap& bitmap, int channel)
{
    double sum = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            sum += pixelAt(bitmap, x, y)[channel];
    return sum / (double(bitmap.width()) * bitmap.height());
}

Bitmap greyBitmap(int width, int height, std::uint8_t grey)
{
    return test::solidBitmap(width, height, {grey, grey, grey, 255});
}

}  // namespace

TEST(FiltersStylize, ExtremeParametersNeitherCrashNorHang)
{
    const Bitmap random = test::randomBitmap(31, 17, 2);
    const double nan = std::nan("");
    for (const double v : {0.0, -5.0, 1e-9, 1e9, -1e30, 1e30, 1e300, nan, HUGE_VAL}) {
        SCOPED_TRACE(v);
        const QPointF far(v, -v);
        for (const Bitmap& result :
             {pixellateFilter(random, v, far), hexagonalPixellateFilter(random, v, far), crystallizeFilter(random, v, far),
              pointillizeFilter(random, v, far), dotScreenFilter(random, far, v, v, v),
              cmykHalftoneFilter(random, far, v, v, v, v, v), lineScreenFilter(random, far, v, v, v),
              hatchedScreenFilter(random, far, v, v, v), twirlFilter(random, far, v, v), vortexFilter(random, {15, 8}, v, v),
              pinchFilter(random, {15, 8}, v, v), bumpFilter(random, far, v, v),
              triangleKaleidoscopeFilter(random, far, v, v, v)}) {
            EXPECT_EQ(result.size(), random.size());
            EXPECT_TRUE(test::validPremultiplied(result));
        }
    }
}

TEST(FiltersStylize, PixellateFillsAlignedCellsAndScaleOneIsIdentity)
{
    const Bitmap random = test::randomBitmap(64, 48, 3);
    EXPECT_TRUE(test::samePixels(pixellateFilter(random, 1), random));

    // Cells of 8 aligned on the midpoint (32, 24): corners on multiples of 8.
    const Bitmap cells = pixellateFilter(random, 8);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(pixelAt(cells, x, y), pixelAt(cells, x / 8 * 8, y / 8 * 8)) << x << "," << y;

    // A centre off the grid moves the cell corners with it.
    const Bitmap shifted = pixellateFilter(random, 8, QPointF(3, 5));
    EXPECT_EQ(pixelAt(shifted, 3, 5), pixelAt(shifted, 10, 12));
    EXPECT_NE(pixelAt(shifted, 2, 5), pixelAt(shifted, 3, 5));
}

TEST(FiltersStylize, HexagonalPixellateGivesOneColourPerHexagon)
{
    const Bitmap solid = test::solidBitmap(50, 40, {90, 40, 20, 200});
    EXPECT_TRUE(test::samePixels(hexagonalPixellateFilter(solid, 6), solid));

    // The hexagon around the midpoint is one colour, read at the midpoint.
    const Bitmap random = test::randomBitmap(60, 60, 4);
    const Bitmap hexagons = hexagonalPixellateFilter(random, 12);
    const Rgba centre = pixelAt(hexagons, 30, 30);
    for (int y = 26; y < 34; ++y)
        for (int x = 26; x < 34; ++x)
            EXPECT_EQ(pixelAt(hexagons, x, y), centre);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            std::uint32_t packed;
            std::memcpy(&packed, hexagons.row(y) + 4 * x, 4);
            colours.insert(packed);
        }
    EXPECT_LE(colours.size(), 60u);  // about 6 × 6 hexagons with partial ones at the edges
}

TEST(FiltersStylize, CrystallizeMakesFewFlatCellsAndPointillizePaintsDotsOnWhite)
{
    const Bitmap solid = test::solidBitmap(50, 40, {90, 40, 20, 200});
    EXPECT_TRUE(test::samePixels(crystallizeFilter(solid, 5), solid));

    const Bitmap random = test::randomBitmap(80, 80, 5);
    const Bitmap crystals = crystallizeFilter(random, 10);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            std::uint32_t packed;
            std::memcpy(&packed, crystals.row(y) + 4 * x, 4);
            colours.insert(packed);
        }
    EXPECT_LE(colours.size(), 64u);  // cells 17 px apart: about 5 × 5 plus edge cells

    // Red dots over white: red stays full everywhere, green and blue show both dots and gaps.
    const Bitmap dots = pointillizeFilter(test::solidBitmap(100, 100, {255, 0, 0, 255}), 8);
    bool sawDot = false, sawPaper = false;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const Rgba p = pixelAt(dots, x, y);
            ASSERT_EQ(p[0], 255);
            ASSERT_EQ(p[3], 255);
            ASSERT_EQ(p[1], p[2]);
            sawDot |= p[1] == 0;
            sawPaper |= p[1] == 255;
        }
    EXPECT_TRUE(sawDot);
    EXPECT_TRUE(sawPaper);
}

TEST(FiltersStylize, MonochromeScreensPrintGreyInkThatFollowsTheTone)
{
    const QPointF centre(40, 30);
    using Screen = std::function<Bitmap(const Bitmap&)>;
    const std::vector<Screen> screens{
        [&](const Bitmap& b) { return dotScreenFilter(b, centre, 0.3, 6, 0.7); },
        [&](const Bitmap& b) { return lineScreenFilter(b, centre, 0.3, 8); },
        [&](const Bitmap& b) { return hatchedScreenFilter(b, centre, 0.3, 8); },
    };
    for (const Screen& screen : screens) {
        EXPECT_TRUE(test::samePixels(screen(greyBitmap(80, 60, 255)), greyBitmap(80, 60, 255)));
        EXPECT_TRUE(test::samePixels(screen(greyBitmap(80, 60, 0)), greyBitmap(80, 60, 0)));
        const Bitmap dark = screen(greyBitmap(80, 60, 64)), light = screen(greyBitmap(80, 60, 192));
        EXPECT_LT(meanChannel(dark, 0) + 40, meanChannel(light, 0));
        EXPECT_EQ(meanChannel(dark, 0), meanChannel(dark, 2));  // grey ink only
    }
    // Mid grey through round dots: roughly half the paper stays white.
    const double mid = meanChannel(dotScreenFilter(greyBitmap(120, 120, 128), centre, 0, 6, 1), 0);
    EXPECT_NEAR(mid, 128, 25);
    // At angle 0 the lines run along the rows.
    const Bitmap lines = lineScreenFilter(greyBitmap(50, 50, 100), centre, 0, 10);
    for (int y = 0; y < 50; ++y)
        EXPECT_EQ(pixelAt(lines, 0, y), pixelAt(lines, 49, y));
    // Alpha is kept and the ink is premultiplied by it.
    const Bitmap translucent = dotScreenFilter(test::solidBitmap(10, 10, {128, 128, 128, 128}), centre, 0, 6, 0.7);
    EXPECT_EQ(pixelAt(translucent, 3, 3)[3], 128);
}

TEST(FiltersStylize, CmykHalftoneSeparatesInks)
{
    const QPointF centre(50, 50);
    EXPECT_TRUE(test::samePixels(cmykHalftoneFilter(greyBitmap(60, 60, 255), centre, 10), greyBitmap(60, 60, 255)));
    EXPECT_TRUE(test::samePixels(cmykHalftoneFilter(greyBitmap(60, 60, 0), centre, 10), greyBitmap(60, 60, 0)));
    // Red needs no cyan and no black: the red channel stays full, magenta and yellow dots cover
    // most of the green and blue.
    const Bitmap red = cmykHalftoneFilter(test::solidBitmap(100, 100, {255, 0, 0, 255}), centre, 10);
    EXPECT_EQ(meanChannel(red, 0), 255);
    EXPECT_LT(meanChannel(red, 1), 60);
    EXPECT_LT(meanChannel(red, 2), 60);
    // Without grey component replacement a grey prints no black, so the three inks tint it.
    const Bitmap grey = greyBitmap(100, 100, 128);
    const Bitmap noBlack = cmykHalftoneFilter(grey, centre, 10, 0, 0.7, 0, 0.5);
    EXPECT_GT(changedPixels(noBlack, cmykHalftoneFilter(grey, centre, 10)), 1000);
}

TEST(FiltersStylize, ComicEffectDrawsOutlinesAndKeepsFlatAreasClean)
{
    auto builder = BitmapBuilder::create(60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            std::memset(builder->row(y) + 4 * x, x < 30 ? 255 : 0, 3), builder->row(y)[4 * x + 3] = 255;
    const Bitmap halves = std::move(*builder).build();
    const Bitmap comic = comicEffectFilter(halves);
    EXPECT_EQ(pixelAt(comic, 5, 20), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(comic, 55, 20), (Rgba{0, 0, 0, 255}));
    EXPECT_LT(pixelAt(comic, 29, 20)[0], 60);  // the outline on the white side of the edge
}

TEST(FiltersStylize, DistortionsAreIdentitiesAtZeroAndLeaveTheOutsideAlone)
{
    const Bitmap random = test::randomBitmap(90, 70, 9);
    const QPointF centre(40.3, 33.7);
    EXPECT_TRUE(test::samePixels(twirlFilter(random, centre, 25, 0), random));
    EXPECT_TRUE(test::samePixels(vortexFilter(random, centre, 25, 0), random));
    EXPECT_TRUE(test::samePixels(pinchFilter(random, centre, 25, 0), random));
    EXPECT_TRUE(test::samePixels(bumpFilter(random, centre, 25, 0), random));
    EXPECT_TRUE(test::samePixels(twirlFilter(random, centre, 0, 2), random));

    const std::vector<Bitmap> distorted{twirlFilter(random, centre, 25, 2), vortexFilter(random, centre, 25, 12),
                                        pinchFilter(random, centre, 25, 1), bumpFilter(random, centre, 25, -1)};
    for (const Bitmap& result : distorted) {
        int changedInside = 0;
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 90; ++x) {
                const double distance = std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y());
                if (distance >= 25)
                    ASSERT_EQ(pixelAt(result, x, y), pixelAt(random, x, y)) << x << "," << y;
                else
                    changedInside += pixelAt(result, x, y) != pixelAt(random, x, y);
            }
        EXPECT_GT(changedInside, 1000);
    }
}

TEST(FiltersStylize, DistortionsMoveContentTheRightWay)
{
    // Concentric rings only turn into themselves under a twirl or a vortex.
    auto builder = BitmapBuilder::create(80, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            const auto value = std::uint8_t(127 + 120 * std::sin(std::hypot(x + 0.5 - 40, y + 0.5 - 40) / 3));
            std::memset(builder->row(y) + 4 * x, value, 3);
            builder->row(y)[4 * x + 3] = 255;
        }
    const Bitmap rings = std::move(*builder).build();
    for (const Bitmap& turned : {twirlFilter(rings, {40, 40}, 35, 3), vortexFilter(rings, {40, 40}, 35, 12)})
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 80; ++x)
                ASSERT_NEAR(pixelAt(turned, x, y)[0], pixelAt(rings, x, y)[0], 40) << x << "," << y;

    // On a horizontal ramp, the slope across the centre flattens under a bulge and steepens under a
    // dent or a pinch.
    auto ramp = BitmapBuilder::create(100, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x) {
            std::memset(ramp->row(y) + 4 * x, 25 + 2 * x, 3);
            ramp->row(y)[4 * x + 3] = 255;
        }
    const Bitmap gradient = std::move(*ramp).build();
    auto slope = [](const Bitmap& b) { return int(pixelAt(b, 54, 10)[0]) - int(pixelAt(b, 45, 10)[0]); };
    const QPointF centre(50, 10);
    EXPECT_LT(slope(bumpFilter(gradient, centre, 40, 1)), slope(gradient) - 5);
    EXPECT_GT(slope(bumpFilter(gradient, centre, 40, -1)), slope(gradient) + 5);
    EXPECT_GT(slope(pinchFilter(gradient, centre, 40, 1)), slope(gradient) + 5);
}

TEST(FiltersStylize, KaleidoscopeMirrorsAtTheTriangleSidesAndFades)
{
    const Bitmap random = test::randomBitmap(100, 60, 11);
    // Inradius 10 puts the right side of the central triangle on x = 60, a pixel boundary.
    const double side = 60 / std::sqrt(3.0);
    const QPointF point(50, 30);
    const Bitmap mirrored = triangleKaleidoscopeFilter(random, point, side, 0, 1);
    for (int k = 0; k < 8; ++k)
        for (int y = 26; y < 34; ++y)
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(pixelAt(mirrored, 60 + k, y)[c], pixelAt(mirrored, 59 - k, y)[c], 1) << k << "," << y;
    // Inside the central triangle the input shows through unchanged.
    EXPECT_EQ(pixelAt(mirrored, 50, 30), pixelAt(random, 50, 30));
    EXPECT_EQ(pixelAt(mirrored, 55, 32), pixelAt(random, 55, 32));

    // Decay fades towards transparent with distance.
    const Bitmap opaque = test::solidBitmap(100, 60, {200, 100, 50, 255});
    const Bitmap faded = triangleKaleidoscopeFilter(opaque, point, side, 0.4, 0.5);
    EXPECT_EQ(pixelAt(faded, 50, 30)[3], 255);
    EXPECT_LT(pixelAt(faded, 95, 55)[3], pixelAt(faded, 70, 40)[3]);
    EXPECT_LT(pixelAt(faded, 70, 40)[3], 255);
}

}  // namespace velmaris
