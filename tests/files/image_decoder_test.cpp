#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"
#include "files/SVGRasterizer.h"

#include "files/CodecTestHelpers.h"

#include <QBuffer>
#include <QColorSpace>
#include <QColorTransform>
#include <QImageWriter>
#include <gif_lib.h>
#include <gtest/gtest.h>

namespace velmaris {

using test::Rgba;
using test::jpegWithOrientation;
using test::pixelAt;

namespace {

const ImageType kAllTypes[] = {ImageType::png, ImageType::jpeg, ImageType::gif,
                               ImageType::bmp, ImageType::tiff, ImageType::svg};

void appendLittleEndian(QByteArray& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
}

// A two-frame GIF: a red first frame, a blue second one.
QByteArray twoFrameGif(int width, int height)
{
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, [](GifFileType* file, const GifByteType* data, int length) {
        static_cast<QByteArray*>(file->UserData)->append(reinterpret_cast<const char*>(data), length);
        return length;
    }, &error);
    GifColorType colors[2] = {{255, 0, 0}, {0, 0, 255}};
    ColorMapObject map{2, 1, false, colors};
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, &map);
    for (GifPixelType index : {GifPixelType(0), GifPixelType(1)}) {
        EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
        std::vector<GifPixelType> line(std::size_t(width), index);
        for (int y = 0; y < height; ++y)
            EGifPutLine(gif, line.data(), width);
    }
    EGifCloseFile(gif, &error);
    return bytes;
}

// A BMP with a two-colour palette: 8 bits a pixel, uncompressed or run-length encoded.
QByteArray bmpHeader(int width, int height, bool runLength, std::uint32_t pixelBytes)
{
    constexpr std::uint32_t pixelOffset = 14 + 40 + 8;
    QByteArray bytes("BM");
    appendLittleEndian(bytes, pixelOffset + pixelBytes, 4);
    appendLittleEndian(bytes, 0, 4);
    appendLittleEndian(bytes, pixelOffset, 4);
    appendLittleEndian(bytes, 40, 4);
    appendLittleEndian(bytes, std::uint32_t(width), 4);
    appendLittleEndian(bytes, std::uint32_t(height), 4);
    appendLittleEndian(bytes, 1, 2);
    appendLittleEndian(bytes, 8, 2);
    appendLittleEndian(bytes, runLength ? 1 : 0, 4);
    appendLittleEndian(bytes, pixelBytes, 4);
    appendLittleEndian(bytes, 0, 4);  // resolution
    appendLittleEndian(bytes, 0, 4);
    appendLittleEndian(bytes, 2, 4);  // colours used
    appendLittleEndian(bytes, 0, 4);
    appendLittleEndian(bytes, 0x00FF0000, 4);  // red
    appendLittleEndian(bytes, 0x000000FF, 4);  // blue
    return bytes;
}

// Every pixel present, all of palette entry 1.
QByteArray uncompressedBmp(int width, int height)
{
    const std::uint32_t rowBytes = (std::uint32_t(width) + 3) & ~3u;
    return bmpHeader(width, height, false, rowBytes * std::uint32_t(height))
        + QByteArray(qsizetype(rowBytes) * height, '\1');
}

// A complete run-length encoded file of a few bytes, whatever size it claims.
QByteArray runLengthBmp(int width, int height)
{
    return bmpHeader(width, height, true, 2) + QByteArray("\0\1", 2);
}

QByteArray svg(const char* body)
{
    return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" ") + body + "</svg>";
}

// A one-row PNG of the given bit depth and colour type with a tRNS chunk holding the key.
QByteArray keyedPng(int width, int bitDepth, int colorType, const QByteArray& samples, const QByteArray& key)
{
    using test::bigEndian;
    const QByteArray header = "IHDR" + bigEndian(quint32(width)) + bigEndian(1) + char(bitDepth) + char(colorType)
        + QByteArray(3, '\0');
    const QByteArray zlibStream = qCompress(QByteArray(1, '\0') + samples).mid(4);  // filter type 0
    return test::kPngSignature + test::pngChunk(header) + test::pngChunk("tRNS" + key)
        + test::pngChunk("IDAT" + zlibStream) + test::pngChunk("IEND");
}

QByteArray samples16(std::initializer_list<quint32> values)
{
    QByteArray bytes;
    for (quint32 value : values)
        bytes += test::bigEndian(value, 2);
    return bytes;
}

}  // namespace

