#include "files/PNGEncoder.h"

#include "files/BandedDeflate.h"
#include "files/PNGRowFilter.h"

#include <QColorSpace>
#include <QImage>

#include <tbb/parallel_for.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace velmaris {

namespace {

// IDAT payloads are cut at this size; readers accept any split of the stream.
constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
// Level 4's lazy matching with the largest hash table, following twice its chains but stopping at
// the first 6-byte match: on a 12-megapixel photograph a fifth of the CPU time of level 6 for 7 %
// more bytes, where plain level 4 gives 10 % (bench/png_encode_bench.cpp).
constexpr int kDeflateLevel = 4;
constexpr DeflateTuning kDeflateTuning{.goodLength = 4, .maxLazy = 4, .niceLength = 6, .maxChain = 32};

void putBigEndian(char* at, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        at[k] = char(value >> (24 - 8 * k));
}

void appendBigEndian(QByteArray& bytes, std::uint32_t value)
{
    char encoded[4];
    putBigEndian(encoded, value);
    bytes.append(encoded, 4);
}

void appendChunk(QByteArray& png, const char* type, QByteArrayView data)
{
    appendBigEndian(png, std::uint32_t(data.size()));
    png.append(type, 4);
    png.append(data);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    // zlib reads a null buffer as a request for the initial value, which an empty view may have.
    if (!data.isEmpty())
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(data.data()), z_size_t(data.size()));
    appendBigEndian(png, std::uint32_t(crc));
}

QByteArray headerChunk(const Bitmap& image)
{
    QByteArray header;
    appendBigEndian(header, std::uint32_t(image.width()));
    appendBigEndian(header, std::uint32_t(image.height()));
    // 8 bits, RGBA, deflate, adaptive filtering, no interlacing.
    header.append("\x08\x06\x00\x00\x00", 5);
    return header;
}

std::optional<QByteArray> profileChunk(const QColorSpace& colorSpace)
{
    const QByteArray profile = colorSpace.iccProfile();
    if (profile.isEmpty())
        return std::nullopt;
    uLongf size = compressBound(uLong(profile.size()));
    QByteArray compressed(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                  reinterpret_cast<const Bytef*>(profile.constData()), uLong(profile.size()), Z_DEFAULT_COMPRESSION)
        != Z_OK)
        return std::nullopt;
    QByteArray name = colorSpace.description().toLatin1().left(79);
    if (name.isEmpty())
        name = "ICC profile";
    return name + QByteArray(2, '\0') + compressed.left(qsizetype(size));
}

QByteArray resolutionChunk(const QImage& image)
{
    QByteArray resolution;
    appendBigEndian(resolution, std::uint32_t(image.dotsPerMeterX()));
    appendBigEndian(resolution, std::uint32_t(image.dotsPerMeterY()));
    resolution.append(char(1));  // per metre
    return resolution;
}

// Latin-1 text as tEXt, anything else as uncompressed UTF-8 iTXt; keywords are Latin-1, 1–79 bytes.
void appendTextChunks(QByteArray& png, const QImage& image)
{
    for (const QString& key : image.textKeys()) {
        const QString value = image.text(key);
        const QByteArray keyword = key.toLatin1();
        if (keyword.isEmpty() || keyword.size() > 79 || QString::fromLatin1(keyword) != key)
            continue;
        const QByteArray latin1 = value.toLatin1();
        if (QString::fromLatin1(latin1) == value)
            appendChunk(png, "tEXt", keyword + '\0' + latin1);
        else
            appendChunk(png, "iTXt", keyword + QByteArray(5, '\0') + value.toUtf8());
    }
}

void appendImageDataChunks(QByteArray& png, const QByteArray& stream)
{
    const qsizetype chunkCount = (stream.size() + kChunkBytes - 1) / kChunkBytes;
    const qsizetype start = png.size();
    png.resize(start + stream.size() + 12 * chunkCount);
    char* out = png.data() + start;
    tbb::parallel_for(qsizetype(0), chunkCount, [&](qsizetype i) {
        const qsizetype begin = i * kChunkBytes;
        const qsizetype size = std::min(kChunkBytes, stream.size() - begin);
        char* chunk = out + begin + 12 * i;
        putBigEndian(chunk, std::uint32_t(size));
        std::memcpy(chunk + 4, "IDAT", 4);
        std::memcpy(chunk + 8, stream.constData() + begin, std::size_t(size));
        const uLong crc = crc32_z(0, reinterpret_cast<const Bytef*>(chunk + 4), z_size_t(size + 4));
        putBigEndian(chunk + 8 + size, std::uint32_t(crc));
    });
}

}  // namespace

std::optional<QByteArray> encodePNG(const Bitmap& image)
{
    if (image.isNull())
        return std::nullopt;
    const std::optional<QByteArray> stream = deflateInBands(filteredPNGRows(image), kDeflateLevel, kDeflateTuning);
    if (!stream)
        return std::nullopt;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", headerChunk(image));
    if (const auto profile = profileChunk(image.image().colorSpace()))
        appendChunk(png, "iCCP", *profile);
    if (image.image().dotsPerMeterX() > 0 && image.image().dotsPerMeterY() > 0)
        appendChunk(png, "pHYs", resolutionChunk(image.image()));
    appendTextChunks(png, image.image());
    appendImageDataChunks(png, *stream);
    appendChunk(png, "IEND", {});
    return png;
}


}  // namespace velmaris
