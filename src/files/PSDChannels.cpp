#include "files/PSDChannels.h"

#include "render/Parallel.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>

namespace velmaris::psd {

namespace {

// Deflate expands at most about 1032 times: a plane larger than that could never come from the data.
constexpr qint64 kMaxInflateRatio = 1032;

// Inflates a zlib stream into exactly `size` bytes (a merged image's stream may go on with the
// channels not read); false if it is corrupt or short.
bool inflateExactly(const uchar* data, qsizetype dataSize, uchar* out, qsizetype size)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    qsizetype consumed = 0;
    qsizetype produced = 0;
    int status = Z_OK;
    // zlib counts in 32-bit lengths: feed it in pieces.
    constexpr qsizetype kPiece = qsizetype(1) << 30;
    while (status == Z_OK && produced < size) {
        stream.next_in = const_cast<uchar*>(data + consumed);
        stream.avail_in = uInt(std::min(kPiece, dataSize - consumed));
        stream.next_out = out + produced;
        stream.avail_out = uInt(std::min(kPiece, size - produced));
        const uInt inBefore = stream.avail_in;
        const uInt outBefore = stream.avail_out;
        status = inflate(&stream, Z_NO_FLUSH);
        consumed += inBefore - stream.avail_in;
        produced += outBefore - stream.avail_out;
        if (status == Z_BUF_ERROR && inBefore == stream.avail_in && outBefore == stream.avail_out)
            break;
        if (status == Z_BUF_ERROR)
            status = Z_OK;
    }
    inflateEnd(&stream);
    return produced == size;
}

// Undoes the per-row differences of zip with prediction (on big-endian samples of 16 bits).
void undoPrediction(uchar* plane, qsizetype rowBytes, int height, int bytesPerSample)
{
    parallelRows(height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* row = plane + y * rowBytes;
            if (bytesPerSample == 1) {
                for (qsizetype x = 1; x < rowBytes; ++x)
                    row[x] = uchar(row[x] + row[x - 1]);
            } else {
                quint16 previous = 0;
                for (qsizetype x = 0; x + 1 < rowBytes; x += 2) {
                    previous = quint16(previous + ((row[x] << 8) | row[x + 1]));
                    row[x] = uchar(previous >> 8);
                    row[x + 1] = uchar(previous);
                }
            }
        }
    });
}

}  // namespace

std::optional<QString> prepareRows(ChannelRows& rows, Compression compression, Reader& data, const uchar* counts,
                                   int height, qsizetype rowBytes, int bytesPerSample)
{
    rows.compression = compression;
    rows.rowBytes = rowBytes;
    const qint64 planeBytes = qint64(rowBytes) * height;
    switch (compression) {
    case raw:
        rows.data = data.take(planeBytes);
        return rows.data ? std::nullopt : std::optional(QStringLiteral("raw channel data runs past its end"));
    case packBits: {
        rows.offsets.resize(size_t(height) + 1);
        const qsizetype smallest = 2 * ((rowBytes + 127) / 128);
        qsizetype offset = 0;
        for (int y = 0; y < height; ++y) {
            const qsizetype length = (counts[2 * y] << 8) | counts[2 * y + 1];
            if (length < smallest)
                return QStringLiteral("a PackBits row is too short for its width");
            rows.offsets[size_t(y)] = offset;
            offset += length;
        }
        rows.offsets[size_t(height)] = offset;
        rows.data = data.take(offset);
        return rows.data ? std::nullopt : std::optional(QStringLiteral("PackBits rows run past the channel's end"));
    }
    case zip:
    case zipPredicted: {
        const qsizetype available = data.remaining();
        if (planeBytes > available * kMaxInflateRatio)
            return QStringLiteral("zip channel data is too short for its size");
        // The inflated rows are held whole: no larger than the pixels they become (twice for 16 bits).
        if (planeBytes > 2 * kMaxBitmapBytes)
            return QStringLiteral("a zip channel is too large");
        rows.plane = QByteArray(qsizetype(planeBytes), Qt::Uninitialized);
        auto* plane = reinterpret_cast<uchar*>(rows.plane.data());
        if (!inflateExactly(data.here(), available, plane, planeBytes))
            return QStringLiteral("zip channel data does not inflate to its size");
        data.skip(available);
        if (compression == zipPredicted)
            undoPrediction(plane, rowBytes, height, bytesPerSample);
        return std::nullopt;
    }
    }
    return QStringLiteral("unknown channel compression %1").arg(int(compression));
}

bool knownCompression(quint16 value)
{
    return value <= zipPredicted;
}

std::optional<QString> prepareLayerChannel(ChannelRows& rows, Reader data, int width, int height, int bytesPerSample)
{
    const quint16 compression = data.u16();
    if (data.failed() || !knownCompression(compression))
        return QStringLiteral("a channel has an unknown compression");
    const qsizetype rowBytes = qsizetype(width) * bytesPerSample;
    const uchar* counts = compression == packBits ? data.take(qsizetype(height) * 2) : nullptr;
    if (data.failed())
        return QStringLiteral("channel row lengths run past the channel's end");
    return prepareRows(rows, Compression(compression), data, counts, height, rowBytes, bytesPerSample);
}