TEST(ImageDecoder, PngColourKeysMakeExactlyTheirColourTransparent)
{
    constexpr int grey = 0, truecolor = 2;
    // 16-bit RGB: the key compares all 16 bits, so a colour one step away stays opaque.
    std::optional<Bitmap> rgb16 = decodeImageData(
        keyedPng(3, 16, truecolor,
                 samples16({0x1234, 0x5678, 0x9abc, 0xffff, 0, 0, 0x1234, 0x5678, 0x9abd}),
                 samples16({0x1234, 0x5678, 0x9abc})),
        ImageType::png);
    ASSERT_TRUE(rgb16);
    EXPECT_EQ(pixelAt(*rgb16, 0, 0)[3], 0);
    EXPECT_EQ(pixelAt(*rgb16, 1, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*rgb16, 2, 0), (Rgba{0x12, 0x56, 0x9a, 255}));

    const std::optional<Bitmap> rgb8 =
        decodeImageData(keyedPng(2, 8, truecolor, QByteArray("\x10\x20\x30\x00\xff\x00", 6),
                                 samples16({0x10, 0x20, 0x30})),
                        ImageType::png);
    ASSERT_TRUE(rgb8);
    EXPECT_EQ(pixelAt(*rgb8, 0, 0)[3], 0);
    EXPECT_EQ(pixelAt(*rgb8, 1, 0), (Rgba{0, 255, 0, 255}));

    const std::optional<Bitmap> grey16 =
        decodeImageData(keyedPng(2, 16, grey, samples16({0x8000, 0xffff}), samples16({0x8000})), ImageType::png);
    ASSERT_TRUE(grey16);
    EXPECT_EQ(pixelAt(*grey16, 0, 0)[3], 0);
    EXPECT_EQ(pixelAt(*grey16, 1, 0), (Rgba{255, 255, 255, 255}));
}

TEST(ImageDecoder, ExifOrientationSixTurnsTheImageUpright)
{
    const Bitmap stored = test::quarteredBitmap(32, 16, false);
    const QByteArray jpeg = *encodeImageData(stored, ImageType::jpeg, 1.0);

    const std::optional<Bitmap> plain = decodeImageData(jpegWithOrientation(jpeg, 1), ImageType::jpeg);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size(), QSize(32, 16));
    EXPECT_LE(test::channelDistance(pixelAt(*plain, 0, 0), Rgba{255, 0, 0, 255}), 8);
    EXPECT_LE(test::channelDistance(pixelAt(*plain, 31, 0), Rgba{0, 0, 255, 255}), 8);

    // 6: the stored top row is the displayed right column, so the red corner ends up top right.
    const std::optional<Bitmap> turned = decodeImageData(jpegWithOrientation(jpeg, 6), ImageType::jpeg);
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->size(), QSize(16, 32));
    EXPECT_LE(test::channelDistance(pixelAt(*turned, 15, 0), Rgba{255, 0, 0, 255}), 8);
    EXPECT_LE(test::channelDistance(pixelAt(*turned, 0, 0), Rgba{0, 0, 255, 255}), 8);
    EXPECT_LE(test::channelDistance(pixelAt(*turned, 15, 31), Rgba{0, 0, 255, 255}), 8);
}

TEST(ImageDecoder, AnimatedGifGivesItsFirstFrame)
{
    const std::optional<Bitmap> decoded = decodeImageData(twoFrameGif(5, 3), ImageType::gif);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(5, 3));
    EXPECT_EQ(pixelAt(*decoded, 4, 2), (Rgba{255, 0, 0, 255}));
}

TEST(ImageDecoder, RasterTypeIsOnlyAHintButSvgIsChosenByType)
{
    const Bitmap image = test::randomBitmap(6, 4, 3);
    const QByteArray png = *encodeImageData(image, ImageType::png);
    const std::optional<Bitmap> asJpeg = decodeImageData(png, ImageType::jpeg);
    ASSERT_TRUE(asJpeg);
    EXPECT_EQ(test::bitmapDistance(*asJpeg, image), 0);
    EXPECT_FALSE(decodeImageData(png, ImageType::svg));
    EXPECT_FALSE(decodeImageData(svg("width=\"4\" height=\"4\">"), ImageType::png));
}

TEST(ImageDecoder, EmbeddedColourProfileIsConvertedToSrgb)
{
    const QColor wide(100, 150, 200);
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(wide);
    image.setColorSpace(QColorSpace::DisplayP3);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "png").write(image));

    const std::optional<Bitmap> decoded = decodeImageData(png, ImageType::png);
    ASSERT_TRUE(decoded);
    const QColor expected = QColorSpace(QColorSpace::DisplayP3).transformationToColorSpace(QColorSpace::SRgb).map(wide);
    const Rgba pixel = pixelAt(*decoded, 1, 1);
    const Rgba unconverted{100, 150, 200, 255};
    EXPECT_LE(test::channelDistance(pixel, Rgba{std::uint8_t(expected.red()), std::uint8_t(expected.green()),
                                                std::uint8_t(expected.blue()), 255}),
              1);
    EXPECT_GE(test::channelDistance(pixel, unconverted), 10);
}

