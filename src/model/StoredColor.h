#pragma once

#include <QColor>
#include <QJsonObject>

#include <array>
#include <cstdint>
#include <optional>

namespace velmaris {

// An sRGB colour with alpha, components nominally 0–1 (straight, not premultiplied).
struct StoredColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    friend bool operator==(const StoredColor&, const StoredColor&) = default;

    static StoredColor fromColor(const QColor& color);  // opaque black if it cannot be read as sRGB
    QColor toColor() const;
    // Premultiplied RGBA8 with each component clamped to 0–1, for filling bitmaps.
    std::array<std::uint8_t, 4> premultipliedRgba8() const;

    // Keyed object with "red", "green", "blue", "alpha".
    QJsonObject toJson() const;
    static std::optional<StoredColor> fromJson(const QJsonObject& object);
    QByteArray toJsonData() const;  // the keys in the order red, green, blue, alpha
    static std::optional<StoredColor> fromJsonData(const QByteArray& data);
};

}  // namespace velmaris
