#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include "files/CodecTestHelpers.h"

#include <gtest/gtest.h>

namespace velmaris {

using test::Rgba;
using test::gradientBitmap;
using test::pixelAt;

namespace {

Bitmap roundTrip(const Bitmap& image, ImageType type, std::optional<double> quality = std::nullopt)
{
    const std::optional<QByteArray> bytes = encodeImageData(image, type, quality);
    if (!bytes)
        return {};
    return decodeImageData(*bytes, type).value_or(Bitmap());
}

}  // namespace

TEST(ImageEncoder, LosslessTypesRoundTripExactly)
{
    const Bitmap translucent = test::randomBitmap(37, 23, 5);
    EXPECT_EQ(test::bitmapDistance(roundTrip(translucent, ImageType::png), translucent), 0);
    EXPECT_EQ(test::bitmapDistance(roundTrip(translucent, ImageType::tiff), translucent), 0);
    const Bitmap opaque = gradientBitmap(37, 23);
    EXPECT_EQ(test::bitmapDistance(roundTrip(opaque, ImageType::bmp), opaque), 0);
}

TEST(ImageEncoder, JpegIsCloseAndQualityControlsSize)
{
    const Bitmap image = test::quarteredBitmap(64, 48, false);
    const Bitmap decoded = roundTrip(image, ImageType::jpeg, 0.95);
    EXPECT_LE(test::channelDistance(pixelAt(decoded, 5, 5), pixelAt(image, 5, 5)), 6);
    EXPECT_LE(test::channelDistance(pixelAt(decoded, 60, 40), pixelAt(image, 60, 40)), 6);

    const Bitmap detailed = test::randomBitmap(64, 48, 2);
    const std::optional<QByteArray> low = encodeImageData(detailed, ImageType::jpeg, 0.1);
    const std::optional<QByteArray> high = encodeImageData(detailed, ImageType::jpeg, 1.0);
    ASSERT_TRUE(low && high);
    EXPECT_LT(low->size() * 2, high->size());
    EXPECT_TRUE(encodeImageData(detailed, ImageType::jpeg));
}

TEST(ImageEncoder, GifKeepsFewColoursAndTransparencyAndDithersMany)
{
    const Bitmap image = test::quarteredBitmap(20, 16, true);
    const std::optional<QByteArray> gif = encodeImageData(image, ImageType::gif);
    ASSERT_TRUE(gif);
    EXPECT_TRUE(gif->startsWith("GIF89a"));
    const std::optional<Bitmap> decoded = decodeImageData(*gif, ImageType::gif);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), image.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_LE(test::channelDistance(pixelAt(*decoded, x, y), pixelAt(image, x, y)), 2) << x << "," << y;

    // GIF has one bit of alpha, cut at half: at least half covered comes out opaque with its
    // un-premultiplied colour, anything fainter transparent (not blown up into saturated noise).
    const Bitmap half = test::solidBitmap(3, 3, Rgba{64, 0, 0, 128});
    EXPECT_LE(test::channelDistance(pixelAt(roundTrip(half, ImageType::gif), 1, 1), Rgba{128, 0, 0, 255}), 2);
    for (Rgba faint : {Rgba{63, 0, 0, 127}, Rgba{1, 2, 3, 3}}) {
        const Bitmap written = roundTrip(test::solidBitmap(3, 3, faint), ImageType::gif);
        ASSERT_FALSE(written.isNull());
        EXPECT_EQ(pixelAt(written, 1, 1)[3], 0) << int(faint[3]);
    }

