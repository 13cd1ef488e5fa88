#pragma once

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <optional>

namespace velmaris {

// The transparent colour of a 16-bit RGB PNG (its tRNS chunk). Qt's PNG reader turns such
// images into garbage, so the key is taken out before decoding and applied afterwards.
struct PngColorKey {
    std::uint16_t red = 0, green = 0, blue = 0;
};

struct KeyedPng {
    QByteArray withoutKey;  // the same PNG without its tRNS chunk
    PngColorKey key;
};

// Nothing for any other data, including PNGs of other colour types and bit depths.
std::optional<KeyedPng> takeSixteenBitRgbColorKey(const QByteArray& data);

// The decoded image with every pixel of exactly the key's colour fully transparent.
QImage applyColorKey(QImage image, PngColorKey key);

}  // namespace velmaris
