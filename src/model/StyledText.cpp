#include "model/StyledText.h"

#include "model/StyledTextLayout.h"

#include <QFontDatabase>

#include <cmath>
#include <limits>
#include <vector>

namespace velmaris {

namespace {

// What an unusable stored size (0, negative, not a number) is drawn at.
constexpr double kFallbackPointSize = 12;
constexpr int kStoredFamilyProperty = QTextFormat::UserProperty + 1;

struct CharacterStyle {
    QString family;
    double size;
    StoredColor color;
    bool operator==(const CharacterStyle&) const = default;
};

QTextLayout::FormatRange formatRange(int start, int length, const CharacterStyle& style)
{
    QTextLayout::FormatRange range;
    range.start = start;
    range.length = length;
    range.format.setFont(textFont(style.family, style.size));
    setStoredFontFamily(range.format, style.family);
    range.format.setForeground(style.color.toColor());
    return range;
}

int pixelCount(double measured)
{
    const double pixels = std::ceil(std::ceil(measured) + 2);
    if (!(pixels >= 1))
        return 1;
    return int(std::min(pixels, double(std::numeric_limits<int>::max())));
}

}  // namespace

QString storedFontFamily(const QTextCharFormat& format)
{
    const QString stored = format.stringProperty(kStoredFamilyProperty);
    if (!stored.isEmpty())
        return stored;
    const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    return families.isEmpty() ? QString() : families.first();
}

void setStoredFontFamily(QTextCharFormat& format, const QString& family)
{
    format.setProperty(kStoredFamilyProperty, family);
}

QFont textFont(const QString& family, double pointSize)
{
    QFont font = QFontDatabase::hasFamily(family) ? QFont(family)
                                                  : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize > 0 && std::isfinite(pointSize) ? pointSize : kFallbackPointSize);
    // Unhinted outlines keep the layout the same at every size and on every screen.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

StyledText styledText(const TextLayerAttributes& attributes)
{
    const CharacterStyle base{attributes.fontFamily, attributes.fontSize, attributes.color};
    const int length = int(attributes.string.size());
    std::vector<CharacterStyle> styles(length, base);
    int position = 0;
    for (const TextStyleRun& run : attributes.runs) {
        const int count = std::min(run.length, length - position);
        if (count < 1)
            break;
        for (int i = position; i < position + count; ++i) {
            if (run.fontSize || run.fontFamily) {
                styles[i].family = run.fontFamily.value_or(base.family);
                styles[i].size = run.fontSize.value_or(base.size);
            }
            if (run.color)
                styles[i].color = *run.color;
        }
        position += count;
    }

    StyledText text{attributes.string, textFont(base.family, base.size), {}};
    int start = 0;
    for (int i = 1; i <= length; ++i) {
        if (i == length || styles[i] != styles[start]) {
            text.formats.append(formatRange(start, i - start, styles[start]));
            start = i;
        }
    }
    return text;
}

QSizeF measureStyledText(const StyledText& text)
{
    return StyledTextLayout(text).size();
}

QSize textLayerPixelSize(QSizeF measured)
{
    return {pixelCount(measured.width()), pixelCount(measured.height())};
}

}  // namespace velmaris
