#pragma once

#include <QByteArray>
#include <QSize>

#include <optional>

namespace velmaris {

// The signature and the IHDR chunk up to the height: all that pngDeclaredSize() reads.
inline constexpr qsizetype kPngHeaderBytes = 24;

bool hasPngSignature(const QByteArray& data);

// The width and height a PNG's IHDR chunk declares, read without decoding anything; nullopt when
// the data does not begin with the signature and an IHDR chunk, or declares a side of 0 or one
// beyond the 2^31 - 1 that PNG allows.
std::optional<QSize> pngDeclaredSize(const QByteArray& data);

}  // namespace velmaris
