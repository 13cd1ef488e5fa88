#include "files/TruncatedData.h"

#include "model/Bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace velmaris {

namespace {

std::uint32_t byteAt(const QByteArray& data, qsizetype offset)
{
    return std::uint8_t(data[offset]);
}

std::uint32_t littleEndian(const QByteArray& data, qsizetype offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | byteAt(data, offset + i);
    return value;
}

// Entropy-coded data cannot hold an end-of-image marker, so the last scan must be followed by one.
bool jpegIsTruncated(const QByteArray& data)
{
    const qsizetype lastScan = data.lastIndexOf("\xFF\xDA");
    return lastScan >= 0 && data.indexOf("\xFF\xD9", lastScan) < 0;
}

// The position after a chain of GIF sub-blocks, or nullopt where the data ends first.
std::optional<qsizetype> afterGifSubBlocks(const QByteArray& data, qsizetype offset)
{
    while (offset < data.size()) {
        const std::uint32_t length = byteAt(data, offset);
        offset += 1 + length;
        if (length == 0)
            return offset;
    }
    return std::nullopt;
}

qsizetype gifColorTableSize(std::uint32_t flags)
{
    return (flags & 0x80) ? qsizetype(3) << ((flags & 7) + 1) : 0;
}

// Walks the blocks up to the end of the first image's pixel data.
bool gifIsTruncated(const QByteArray& data)
{
    constexpr qsizetype screenDescriptorEnd = 13, imageDescriptorSize = 10;
    if (data.size() < screenDescriptorEnd)
        return true;
    qsizetype offset = screenDescriptorEnd + gifColorTableSize(byteAt(data, 10));
    while (offset < data.size()) {
        const std::uint32_t introducer = byteAt(data, offset);
        std::optional<qsizetype> next;
        if (introducer == 0x21) {
            next = afterGifSubBlocks(data, offset + 2);
        } else if (introducer == 0x2C) {
            if (offset + imageDescriptorSize > data.size())
                return true;
            const qsizetype pixelData = offset + imageDescriptorSize
                + gifColorTableSize(byteAt(data, offset + 9)) + 1;  // + LZW minimum code size
            return !afterGifSubBlocks(data, pixelData);
        } else {
            return false;  // not a GIF block: the decoder will refuse it
        }
        if (!next)
            return true;
        offset = *next;
    }
    return true;
}

// Uncompressed pixels must all be present; compressed ones as many bytes as the header states.
bool bmpIsTruncated(const QByteArray& data)
{
    constexpr qsizetype fileHeaderSize = 14;
    if (data.size() < fileHeaderSize + 16)
        return false;  // too short to describe an image: the decoder refuses it
    const std::uint32_t pixelOffset = littleEndian(data, 10, 4);
    const std::uint32_t infoSize = littleEndian(data, 14, 4);
    const bool coreHeader = infoSize == 12;
    if (!coreHeader && data.size() < fileHeaderSize + 40)
        return false;
    const qint64 width = coreHeader ? littleEndian(data, 18, 2) : qint32(littleEndian(data, 18, 4));
    const qint64 height = coreHeader ? littleEndian(data, 20, 2) : qint32(littleEndian(data, 22, 4));
    const qint64 bitsPerPixel = littleEndian(data, coreHeader ? 24 : 28, 2);
    const std::uint32_t compression = coreHeader ? 0 : littleEndian(data, 30, 4);
    if (width <= 0 || std::abs(height) > kMaxBitmapSide || width > kMaxBitmapSide)
        return false;  // refused by the size check
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    const qint64 pixelBytes = uncompressed ? (width * bitsPerPixel + 31) / 32 * 4 * std::abs(height)
                                           : littleEndian(data, 34, 4);
    return pixelOffset + pixelBytes > data.size();
}

}  // namespace

bool rasterDataIsTruncated(const QByteArray& data)
{
    if (data.startsWith("\xFF\xD8"))
        return jpegIsTruncated(data);
    if (data.startsWith("GIF8"))
        return gifIsTruncated(data);
    if (data.startsWith("BM"))
        return bmpIsTruncated(data);
    return false;
}

}  // namespace velmaris
