#include "files/ImageDecoder.h"
#include "files/BandedDeflate.h"
#include "files/PNGEncoder.h"
#include "files/PNGRowFilter.h"

#include "files/CodecTestHelpers.h"

#include <QColorSpace>
#include <QImage>

#include <gtest/gtest.h>
#include <tbb/global_control.h>
#include <zlib.h>

#include <random>

namespace velmaris {

namespace {

Bitmap decodedPNG(const Bitmap& image)
{
    const std::optional<QByteArray> png = encodePNG(image);
    if (!png)
        return {};
    return decodeImageData(*png, ImageType::png).value_or(Bitmap());
}

// A smooth gradient with noise and soft alpha, like a photograph on a layer: the deflater finds
// long matches, many of them reaching back across band boundaries.
Bitmap noisyGradient(int width, int height, bool opaque)
{
    std::mt19937 random(7);
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int alpha = opaque ? 255 : 40 + (x + y) % 216;
            std::uint8_t* pixel = builder->row(y) + 4 * x;
            for (int c = 0; c < 3; ++c)
                pixel[c] = std::uint8_t((x * (c + 1) + y + int(random() % 5)) % 256 * alpha / 255);
            pixel[3] = std::uint8_t(alpha);
        }
    return std::move(*builder).build();
}

struct Chunks {
    QList<QByteArray> types;
    QByteArray imageData;
    bool checksumsMatch = true;
};

Chunks readChunks(const QByteArray& png)
{
    Chunks chunks;
    const auto* bytes = reinterpret_cast<const unsigned char*>(png.constData());
    const auto bigEndian = [&](qsizetype at) {
        return quint32(bytes[at]) << 24 | quint32(bytes[at + 1]) << 16 | quint32(bytes[at + 2]) << 8 | bytes[at + 3];
    };
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = bigEndian(at);
        const QByteArray type = png.mid(at + 4, 4);
        chunks.types.push_back(type);
        if (type == "IDAT")
            chunks.imageData += png.mid(at + 8, length);
        if (crc32(0, bytes + at + 4, uInt(length + 4)) != bigEndian(at + 8 + length))
            chunks.checksumsMatch = false;
        at += 12 + length;
    }
    return chunks;
}

// The inflated zlib stream; empty when zlib refuses it (a bad header, block or Adler-32 trailer).
QByteArray inflated(const QByteArray& stream, qsizetype expectedSize)
{
    QByteArray data(expectedSize, Qt::Uninitialized);
    uLongf size = uLongf(expectedSize);
    if (uncompress(reinterpret_cast<Bytef*>(data.data()), &size, reinterpret_cast<const Bytef*>(stream.constData()),
                   uLong(stream.size()))
            != Z_OK
        || qsizetype(size) != expectedSize)
        return {};
    return data;
}

}  // namespace

TEST(PNGEncoder, EveryShapeAndAlphaRoundTripsExactly)
{
    for (const QSize size : {QSize(1, 1), QSize(1, 23), QSize(23, 1), QSize(3, 5), QSize(37, 19), QSize(64, 16)}) {
        const Bitmap translucent = test::randomBitmap(size.width(), size.height(), unsigned(size.width() + size.height()));
        EXPECT_TRUE(test::samePixels(decodedPNG(translucent), translucent)) << size.width() << "x" << size.height();
        const Bitmap opaque = noisyGradient(size.width(), size.height(), true);
        EXPECT_TRUE(test::samePixels(decodedPNG(opaque), opaque)) << size.width() << "x" << size.height();
    }
    const Bitmap corner = test::quarteredBitmap(9, 7, true);
    EXPECT_TRUE(test::samePixels(decodedPNG(corner), corner));

    // Every premultiplied value, one pixel each: un-premultiplying must round so that the reader's
    // premultiplication gives back exactly what was stored.
    auto builder = BitmapBuilder::create(256, 257);
    for (int alpha = 0; alpha < 256; ++alpha)
        for (int value = 0; value <= 256; ++value) {
            std::uint8_t* pixel = builder->row(value) + 4 * alpha;
            const auto component = std::uint8_t(std::min(value, alpha));
            pixel[0] = pixel[1] = pixel[2] = component;
            pixel[3] = std::uint8_t(alpha);
        }
    const Bitmap everyValue = std::move(*builder).build();
    EXPECT_TRUE(test::samePixels(decodedPNG(everyValue), everyValue));
}

