#include "document/DefaultTextAttributes.h"

#include "platform/Preferences.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

TextLayerAttributes defaultTextAttributes(double canvasHeight, const Preferences& preferences)
{
    TextLayerAttributes attributes;
    attributes.string = QStringLiteral("Text");
    attributes.fontFamily = preferences.defaultTextFontName().value_or(QString::fromLatin1(PreferenceDefault::textFontName));
    const std::optional<double> storedSize = preferences.defaultTextFontSize();
    attributes.fontSize = storedSize && *storedSize > 0
        ? *storedSize
        : std::clamp(std::round(canvasHeight / 12), 24.0, 512.0);
    attributes.color = preferences.defaultTextColor().value_or(StoredColor{0, 0, 0, 1});
    return attributes;
}

}  // namespace velmaris
