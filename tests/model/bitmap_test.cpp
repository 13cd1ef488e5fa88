#include "model/Bitmap.h"

#include "TestImages.h"

#include <QColorSpace>
#include <gtest/gtest.h>

namespace velmaris {

TEST(Bitmap, BuilderRefusesEmptyAndOversizedImagesBeforeAllocating)
{
    EXPECT_FALSE(BitmapBuilder::create(0, 10));
    EXPECT_FALSE(BitmapBuilder::create(30001, 1));
    EXPECT_FALSE(BitmapBuilder::create(20000, 20000));  // 1.6 GB
    auto builder = BitmapBuilder::create(30000, 2);
    ASSERT_TRUE(builder);
    EXPECT_EQ(test::pixelAt(std::move(*builder).build(), 29999, 1), (test::Rgba{0, 0, 0, 0}));
}

TEST(Bitmap, CopiesShareIdentityAndFromImageConvertsToPremultipliedSrgb)
{
    QImage straight(2, 1, QImage::Format_ARGB32);
    straight.setPixel(0, 0, qRgba(255, 0, 0, 128));
    straight.setPixel(1, 0, qRgba(0, 0, 255, 255));
    const Bitmap bitmap = Bitmap::fromImage(straight);
    const Bitmap copy = bitmap;
    EXPECT_EQ(copy.identity(), bitmap.identity());
    EXPECT_TRUE(copy.sharesPixelsWith(bitmap));
    EXPECT_EQ(bitmap.image().format(), kBitmapFormat);
    EXPECT_EQ(bitmap.image().colorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(test::pixelAt(bitmap, 0, 0), (test::Rgba{128, 0, 0, 128}));
    EXPECT_EQ(test::pixelAt(bitmap, 1, 0), (test::Rgba{0, 0, 255, 255}));

    auto builder = BitmapBuilder::copyOf(bitmap);
    builder->fill(1, 2, 3, 4);
    const Bitmap edited = std::move(*builder).build();
    EXPECT_NE(edited.identity(), bitmap.identity());
    EXPECT_EQ(test::pixelAt(bitmap, 1, 0), (test::Rgba{0, 0, 255, 255}));
    EXPECT_EQ(test::pixelAt(edited, 1, 0), (test::Rgba{1, 2, 3, 4}));
}

}  // namespace velmaris
