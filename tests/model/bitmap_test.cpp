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

#ifdef __linux__
TEST(Bitmap, ReleasedLargePixelBlocksServeTheNextImageOfTheirSize)
{
    // 4 MiB and more: the size of images whose fresh pages are worth keeping.
    const auto large = [](int height) { return std::move(*BitmapBuilder::createUninitialized(1024, height)).build(); };
    const std::uint8_t* released = large(1024).bits();
    Bitmap again = large(1024);
    EXPECT_EQ(again.bits(), released);
    // A block in use is never handed out twice, nor one of another size.
    const Bitmap other = large(1024);
    EXPECT_NE(other.bits(), again.bits());
    again = {};
    EXPECT_NE(large(2048).bits(), released);
    // Builders that promise cleared pixels still clear a reused block.
    auto cleared = BitmapBuilder::create(1024, 1024);
    ASSERT_TRUE(cleared);
    EXPECT_EQ(cleared->row(0), released);
    EXPECT_EQ(test::pixelAt(std::move(*cleared).build(), 700, 900), (test::Rgba{0, 0, 0, 0}));
}
#endif

}  // namespace velmaris