namespace {

// Sample x of a row, 16-bit big-endian samples rounded to 8 bits.
template <int bytesPerSample>
inline unsigned sampleAt(const uchar* row, int x)
{
    if constexpr (bytesPerSample == 1)
        return row[x];
    else
        return ((unsigned(row[2 * x]) << 8 | row[2 * x + 1]) * 255u + 32767u) / 65535u;
}

inline std::uint8_t premultiply(unsigned value, unsigned alpha)
{
    const unsigned t = value * alpha + 128;
    return std::uint8_t((t + (t >> 8)) >> 8);
}

// One row of planar samples as premultiplied RGBA8; 16-bit samples are rounded to 8 bits. Colour
// drawn over white (the merged image's) loses the white again, which leaves it premultiplied.
template <int bytesPerSample, bool overWhite>
void interleaveRow(std::uint8_t* out, const std::array<const uchar*, 4>& in, int width)
{
    const auto sample = sampleAt<bytesPerSample>;
    const uchar* r = in[0];
    const uchar* g = in[1];
    const uchar* b = in[2];
    const uchar* a = in[3];
    for (int x = 0; x < width; ++x) {
        const unsigned alpha = sample(a, x);
        if constexpr (overWhite) {
            const auto unmatted = [alpha](unsigned value) {
                return std::uint8_t(std::min(alpha, value + alpha > 255 ? value + alpha - 255 : 0u));
            };
            out[4 * x] = unmatted(sample(r, x));
            out[4 * x + 1] = unmatted(sample(g, x));
            out[4 * x + 2] = unmatted(sample(b, x));
        } else {
            out[4 * x] = premultiply(sample(r, x), alpha);
            out[4 * x + 1] = premultiply(sample(g, x), alpha);
            out[4 * x + 2] = premultiply(sample(b, x), alpha);
        }
        out[4 * x + 3] = std::uint8_t(alpha);
    }
}


// Scales one row of premultiplied pixels by the mask; false if the mask row does not unpack.
template <int bytesPerSample>
bool maskRow(std::uint8_t* out, int y, int width, const LayerMask& mask, uchar* scratch)
{
    const int maskY = y - mask.offsetY;
    const uchar* row = nullptr;
    if (maskY >= 0 && maskY < mask.height && mask.width > 0) {
        row = mask.rows.row(maskY, scratch);
        if (!row)
            return false;
    }
    for (int x = 0; x < width; ++x) {
        const int maskX = x - mask.offsetX;
        unsigned value = mask.fill;
        if (row && maskX >= 0 && maskX < mask.width)
            value = sampleAt<bytesPerSample>(row, maskX);
        for (int c = 0; c < 4; ++c)
            out[4 * x + c] = premultiply(out[4 * x + c], value);
    }
    return true;
}

}  // namespace

std::optional<Bitmap> decodePixels(int width, int height, int bytesPerSample,
                                   const std::array<const ChannelRows*, 4>& channels, bool overWhite,
                                   const LayerMask* mask)
{
    const auto interleave = bytesPerSample == 1 ? (overWhite ? interleaveRow<1, true> : interleaveRow<1, false>)
                                                : (overWhite ? interleaveRow<2, true> : interleaveRow<2, false>);
    auto builder = BitmapBuilder::createUninitialized(width, height);
    if (!builder)
        return std::nullopt;
    const qsizetype rowBytes = qsizetype(width) * bytesPerSample;
    std::atomic<bool> failed{false};
    parallelRows(height, [&](int first, int end) {
        std::array<std::vector<uchar>, 4> scratch;
        std::vector<uchar> maskScratch(mask ? size_t(mask->width) * size_t(bytesPerSample) : 0);
        std::array<const uchar*, 4> rows{};
        for (size_t c = 0; c < 4; ++c) {
            scratch[c].assign(size_t(rowBytes), c == 3 ? 0xff : 0);
            rows[c] = scratch[c].data();
        }
        for (int y = first; y < end && !failed.load(std::memory_order_relaxed); ++y) {
            for (size_t c = 0; c < 4; ++c) {
                if (!channels[c])
                    continue;
                // A grey channel repeated for green and blue is unpacked once.
                if (c > 0 && channels[c] == channels[c - 1]) {
                    rows[c] = rows[c - 1];
                    continue;
                }
                rows[c] = channels[c]->row(y, scratch[c].data());
                if (!rows[c]) {
                    failed = true;
                    return;
                }
            }
            interleave(builder->row(y), rows, width);
            if (mask && !(bytesPerSample == 1 ? maskRow<1> : maskRow<2>)(builder->row(y), y, width, *mask,
                                                                          maskScratch.data())) {
                failed = true;
                return;
            }
        }
    });
    if (failed)
        return std::nullopt;
    return std::move(*builder).build();
}


}  // namespace velmaris::psd