    // Thousands of colours: dithering keeps the average colour of 4 × 4 blocks close (a palette
    // rarely reaches the very ends of a gradient, so the worst blocks are allowed more).
    const Bitmap gradient = gradientBitmap(128, 96);
    const Bitmap quantized = roundTrip(gradient, ImageType::gif);
    ASSERT_EQ(quantized.size(), gradient.size());
    int worst = 0, total = 0, count = 0;
    for (int blockY = 0; blockY < gradient.height(); blockY += 4)
        for (int blockX = 0; blockX < gradient.width(); blockX += 4)
            for (int c = 0; c < 3; ++c) {
                int difference = 0;
                for (int y = blockY; y < blockY + 4; ++y)
                    for (int x = blockX; x < blockX + 4; ++x)
                        difference += pixelAt(quantized, x, y)[c] - pixelAt(gradient, x, y)[c];
                worst = std::max(worst, std::abs(difference) / 16);
                total += std::abs(difference) / 16;
                ++count;
            }
    EXPECT_LE(worst, 10);
    EXPECT_LT(double(total) / count, 1.0);
}

TEST(ImageEncoder, GifOfAPhotoKeepsItsColoursAndItsClearArea)
{
    // Large enough for the palette to come from a sample of the pixels; every pixel is dithered.
    // Smooth colours with noise, as a photograph, and a clear band at the left.
    constexpr int width = 640, height = 480;
    auto builder = BitmapBuilder::create(width, height);
    std::uint32_t noise = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int jitter = int(noise >> 29) - 4;
            std::uint8_t* pixel = builder->row(y) + 4 * x;
            if (x < 16)
                continue;
            pixel[0] = std::uint8_t(std::clamp(40 + 180 * x / width + jitter, 0, 255));
            pixel[1] = std::uint8_t(std::clamp(200 - 150 * y / height + jitter, 0, 255));
            pixel[2] = std::uint8_t(std::clamp(60 + 120 * (x + y) / (width + height) + jitter, 0, 255));
            pixel[3] = 255;
        }
    const Bitmap photo = std::move(*builder).build();
    const Bitmap gif = roundTrip(photo, ImageType::gif);
    ASSERT_EQ(gif.size(), photo.size());
    double pixelError = 0, blockError = 0;
    int blocks = 0;
    for (int blockY = 0; blockY < height; blockY += 8)
        for (int blockX = 16; blockX < width; blockX += 8, ++blocks)
            for (int c = 0; c < 3; ++c) {
                int difference = 0;
                for (int y = blockY; y < blockY + 8; ++y)
                    for (int x = blockX; x < blockX + 8; ++x) {
                        const int one = pixelAt(gif, x, y)[c] - pixelAt(photo, x, y)[c];
                        difference += one;
                        pixelError += std::abs(one);
                    }
                blockError += std::abs(difference) / 64.0;
            }
    EXPECT_LT(pixelError / (blocks * 64 * 3), 4.0);
    EXPECT_LT(blockError / (blocks * 3), 1.0);
    for (int y = 0; y < height; y += 37)
        EXPECT_EQ(pixelAt(gif, 5, y)[3], 0) << y;
}

TEST(ImageEncoder, TiffIsCompressedLosslessly)
{
    for (const Bitmap& image : {test::quarteredBitmap(400, 300, true), gradientBitmap(400, 300)}) {
        const std::optional<QByteArray> tiff = encodeImageData(image, ImageType::tiff);
        ASSERT_TRUE(tiff);
        EXPECT_LT(tiff->size(), image.byteCount() / 4);  // smooth colours pack well with the predictor
        const std::optional<Bitmap> decoded = decodeImageData(*tiff, ImageType::tiff);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(test::bitmapDistance(*decoded, image), 0);
    }
    // Flat areas, as in screenshots and drawings, take a small fraction of the raw 4 bytes a pixel.
    EXPECT_LT(encodeImageData(test::quarteredBitmap(400, 300, true), ImageType::tiff)->size(), 400 * 300 * 4 / 20);
}

TEST(ImageEncoder, NullBitmapsAndSvgAreNotEncoded)
{
    EXPECT_FALSE(encodeImageData(Bitmap(), ImageType::png));
    EXPECT_FALSE(encodeImageData(Bitmap(), ImageType::gif));
    EXPECT_FALSE(encodeImageData(test::solidBitmap(2, 2, Rgba{1, 2, 3, 255}), ImageType::svg));
}

}  // namespace velmaris
