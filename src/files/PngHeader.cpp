#include "files/PngHeader.h"

#include <cstdint>

namespace velmaris {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kSignatureSize = 8;

std::uint32_t bigEndian32(const QByteArray& data, qsizetype offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | std::uint8_t(data[offset + i]);
    return value;
}

}  // namespace

bool hasPngSignature(const QByteArray& data)
{
    return data.startsWith(QByteArrayView(kSignature, kSignatureSize));
}

std::optional<QSize> pngDeclaredSize(const QByteArray& data)
{
    // Signature, then the IHDR chunk: its length (13), its type, width and height.
    constexpr qsizetype typeOffset = kSignatureSize + 4, widthOffset = typeOffset + 4, heightOffset = widthOffset + 4;
    static_assert(heightOffset + 4 == kPngHeaderBytes);
    if (data.size() < kPngHeaderBytes || !hasPngSignature(data) || data.mid(typeOffset, 4) != "IHDR")
        return std::nullopt;
    const std::uint32_t width = bigEndian32(data, widthOffset), height = bigEndian32(data, heightOffset);
    // PNG allows sides up to 2^31 - 1; anything beyond is no PNG.
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return std::nullopt;
    return QSize(int(width), int(height));
}

}  // namespace velmaris