TEST(PNGEncoder, BandsJoinIntoOneStreamNearlyAsSmallAsOne)
{
    // 3.6 MB of filtered rows: four deflate bands.
    const Bitmap image = noisyGradient(900, 1000, false);
    const std::optional<QByteArray> png = encodePNG(image);
    ASSERT_TRUE(png);
    const Chunks chunks = readChunks(*png);
    EXPECT_TRUE(chunks.checksumsMatch);
    EXPECT_EQ(chunks.types.front(), "IHDR");
    EXPECT_EQ(chunks.types.back(), "IEND");
    const QByteArray rows = filteredPNGRows(image);
    EXPECT_EQ(inflated(chunks.imageData, rows.size()), rows);
    EXPECT_TRUE(test::samePixels(decodeImageData(*png, ImageType::png).value_or(Bitmap()), image));

    // A random block repeated: only a band primed with the bytes before it finds the repeats, so
    // the banded stream stays within a few percent of one stream instead of holding the block once
    // per band (which would more than double it).
    QByteArray block(20000, Qt::Uninitialized);
    std::mt19937 random(3);
    for (char& byte : block)
        byte = char(random());
    const QByteArray repeated = block.repeated(200);
    const std::optional<QByteArray> banded = deflateInBands(repeated, 6);
    ASSERT_TRUE(banded);
    EXPECT_EQ(inflated(*banded, repeated.size()), repeated);
    uLongf singleSize = compressBound(uLong(repeated.size()));
    QByteArray single(qsizetype(singleSize), Qt::Uninitialized);
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(single.data()), &singleSize,
                        reinterpret_cast<const Bytef*>(repeated.constData()), uLong(repeated.size()), 6),
              Z_OK);
    EXPECT_LT(double(banded->size()), 1.05 * double(singleSize));

    const std::optional<QByteArray> empty = deflateInBands(QByteArray(), 4);
    ASSERT_TRUE(empty);
    EXPECT_EQ(inflated(*empty, 0), QByteArray());
}

TEST(PNGEncoder, SameBytesOnEveryRunAndThreadCount)
{
    const Bitmap image = noisyGradient(700, 900, false);
    const std::optional<QByteArray> first = encodePNG(image);
    ASSERT_TRUE(first);
    EXPECT_EQ(encodePNG(image), first);
    const tbb::global_control oneThread(tbb::global_control::max_allowed_parallelism, 1);
    EXPECT_EQ(encodePNG(image), first);
}

TEST(PNGEncoder, KeepsColourProfileResolutionAndText)
{
    auto builder = BitmapBuilder::copyOf(test::solidBitmap(4, 3, test::Rgba{10, 20, 30, 255}));
    QImage& image = builder->image();
    image.setDotsPerMeterX(5906);
    image.setDotsPerMeterY(2953);
    image.setText(QStringLiteral("Comment"), QStringLiteral("caf\u00e9"));
    image.setText(QStringLiteral("Title"), QStringLiteral("\u65e5\u672c"));
    const std::optional<QByteArray> png = encodePNG(std::move(*builder).build());
    ASSERT_TRUE(png);
    EXPECT_TRUE(readChunks(*png).checksumsMatch);

    const QImage read = QImage::fromData(*png, "png");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.colorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(read.dotsPerMeterX(), 5906);
    EXPECT_EQ(read.dotsPerMeterY(), 2953);
    EXPECT_EQ(read.text(QStringLiteral("Comment")), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(read.text(QStringLiteral("Title")), QStringLiteral("\u65e5\u672c"));
    EXPECT_TRUE(read.hasAlphaChannel());

    EXPECT_FALSE(encodePNG(Bitmap()));
}

}  // namespace velmaris
