#pragma once

#include "model/Bitmap.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>

#include <cstdint>
#include <optional>

namespace velmaris {

// Reads the PNGs that layers are stored as, and most others, several times faster than the general
// decoder: 8-bit RGBA or RGB, not interlaced, in sRGB (no profile, an sRGB chunk, or a profile
// equal to sRGB), with nothing but a resolution besides. Every chunk's CRC and the stream's
// checksum are verified. The pixels are the ones decodeImageData() gives for the same data.
class FastPNG {
public:
    // The chunks read and checked; nullopt for any other kind of data or damaged chunks, which is
    // for the general decoder to read or refuse.
    static std::optional<FastPNG> read(QByteArrayView png);

    QSize size() const { return size_; }
    const std::optional<QSize>& dotsPerMeter() const { return dotsPerMeter_; }
    // What decodeInto() needs: the pixels, and room to inflate the data in the same buffer.
    std::size_t bufferSize() const;
    // Writes the pixels in the bitmap format, rows of width × 4 bytes from the start of `buffer`,
    // which holds bufferSize() bytes (past the rows it is scratch). False for damaged image data.
    bool decodeInto(std::uint8_t* buffer) const;

private:
    std::size_t streamBytes() const;

    QSize size_;
    int channels_ = 4;
    std::optional<QSize> dotsPerMeter_;
    QByteArray stream_;  // the IDAT chunks' data joined
};

// The bitmap FastPNG reads, as decodeImageData() gives it (resolution included); nullopt where
// FastPNG declines.
std::optional<Bitmap> decodeLayerPNG(QByteArrayView png);

}  // namespace velmaris
