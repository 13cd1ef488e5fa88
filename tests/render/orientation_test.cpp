#include "render/Orientation.h"

#include "TestImages.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

// Sizes around the tile edge, so partial tiles are covered.
const Bitmap kImage = test::randomBitmap(131, 70, 4);

TEST(Orientation, QuarterTurnMovesEachPixelClockwise)
{
    const Bitmap turned = rotatedQuarterTurns(kImage, 1);
    ASSERT_EQ(turned.width(), kImage.height());
    ASSERT_EQ(turned.height(), kImage.width());
    const Bitmap back = rotatedQuarterTurns(kImage, -1);
    for (int y = 0; y < kImage.height(); ++y)
        for (int x = 0; x < kImage.width(); ++x) {
            ASSERT_EQ(test::pixelAt(turned, kImage.height() - 1 - y, x), test::pixelAt(kImage, x, y));
            ASSERT_EQ(test::pixelAt(back, y, kImage.width() - 1 - x), test::pixelAt(kImage, x, y));
        }
    EXPECT_TRUE(test::samePixels(rotatedQuarterTurns(kImage, 3), back));
}

TEST(Orientation, FourTurnsAndTwoMirrorsAreIdentities)
{
    Bitmap image = kImage;
    for (int i = 0; i < 4; ++i)
        image = rotatedQuarterTurns(image, 1);
    EXPECT_TRUE(test::samePixels(image, kImage));
    EXPECT_TRUE(rotatedQuarterTurns(kImage, 8).sharesPixelsWith(kImage));
    EXPECT_TRUE(test::samePixels(rotatedQuarterTurns(rotatedQuarterTurns(kImage, 2), -2), kImage));
    EXPECT_TRUE(test::samePixels(mirrored(mirrored(kImage, true, false), true, false), kImage));
    EXPECT_TRUE(test::samePixels(mirrored(mirrored(kImage, false, true), false, true), kImage));
    EXPECT_TRUE(mirrored(kImage, false, false).sharesPixelsWith(kImage));
}

TEST(Orientation, MirrorsAndHalfTurnMovePixelsAcrossTheAxes)
{
    const int w = kImage.width(), h = kImage.height();
    const Bitmap leftRight = mirrored(kImage, true, false);
    const Bitmap topBottom = mirrored(kImage, false, true);
    const Bitmap halfTurn = rotatedQuarterTurns(kImage, 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(test::pixelAt(leftRight, w - 1 - x, y), test::pixelAt(kImage, x, y));
            ASSERT_EQ(test::pixelAt(topBottom, x, h - 1 - y), test::pixelAt(kImage, x, y));
            ASSERT_EQ(test::pixelAt(halfTurn, w - 1 - x, h - 1 - y), test::pixelAt(kImage, x, y));
        }
    EXPECT_TRUE(rotatedQuarterTurns(Bitmap(), 1).isNull());
}

}  // namespace
}  // namespace velmaris
