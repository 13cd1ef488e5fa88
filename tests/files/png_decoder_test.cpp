#include "files/PNGDecoder.h"

#include "files/CodecTestHelpers.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QBuffer>
#include <QColorSpace>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace velmaris {
namespace {

using test::bigEndian;
using test::pngChunk;

void expectSameBitmaps(const Bitmap& a, const Bitmap& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (int y = 0; y < a.height(); ++y)
        ASSERT_EQ(std::memcmp(a.row(y), b.row(y), std::size_t(a.width()) * 4), 0) << "row " << y;
    EXPECT_EQ(a.image().dotsPerMeterX(), b.image().dotsPerMeterX());
    EXPECT_EQ(a.image().dotsPerMeterY(), b.image().dotsPerMeterY());
    EXPECT_EQ(a.image().colorSpace(), b.image().colorSpace());
}

// Both readers on the same bytes; the fast reader must take them. Also through a buffer of its own,
// as the decode helper gives it.
void expectSameAsGeneralDecoder(const QByteArray& png)
{
    const std::optional<Bitmap> fast = decodeLayerPNG(png);
    const std::optional<QImage> general = readRasterImage(png);
    ASSERT_TRUE(fast && general);
    expectSameBitmaps(*fast, Bitmap::fromImage(*general));
    const std::optional<FastPNG> reader = FastPNG::read(png);
    ASSERT_TRUE(reader);
    std::vector<std::uint8_t> buffer(reader->bufferSize(), 0xaa);
    ASSERT_TRUE(reader->decodeInto(buffer.data()));
    EXPECT_EQ(std::memcmp(buffer.data(), fast->bits(), std::size_t(fast->byteCount())), 0);
}

QByteArray header(int width, int height, int channels = 4)
{
    return "IHDR" + bigEndian(quint32(width)) + bigEndian(quint32(height)) + '\x08' + char(channels == 4 ? 6 : 2)
        + QByteArray(3, '\0');
}

// Straight RGBA (or RGB) rows of every colour value under every alpha, each row under one of the
// five filters in turn (the bytes are what a reader sees after that filter, so every path runs).
QByteArray everyFilterPng(const QByteArray& extraChunks = {}, int channels = 4)
{
    constexpr int kSide = 256;
    QByteArray raw;
    QByteArray previous(kSide * channels, '\0');
    for (int y = 0; y < kSide; ++y) {
        QByteArray row(kSide * channels, Qt::Uninitialized);
        for (int x = 0; x < kSide; ++x) {
            row[channels * x] = char(x);
            row[channels * x + 1] = char(255 - x);
            row[channels * x + 2] = char(x * 7 + y);
            if (channels == 4)
                row[4 * x + 3] = char(y);
        }
        const int filter = y % 5;
        QByteArray filtered(row.size(), Qt::Uninitialized);
        for (int i = 0; i < row.size(); ++i) {
            const int a = i >= channels ? quint8(row[i - channels]) : 0, b = quint8(previous[i]),
                      c = i >= channels ? quint8(previous[i - channels]) : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int prediction[] = {0, a, b, (a + b) / 2, paeth};
            filtered[i] = char(quint8(row[i]) - prediction[filter]);
        }
        raw += char(filter) + filtered;
        previous = row;
    }
    const QByteArray zlib = qCompress(raw, 6).mid(4);
    return test::kPngSignature + pngChunk(header(kSide, kSide, channels)) + extraChunks + pngChunk("IDAT" + zlib.left(1000))
        + pngChunk("IDAT" + zlib.mid(1000)) + pngChunk("IEND");
}

TEST(PNGDecoder, EqualsTheGeneralDecoderOnEveryFilterAndAlpha)
{
    expectSameAsGeneralDecoder(everyFilterPng());
    expectSameAsGeneralDecoder(everyFilterPng(pngChunk("pHYs" + bigEndian(5000) + bigEndian(7000) + '\x01')));
    // What the layer encoder writes: an sRGB profile and a resolution, the data in several chunks.
    for (const Bitmap& bitmap : {test::randomBitmap(333, 97, 3), test::solidBitmap(1, 1, {0, 0, 0, 0})})
        expectSameAsGeneralDecoder(encodeImageData(bitmap, ImageType::png).value());
}

TEST(PNGDecoder, EqualsTheGeneralDecoderOnOpaqueRgb)
{
    expectSameAsGeneralDecoder(everyFilterPng({}, 3));
    expectSameAsGeneralDecoder(everyFilterPng(pngChunk(QByteArray("sRGB\x00", 5)), 3));
    expectSameAsGeneralDecoder(everyFilterPng(pngChunk(QByteArray("sRGB\x03", 5))));
    // As Qt writes opaque images, at odd widths.
    for (const int width : {1, 5, 333}) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(test::randomBitmap(width, 7, 2).image().convertToFormat(QImage::Format_RGB32).save(&buffer, "png"));
        expectSameAsGeneralDecoder(png);
    }
}

TEST(PNGDecoder, LeavesAnythingElseToTheGeneralDecoder)
{
    const QByteArray png = everyFilterPng();
    QByteArray badCrc = png;
    badCrc[badCrc.indexOf("IDAT") + 10] ^= 1;
    const QByteArray interlaced = test::kPngSignature
        + pngChunk("IHDR" + bigEndian(256) + bigEndian(256) + QByteArray("\x08\x06\x00\x00\x01", 5)) + png.mid(8 + 25);
    const QByteArray sixteenBitRgb = test::kPngSignature
        + pngChunk("IHDR" + bigEndian(128) + bigEndian(256) + QByteArray("\x10\x02\x00\x00\x00", 5)) + png.mid(8 + 25);
    const QByteArray text = everyFilterPng(pngChunk(QByteArray("tEXtTitle\0Layer", 15)));
    const QByteArray gamma = everyFilterPng(pngChunk("gAMA" + bigEndian(45455)));
    const QByteArray displayP3 =
        everyFilterPng(pngChunk("iCCPP3" + QByteArray(2, '\0') + qCompress(QColorSpace(QColorSpace::DisplayP3).iccProfile()).mid(4)));
    const QByteArray jpeg = encodeImageData(test::randomBitmap(4, 4, 1), ImageType::jpeg).value();
    for (const QByteArray& data : {badCrc, interlaced, sixteenBitRgb, text, gamma, displayP3, png.left(png.size() - 20), png.left(40), jpeg,
                                   test::blackOneBitPng(8), QByteArray()})
        EXPECT_FALSE(decodeLayerPNG(data)) << data.size();
    // The general decoder reads them as before: text kept, colours converted from the profile.
    EXPECT_EQ(decodeImageData(text, ImageType::png)->image().text(QStringLiteral("Title")), QStringLiteral("Layer"));
    EXPECT_NE(std::memcmp(decodeImageData(displayP3, ImageType::png)->row(100), decodeLayerPNG(png)->row(100), 1024), 0);
}

}  // namespace
}  // namespace velmaris
