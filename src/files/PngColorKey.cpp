#include "files/PngColorKey.h"

#include "files/PngHeader.h"

#include "render/Parallel.h"

namespace velmaris {

namespace {

constexpr qsizetype kSignatureSize = 8;
constexpr qsizetype kChunkOverhead = 12;  // length, type and CRC

std::uint32_t bigEndian(const QByteArray& data, qsizetype offset, int size)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | std::uint8_t(data[offset + i]);
    return value;
}

}  // namespace

std::optional<KeyedPng> takeSixteenBitRgbColorKey(const QByteArray& data)
{
    constexpr qsizetype ihdrEnd = kSignatureSize + kChunkOverhead + 13;
    if (data.size() < ihdrEnd || !hasPngSignature(data) || data.mid(12, 4) != "IHDR")
        return std::nullopt;
    constexpr int bitDepthOffset = 24, colorTypeOffset = 25, truecolor = 2;
    if (std::uint8_t(data[bitDepthOffset]) != 16 || std::uint8_t(data[colorTypeOffset]) != truecolor)
        return std::nullopt;
    // The key comes before the image data; stop there.
    for (qsizetype offset = kSignatureSize; offset + kChunkOverhead <= data.size();) {
        const qint64 length = bigEndian(data, offset, 4);
        const QByteArray type = data.mid(offset + 4, 4);
        if (type == "IDAT" || offset + kChunkOverhead + length > data.size())
            return std::nullopt;
        if (type == "tRNS") {
            if (length != 6)
                return std::nullopt;
            const qsizetype body = offset + 8;
            const PngColorKey key{std::uint16_t(bigEndian(data, body, 2)), std::uint16_t(bigEndian(data, body + 2, 2)),
                                  std::uint16_t(bigEndian(data, body + 4, 2))};
            QByteArray rest = data;
            rest.remove(offset, kChunkOverhead + length);
            return KeyedPng{std::move(rest), key};
        }
        offset += kChunkOverhead + length;
    }
    return std::nullopt;
}

QImage applyColorKey(QImage image, PngColorKey key)
{
    image.convertTo(QImage::Format_RGBA64);
    if (image.isNull())
        return image;
    const int width = image.width();
    const qsizetype stride = image.bytesPerLine();
    uchar* const bits = image.bits();
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            auto* row = reinterpret_cast<QRgba64*>(bits + y * stride);
            for (int x = 0; x < width; ++x)
                if (row[x].red() == key.red && row[x].green() == key.green && row[x].blue() == key.blue)
                    row[x] = QRgba64::fromRgba64(0, 0, 0, 0);
        }
    });
    return image;
}

}  // namespace velmaris
