#include "files/FlatDocument.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"
#include "files/SVGWrapper.h"

#include "files/CodecTestHelpers.h"

#include <gtest/gtest.h>

namespace velmaris {

using test::Rgba;
using test::pixelAt;

TEST(FlatDocument, JpegAndBmpAreFlattenedOnWhiteWhilePngKeepsTransparency)
{
    auto builder = BitmapBuilder::create(16, 16);
    QPainter painter(&builder->image());
    painter.fillRect(0, 0, 8, 8, QColor(255, 0, 0));
    painter.fillRect(8, 8, 8, 8, QColor(0, 0, 255, 128));
    painter.end();
    const Bitmap composite = std::move(*builder).build();
    const Rgba halfBlue = pixelAt(composite, 12, 12);

    const std::optional<Bitmap> bmp = decodeImageData(*writeFlatDocument(composite, ImageType::bmp), ImageType::bmp);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(pixelAt(*bmp, 12, 2), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(*bmp, 2, 2), (Rgba{255, 0, 0, 255}));
    const std::uint8_t clear = std::uint8_t(255 - halfBlue[3]);
    EXPECT_EQ(pixelAt(*bmp, 12, 12), (Rgba{clear, clear, std::uint8_t(halfBlue[2] + clear), 255}));

    const std::optional<Bitmap> jpeg =
        decodeImageData(*writeFlatDocument(composite, ImageType::jpeg), ImageType::jpeg);
    ASSERT_TRUE(jpeg);
    EXPECT_LE(test::channelDistance(pixelAt(*jpeg, 13, 2), Rgba{255, 255, 255, 255}), 4);
    EXPECT_LE(test::channelDistance(pixelAt(*jpeg, 2, 13), Rgba{255, 255, 255, 255}), 4);

    for (ImageType type : {ImageType::png, ImageType::tiff}) {
        const std::optional<Bitmap> kept = decodeImageData(*writeFlatDocument(composite, type), type);
        ASSERT_TRUE(kept);
        EXPECT_EQ(test::bitmapDistance(*kept, composite), 0);
    }
    const std::optional<Bitmap> gif = decodeImageData(*writeFlatDocument(composite, ImageType::gif), ImageType::gif);
    ASSERT_TRUE(gif);
    EXPECT_EQ(pixelAt(*gif, 12, 2)[3], 0);
    EXPECT_EQ(writeFlatDocument(composite, ImageType::svg), makeSVGWrapper(composite));
    EXPECT_FALSE(writeFlatDocument(Bitmap(), ImageType::jpeg));
}

TEST(FlatDocument, JpegFlattensTranslucentRowsOnWhiteAndKeepsOpaqueRows)
{
    // Opaque red rows above rows of half-covered blue: the encoder takes the first as they are and
    // flattens the second on white; the export panel's JPEG keeps the blue un-premultiplied.
    auto builder = BitmapBuilder::create(48, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const Rgba pixel = y < 24 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 128, 128};
            std::copy(pixel.begin(), pixel.end(), builder->row(y) + 4 * x);
        }
    const Bitmap image = std::move(*builder).build();
    const std::optional<Bitmap> flat =
        decodeImageData(*writeFlatDocument(image, ImageType::jpeg, 0.95), ImageType::jpeg);
    const std::optional<Bitmap> exported = decodeImageData(*encodeImageData(image, ImageType::jpeg, 0.95), ImageType::jpeg);
    ASSERT_TRUE(flat && exported);
    for (int x : {4, 24, 43}) {
        EXPECT_LE(test::channelDistance(pixelAt(*flat, x, 8), Rgba{255, 0, 0, 255}), 6);
        EXPECT_LE(test::channelDistance(pixelAt(*flat, x, 40), Rgba{127, 127, 255, 255}), 6);
        EXPECT_LE(test::channelDistance(pixelAt(*exported, x, 8), Rgba{255, 0, 0, 255}), 6);
        EXPECT_LE(test::channelDistance(pixelAt(*exported, x, 40), Rgba{0, 0, 255, 255}), 6);
    }
}

TEST(SVGWrapper, WrapsThePngInTheExactDocumentText)
{
    const Bitmap image = test::randomBitmap(3, 2, 11);
    const std::optional<QByteArray> svg = makeSVGWrapper(image);
    ASSERT_TRUE(svg);
    const QByteArray prefix =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"3\" "
        "height=\"2\" viewBox=\"0 0 3 2\">\n"
        "  <image width=\"3\" height=\"2\" xlink:href=\"data:image/png;base64,";
    const QByteArray suffix = "\"/>\n</svg>";
    ASSERT_TRUE(svg->startsWith(prefix));
    ASSERT_TRUE(svg->endsWith(suffix));
    const QByteArray base64 = svg->mid(prefix.size(), svg->size() - prefix.size() - suffix.size());
    EXPECT_FALSE(base64.contains('\n'));
    const QByteArray::FromBase64Result png =
        QByteArray::fromBase64Encoding(base64, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    ASSERT_TRUE(png);
    EXPECT_TRUE(png.decoded.startsWith("\x89PNG"));
    const std::optional<Bitmap> embedded = decodeImageData(png.decoded, ImageType::png);
    ASSERT_TRUE(embedded);
    EXPECT_EQ(test::bitmapDistance(*embedded, image), 0);

    // The wrapper reads back through the SVG path at the same size.
    const Bitmap opaque = test::solidBitmap(3, 2, Rgba{10, 200, 30, 255});
    const std::optional<Bitmap> rendered = decodeImageData(*makeSVGWrapper(opaque), ImageType::svg);
    ASSERT_TRUE(rendered);
    EXPECT_LE(test::bitmapDistance(*rendered, opaque), 1);
    EXPECT_FALSE(makeSVGWrapper(Bitmap()));
}

TEST(SVGWrapper, WrapperOfAPictureOverTenMegabytesReadsBack)
{
    // Noise does not compress: the embedded PNG's text is well over 10 MB, where XML parsers stop
    // by default.
    const Bitmap noise = test::randomBitmap(1600, 1600, 5);
    const std::optional<QByteArray> svg = makeSVGWrapper(noise);
    ASSERT_TRUE(svg);
    ASSERT_GT(svg->size(), 10'500'000);
    const std::optional<Bitmap> rendered = decodeImageData(*svg, ImageType::svg);
    ASSERT_TRUE(rendered);
    EXPECT_EQ(rendered->size(), noise.size());
    EXPECT_LE(test::channelDistance(pixelAt(*rendered, 1234, 567), pixelAt(noise, 1234, 567)), 2);
}

}  // namespace velmaris
