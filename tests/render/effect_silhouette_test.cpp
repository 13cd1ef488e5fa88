#include "render/EffectSilhouette.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmaris {
namespace {

const StoredColor kRed{1, 0, 0, 1};

TEST(EffectSilhouette, SpreadGrowsTheImageOnEverySide)
{
    const Bitmap image = test::solidBitmap(10, 6, {255, 255, 255, 255});
    const auto glow = makeEffectSilhouette(image, kRed, 2.0, 4.0);  // a glow of radius 4
    ASSERT_TRUE(glow);
    EXPECT_EQ(glow->spread, 14);
    EXPECT_EQ(glow->image.size(), QSize(38, 34));
    const auto plain = makeEffectSilhouette(image, kRed, 0, 0);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->spread, 0);
    EXPECT_EQ(test::pixelAt(plain->image, 9, 5), (test::Rgba{255, 0, 0, 255}));
}

TEST(EffectSilhouette, StrokeColoursTheRingAroundAnOpaqueSquare)
{
    const auto stroke = makeEffectSilhouette(test::solidBitmap(4, 4, {0, 0, 255, 255}), kRed, 2.0, 0);
    ASSERT_TRUE(stroke);
    ASSERT_EQ(stroke->spread, 2);
    ASSERT_EQ(stroke->image.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            // Distance to the square, which covers [2, 5] × [2, 5].
            const int dx = std::max({2 - x, x - 5, 0}), dy = std::max({2 - y, y - 5, 0});
            const bool inside = dx * dx + dy * dy <= 4;
            EXPECT_EQ(test::pixelAt(stroke->image, x, y), inside ? (test::Rgba{255, 0, 0, 255}) : (test::Rgba{0, 0, 0, 0}))
                << x << "," << y;
        }
}

TEST(EffectSilhouette, AlphaIsColourAlphaTimesPixelAlphaAndComponentsAreClamped)
{
    const Bitmap half = test::solidBitmap(1, 1, {64, 0, 0, 128});
    const auto tinted = makeEffectSilhouette(half, StoredColor{0.2, 0.4, 1.0, 0.5}, 0, 0);
    ASSERT_TRUE(tinted);
    EXPECT_EQ(test::pixelAt(tinted->image, 0, 0), (test::Rgba{13, 26, 64, 64}));
    const auto clamped = makeEffectSilhouette(half, StoredColor{2.0, -1.0, 0.5, 3.0}, 0, 0);
    ASSERT_TRUE(clamped);
    EXPECT_EQ(test::pixelAt(clamped->image, 0, 0), (test::Rgba{128, 0, 64, 128}));
}

TEST(EffectSilhouette, BlurredGlowFadesOutSymmetricallyTowardsTheEdge)
{
    const auto glow = makeEffectSilhouette(test::solidBitmap(30, 30, {255, 255, 255, 255}), kRed, 3.0, 6.0);
    ASSERT_TRUE(glow);
    const int size = glow->image.width(), middle = size / 2;
    EXPECT_EQ(test::pixelAt(glow->image, middle, middle)[3], 255);
    EXPECT_LE(test::pixelAt(glow->image, 0, middle)[3], 3);
    for (int x = 0; x < size; ++x)
        EXPECT_NEAR(test::pixelAt(glow->image, x, middle)[3], test::pixelAt(glow->image, size - 1 - x, middle)[3], 1);
}

TEST(EffectSilhouette, RefusesUnusableColoursAndImages)
{
    const Bitmap image = test::solidBitmap(3, 3, {255, 255, 255, 255});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(makeEffectSilhouette(image, StoredColor{nan, 0, 0, 1}, 1, 1));
    EXPECT_FALSE(makeEffectSilhouette(image, StoredColor{0, 0, 0, std::numeric_limits<double>::infinity()}, 1, 1));
    EXPECT_FALSE(makeEffectSilhouette(image, kRed, 1e9, 0));
    EXPECT_FALSE(makeEffectSilhouette(Bitmap(), kRed, 1, 1));
}

}  // namespace
}  // namespace velmaris
