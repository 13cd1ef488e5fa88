#include "render/Resample.h"

#include "TestImages.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

Bitmap checkerboard(int size)
{
    auto builder = BitmapBuilder::create(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const std::uint8_t value = (x + y) % 2 ? 255 : 0;
            std::uint8_t* pixel = builder->row(y) + 4 * x;
            pixel[0] = pixel[1] = pixel[2] = value;
            pixel[3] = 255;
        }
    return std::move(*builder).build();
}

TEST(Resample, ConstantImageStaysConstantWhenShrinkingOrEnlarging)
{
    for (test::Rgba colour : {test::Rgba{10, 200, 90, 255}, test::Rgba{30, 0, 60, 100}}) {
        const Bitmap image = test::solidBitmap(37, 23, colour);
        for (auto [width, height] : {std::pair{11, 7}, std::pair{80, 50}, std::pair{37, 5}, std::pair{1, 1}}) {
            const auto result = resampleBitmap(image, width, height);
            ASSERT_TRUE(result);
            ASSERT_EQ(result->width(), width);
            ASSERT_EQ(result->height(), height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(test::pixelAt(*result, x, y), colour) << width << "x" << height;
        }
    }
}

TEST(Resample, HalvingAOnePixelCheckerboardGivesGreyNotAliasing)
{
    const auto result = resampleBitmap(checkerboard(64), 32, 32);
    ASSERT_TRUE(result);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_NEAR(test::pixelAt(*result, x, y)[0], 128, 12) << x << "," << y;
}

TEST(Resample, EnlargingKeepsTheCornerColoursAndStaysPremultiplied)
{
    // Four quadrants of 3 × 3 pixels, enlarged five times.
    auto builder = BitmapBuilder::create(6, 6);
    const test::Rgba corners[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {128, 128, 128, 128}};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const test::Rgba& colour = corners[(y / 3) * 2 + x / 3];
            std::copy(colour.begin(), colour.end(), builder->row(y) + 4 * x);
        }
    const auto result = resampleBitmap(std::move(*builder).build(), 30, 30);
    ASSERT_TRUE(result);
    const int at[4][2] = {{0, 0}, {29, 0}, {0, 29}, {29, 29}};
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(test::pixelAt(*result, at[i][0], at[i][1])[c], corners[i][c], 8) << i;

    const auto ringing = resampleBitmap(test::randomBitmap(16, 16, 9), 57, 41);
    ASSERT_TRUE(ringing);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 57; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_LE(test::pixelAt(*ringing, x, y)[c], test::pixelAt(*ringing, x, y)[3]);
}

TEST(Resample, SameSizeSharesThePixelsAndInvalidSizesAreRefused)
{
    const Bitmap image = test::randomBitmap(8, 6, 2);
    const auto same = resampleBitmap(image, 8, 6);
    ASSERT_TRUE(same);
    EXPECT_TRUE(same->sharesPixelsWith(image));
    EXPECT_FALSE(resampleBitmap(image, 0, 6));
    EXPECT_FALSE(resampleBitmap(image, 8, -1));
    EXPECT_FALSE(resampleBitmap(image, 30001, 6));
    EXPECT_FALSE(resampleBitmap(image, 20000, 20000));
    EXPECT_FALSE(resampleBitmap(Bitmap(), 8, 6));
}

}  // namespace
}  // namespace velmaris
