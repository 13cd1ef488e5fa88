#include "render/Orientation.h"
#include "render/TransformedImage.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace velmaris {
namespace {

using test::pixelAt;
using test::randomBitmap;
using test::samePixels;
using test::solidBitmap;

constexpr double kPi = std::numbers::pi;

TEST(TransformedImage, SizeIsTheRoundedUpBoundingBox)
{
    EXPECT_EQ(transformedSize({100, 50}, 1, 1, kPi / 2), QSize(50, 100));
    EXPECT_EQ(transformedSize({100, 50}, 1, 1, kPi / 4), QSize(107, 107));
    EXPECT_EQ(transformedSize({100, 50}, 0.5, 0.5, 0), QSize(50, 25));
    EXPECT_EQ(transformedSize({100, 50}, 0.001, 0.001, 0), QSize(1, 1));
}

TEST(TransformedImage, QuarterTurnsAtUnitScaleMovePixelsExactly)
{
    const Bitmap image = randomBitmap(37, 23, 7);
    for (int turns = -2; turns <= 4; ++turns) {
        const std::optional<Bitmap> turned = renderTransformed(image, 1, 1, turns * kPi / 2);
        ASSERT_TRUE(turned);
        EXPECT_TRUE(samePixels(*turned, rotatedQuarterTurns(image, turns))) << turns;
    }
    // Fifteen-degree steps add up to the same exact quarter turn.
    EXPECT_TRUE(samePixels(*renderTransformed(image, 1, 1, 6 * (kPi / 12)), rotatedQuarterTurns(image, 1)));
    EXPECT_TRUE(samePixels(*renderTransformed(image, -1, 1, 0), mirrored(image, true, false)));
}

TEST(TransformedImage, ScalingAveragesAndRotationKeepsContentCentred)
{
    // A fine checkerboard halved becomes an even grey, not stripes or moiré.
    std::optional<BitmapBuilder> board = BitmapBuilder::create(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t v = (x + y) % 2 ? 255 : 0;
            std::uint8_t* pixel = board->row(y) + 4 * x;
            pixel[0] = pixel[1] = pixel[2] = v;
            pixel[3] = 255;
        }
    const std::optional<Bitmap> halved = renderTransformed(std::move(*board).build(), 0.25, 0.25, 0);
    ASSERT_TRUE(halved);
    ASSERT_EQ(halved->size(), QSize(16, 16));
    const test::Rgba middle = pixelAt(*halved, 8, 8);
    EXPECT_NEAR(middle[0], 128, 3);
    EXPECT_EQ(middle[3], 255);

    // An opaque square turned by 45° stays opaque at the centre and clear in the corners.
    const std::optional<Bitmap> turned = renderTransformed(solidBitmap(40, 40, {0, 0, 255, 255}), 1, 1, kPi / 4);
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->width(), 57);
    EXPECT_EQ(pixelAt(*turned, 28, 28), (test::Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(*turned, 1, 1)[3], 0);
    EXPECT_TRUE(test::validPremultiplied(*turned));

    EXPECT_FALSE(renderTransformed(Bitmap(), 1, 1, 0));
    EXPECT_FALSE(renderTransformed(solidBitmap(4, 4, {0, 0, 0, 255}), NAN, 1, 0));
}

}  // namespace
}  // namespace velmaris
