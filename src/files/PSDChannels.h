#pragma once

#include "files/PSDStructure.h"
#include "files/PackBits.h"
#include "model/Bitmap.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace velmaris::psd {

// Reading the channel data of a PSD document: the compressions, and the planar channels as
// premultiplied RGBA8 pixels.

// Big-endian fields from a bounded span. A read past the end returns zeros and marks the reader
// failed, so a parser checks once after a group of fields instead of after each.
class Reader {
public:
    Reader() = default;
    Reader(const uchar* data, qsizetype size) : data_(data), size_(size) {}

    bool failed() const { return failed_; }
    qsizetype remaining() const { return size_ - position_; }
    bool atEnd() const { return position_ >= size_; }
    const uchar* here() const { return data_ + position_; }

    const uchar* take(qsizetype count)
    {
        if (failed_ || count < 0 || count > remaining()) {
            failed_ = true;
            return nullptr;
        }
        const uchar* start = here();
        position_ += count;
        return start;
    }
    bool skip(qsizetype count) { return take(count) != nullptr; }
    quint32 number(int bytes)
    {
        const uchar* field = take(bytes);
        quint32 value = 0;
        for (int i = 0; field && i < bytes; ++i)
            value = (value << 8) | field[i];
        return value;
    }
    quint8 u8() { return quint8(number(1)); }
    quint16 u16() { return quint16(number(2)); }
    quint32 u32() { return number(4); }
    qint32 i32() { return qint32(u32()); }
    QByteArray key()
    {
        const uchar* field = take(4);
        return field ? QByteArray(reinterpret_cast<const char*>(field), 4) : QByteArray();
    }
    // The next `count` bytes as a reader of their own.
    Reader section(qsizetype count)
    {
        const uchar* start = take(count);
        Reader inner(start, start ? count : 0);
        inner.failed_ = start == nullptr;
        return inner;
    }
    // Past the padding some writers leave after a tagged block without counting it in its length:
    // up to the next signature's '8'.
    void skipBlockPadding()
    {
        while (!failed_ && remaining() >= 12 && *here() != '8')
            ++position_;
    }
    // A section whose 32-bit length comes first.
    Reader lengthSection() { return section(qsizetype(u32())); }

private:
    const uchar* data_ = nullptr;
    qsizetype size_ = 0;
    qsizetype position_ = 0;
    bool failed_ = false;
};

// One channel's rows, each rowBytes long, whatever its compression. Rows of PackBits data are
// unpacked on demand, so a layer is decoded row band by row band without a plane per channel.
struct ChannelRows {
    Compression compression = raw;
    const uchar* data = nullptr;     // raw rows, or the start of the packed rows
    std::vector<qsizetype> offsets;  // PackBits: where each row starts in `data`, and the end
    QByteArray plane;                // zip: the inflated rows
    qsizetype rowBytes = 0;

    // Row y, unpacked into `scratch` when it needs unpacking; nullptr when it does not unpack.
    const uchar* row(int y, uchar* scratch) const
    {
        switch (compression) {
        case raw: return data + y * rowBytes;
        case packBits:
            return unpackBitsRow(data + offsets[y], offsets[y + 1] - offsets[y], scratch, rowBytes) ? scratch : nullptr;
        case zip:
        case zipPredicted: return reinterpret_cast<const uchar*>(plane.constData()) + y * rowBytes;
        }
        return nullptr;
    }
};

// A layer's user mask: its rows where it covers the layer (offset from the layer's corner), its
// fill everywhere else.
struct LayerMask {
    ChannelRows rows;
    int offsetX = 0;
    int offsetY = 0;
    int width = 0;
    int height = 0;
    std::uint8_t fill = 255;
};

// Whether a compression field names one this reader knows.
bool knownCompression(quint16 value);

// Prepares a channel's rows from its data after the compression field. PackBits row lengths are
// summed against the data, and each must be able to hold its row, so the rows' size is bounded by
// the file's before anything is allocated. Returns the reason when the data cannot hold the rows.
std::optional<QString> prepareRows(ChannelRows& rows, Compression compression, Reader& data, const uchar* counts,
                                   int height, qsizetype rowBytes, int bytesPerSample);

// A layer channel: compression, then for PackBits the row lengths, then the rows.
std::optional<QString> prepareLayerChannel(ChannelRows& rows, Reader data, int width, int height, int bytesPerSample);

// The pixels of red, green, blue and alpha rows (a grey channel serves as all three colours; a
// missing colour is 0, a missing alpha opaque), scaled by the mask when there is one. Colour drawn
// over white (the merged image's) loses the white again. nullopt when a row does not unpack.
std::optional<Bitmap> decodePixels(int width, int height, int bytesPerSample,
                                   const std::array<const ChannelRows*, 4>& channels, bool overWhite = false,
                                   const LayerMask* mask = nullptr);

}  // namespace velmaris::psd
