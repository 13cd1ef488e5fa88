#pragma once

#include "TestImages.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velmaris::test {

// What exiftool reads from a file, tags named "Group:Tag".
inline QJsonObject exiftoolTags(const QByteArray& file, const QString& extension)
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("image.") + extension);
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-j"), QStringLiteral("-G"), path});
    EXPECT_TRUE(exiftool.waitForFinished(30000)) << "exiftool (libimage-exiftool-perl) must be installed";
    const QJsonArray files = QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array();
    return files.isEmpty() ? QJsonObject() : files[0].toObject();
}

inline QByteArray bigEndian(quint32 value, int size = 4)
{
    QByteArray bytes;
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        bytes.append(char(value >> shift));
    return bytes;
}

// CRC-32 as PNG chunks use it, to forge files that pass the decoder's checks.
inline quint32 pngCrc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// One PNG chunk from its type and body ("IHDR" + …): the length before, the CRC after.
inline QByteArray pngChunk(const QByteArray& typeAndBody)
{
    return bigEndian(quint32(typeAndBody.size() - 4)) + typeAndBody + bigEndian(pngCrc32(typeAndBody));
}

inline const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

// A valid 1-bit PNG of side × side black pixels: a few dozen KB that decode to side² × 4 bytes.
inline QByteArray blackOneBitPng(int side)
{
    const QByteArray rows(qsizetype(side) * (1 + (side + 7) / 8), '\0');  // filter byte, then the bits
    const QByteArray zlib = qCompress(rows, 9).mid(4);  // without Qt's length prefix
    const QByteArray ihdr = "IHDR" + bigEndian(quint32(side)) + bigEndian(quint32(side)) + QByteArray("\x01\x00\x00\x00\x00", 5);
    return kPngSignature + pngChunk(ihdr) + pngChunk("IDAT" + zlib) + pngChunk("IEND");
}

// A JPEG with an APP1 EXIF segment right after the start marker, holding only the orientation tag.
inline QByteArray jpegWithOrientation(const QByteArray& jpeg, int orientation)
{
    QByteArray tiff("MM\0*", 4);
    tiff += bigEndian(8, 4);  // first directory right after the header
    tiff += bigEndian(1, 2);  // one entry
    tiff += bigEndian(0x0112, 2);  // Orientation
    tiff += bigEndian(3, 2);  // SHORT
    tiff += bigEndian(1, 4);
    tiff += bigEndian(quint32(orientation) << 16, 4);  // left-justified value
    tiff += bigEndian(0, 4);  // no next directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + "\xFF\xE1" + bigEndian(quint32(payload.size() + 2), 2) + payload + jpeg.mid(2);
}

// A smooth opaque gradient with thousands of colours.
inline Bitmap gradientBitmap(int width, int height)
{
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = builder->row(y) + 4 * x;
            pixel[0] = std::uint8_t(255 * x / (width - 1));
            pixel[1] = std::uint8_t(255 * y / (height - 1));
            pixel[2] = std::uint8_t(255 * (x + y) / (width + height - 2));
            pixel[3] = 255;
        }
    return std::move(*builder).build();
}

// An image: red in the top-left quarter, blue elsewhere, and a
// transparent bottom-right quarter when asked for.
inline Bitmap quarteredBitmap(int width, int height, bool transparentCorner)
{
    auto builder = BitmapBuilder::create(width, height);
    builder->fill(0, 0, 255, 255);
    QPainter painter(&builder->image());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(255, 0, 0));
    if (transparentCorner)
        painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::transparent);
    painter.end();
    return std::move(*builder).build();
}

}  // namespace velmaris::test
