#pragma once

#include <QtGlobal>

#include <cstdint>

namespace velmaris {

// PackBits run-length coding of one row of bytes: a header byte n in 0–127 copies the next n + 1
// bytes, n in −127…−1 repeats the next byte 1 − n times, −128 is skipped.

// The most bytes a packed row of `size` bytes takes.
inline qsizetype packBitsBound(qsizetype size) { return size + (size + 127) / 128; }
// Packs the row into `out`, which has room for packBitsBound(size) bytes; returns the packed size.
qsizetype packBitsRow(const std::uint8_t* row, qsizetype size, std::uint8_t* out);

// Unpacks `packed` into exactly `size` bytes of `row`. False when the data ends early, runs past
// the row or leaves bytes over: a row that does not decode to its width is corrupt.
bool unpackBitsRow(const std::uint8_t* packed, qsizetype packedSize, std::uint8_t* row, qsizetype size);

}  // namespace velmaris