TEST(ImageDecoder, SvgSizeIsRoundedToAtLeastOnePixelAndDrawnStretched)
{
    const std::optional<Bitmap> thin =
        decodeImageData(svg("width=\"10.4\" height=\"0.2\"><rect width=\"10.4\" height=\"0.2\" fill=\"red\"/>"),
                        ImageType::svg);
    ASSERT_TRUE(thin);
    EXPECT_EQ(thin->size(), QSize(10, 1));
    EXPECT_EQ(pixelAt(*thin, 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*thin, 9, 0), (Rgba{255, 0, 0, 255}));

    const std::optional<Bitmap> halves = decodeImageData(svg("width=\"2.5\" height=\"3.5\">"), ImageType::svg);
    ASSERT_TRUE(halves);
    EXPECT_EQ(halves->size(), QSize(3, 4));

    const std::optional<Bitmap> viewBoxOnly = decodeImageData(svg("viewBox=\"0 0 5 7\">"), ImageType::svg);
    ASSERT_TRUE(viewBoxOnly);
    EXPECT_EQ(viewBoxOnly->size(), QSize(5, 7));
}

TEST(ImageDecoder, SvgRendersStretchedAtAnAskedPixelSize)
{
    // Icons are drawn on a 4 × 2 grid and asked for at any size: left half red, right half blue.
    const QByteArray halves = svg("width=\"4\" height=\"2\" viewBox=\"0 0 4 2\"><rect width=\"2\" height=\"2\" "
                                  "fill=\"red\"/><rect x=\"2\" width=\"2\" height=\"2\" fill=\"blue\"/>");
    const std::optional<Bitmap> large = rasterizeSVGData(halves, QSize(40, 10));
    ASSERT_TRUE(large);
    EXPECT_EQ(large->size(), QSize(40, 10));
    EXPECT_EQ(pixelAt(*large, 19, 9), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*large, 20, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_FALSE(rasterizeSVGData(halves, QSize(40000, 10)));
}

TEST(ImageDecoder, SvgColoursArePremultipliedRgba)
{
    const std::optional<Bitmap> decoded = decodeImageData(
        svg("width=\"4\" height=\"3\"><rect width=\"4\" height=\"3\" fill=\"#ff8000\"/>"
            "<rect x=\"2\" width=\"2\" height=\"3\" fill=\"#0000ff\" fill-opacity=\"0.5\"/>"),
        ImageType::svg);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(pixelAt(*decoded, 0, 2), (Rgba{255, 128, 0, 255}));
    EXPECT_LE(test::channelDistance(pixelAt(*decoded, 3, 0), Rgba{128, 64, 128, 255}), 1);

    const std::optional<Bitmap> translucent =
        decodeImageData(svg("width=\"2\" height=\"2\"><rect width=\"2\" height=\"2\" fill=\"#00ff00\" "
                            "fill-opacity=\"0.5\"/>"),
                        ImageType::svg);
    ASSERT_TRUE(translucent);
    EXPECT_LE(test::channelDistance(pixelAt(*translucent, 1, 1), Rgba{0, 128, 0, 128}), 1);
}

TEST(ImageDecoder, GarbageEmptyAndTruncatedDataGiveNothing)
{
    const Bitmap image = test::randomBitmap(40, 30, 9);
    const QByteArray garbage("this is not an image, not even close \x01\x02\x03\xff\xfe", 42);
    for (ImageType type : kAllTypes) {
        SCOPED_TRACE(int(type));
        EXPECT_FALSE(decodeImageData(QByteArray(), type));
        EXPECT_FALSE(decodeImageData(garbage, type));
        const QByteArray whole = type == ImageType::svg
            ? svg("width=\"40\" height=\"30\"><rect width=\"40\" height=\"30\" fill=\"red\"/>")
            : *encodeImageData(image, type);
        ASSERT_TRUE(decodeImageData(whole, type));
        EXPECT_FALSE(decodeImageData(whole.left(whole.size() / 2), type));
        EXPECT_FALSE(decodeImageData(whole.left(whole.size() * 3 / 4), type));
    }
}

TEST(ImageDecoder, OversizedImagesAreRefusedFromTheirHeader)
{
    const std::optional<Bitmap> small = decodeImageData(uncompressedBmp(40, 10), ImageType::bmp);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), QSize(40, 10));
    EXPECT_EQ(pixelAt(*small, 39, 9), (Rgba{0, 0, 255, 255}));
    EXPECT_FALSE(decodeImageData(uncompressedBmp(40000, 10), ImageType::bmp));
    ASSERT_TRUE(decodeImageData(runLengthBmp(300, 200), ImageType::bmp));
    EXPECT_FALSE(decodeImageData(runLengthBmp(20000, 20000), ImageType::bmp));  // 1.6 GB decoded
    EXPECT_FALSE(decodeImageData(svg("width=\"40000\" height=\"10\">"), ImageType::svg));
    EXPECT_FALSE(decodeImageData(svg("width=\"20000\" height=\"20000\">"), ImageType::svg));
    EXPECT_FALSE(decodeImageData(svg("width=\"1e300\" height=\"1\">"), ImageType::svg));
}

}  // namespace velmaris
