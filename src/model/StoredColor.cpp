#include "model/StoredColor.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

constexpr const char* kKeys[] = {"red", "green", "blue", "alpha"};

double unitClamped(double value)
{
    return std::clamp(value, 0.0, 1.0);
}

std::uint8_t toByte(double unit)
{
    return std::uint8_t(std::lround(unit * 255.0));
}

// The shortest text that reads back as the same double, as JSON writers use.
QByteArray jsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

StoredColor StoredColor::fromColor(const QColor& color)
{
    if (!color.isValid())
        return {};
    // Extended-range colours are sRGB already; converting them would clamp.
    const QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

QColor StoredColor::toColor() const
{
    return QColor::fromRgbF(float(red), float(green), float(blue), float(alpha));
}

std::array<std::uint8_t, 4> StoredColor::premultipliedRgba8() const
{
    const double a = unitClamped(alpha);
    return {toByte(unitClamped(red) * a), toByte(unitClamped(green) * a), toByte(unitClamped(blue) * a), toByte(a)};
}

QJsonObject StoredColor::toJson() const
{
    return {{kKeys[0], red}, {kKeys[1], green}, {kKeys[2], blue}, {kKeys[3], alpha}};
}

std::optional<StoredColor> StoredColor::fromJson(const QJsonObject& object)
{
    double components[4];
    for (int i = 0; i < 4; ++i) {
        const QJsonValue value = object.value(QLatin1String(kKeys[i]));
        if (!value.isDouble())
            return std::nullopt;
        components[i] = value.toDouble();
    }
    return StoredColor{components[0], components[1], components[2], components[3]};
}

QByteArray StoredColor::toJsonData() const
{
    // QJsonObject would sort the keys; the stored form keeps them in component order.
    const double components[4] = {red, green, blue, alpha};
    QByteArray data = "{";
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            data += ',';
        data += '"' + QByteArray(kKeys[i]) + "\":" + jsonNumber(components[i]);
    }
    return data + '}';
}

std::optional<StoredColor> StoredColor::fromJsonData(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}

}  // namespace velmaris
