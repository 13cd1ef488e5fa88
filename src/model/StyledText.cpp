#include "model/StyledText.h"

#include "model/StyledTextLayout.h"

#include <QFontDatabase>

#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>
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

std::size_t combined(std::size_t seed, std::size_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

std::size_t hashOf(double value)
{
    return std::hash<double>{}(value);
}

std::size_t hashOf(const StoredColor& color)
{
    std::size_t seed = hashOf(color.red);
    for (double component : {color.green, color.blue, color.alpha})
        seed = combined(seed, hashOf(component));
    return seed;
}

std::size_t hashOf(const QString& string)
{
    return qHash(string);
}

template <typename T>
std::size_t hashOf(const std::optional<T>& value)
{
    return value ? combined(1, hashOf(*value)) : 0;
}

struct CharacterStyleHash {
    std::size_t operator()(const CharacterStyle& style) const
    {
        return combined(combined(hashOf(style.family), hashOf(style.size)), hashOf(style.color));
    }
};

// The character format of each style, made once: looking up a family and building its font costs
// far more than a hash lookup, and a text may alternate between a few styles many thousand times.
class CharacterFormats {
public:
    QTextLayout::FormatRange range(int start, int length, const CharacterStyle& style)
    {
        auto found = formats_.find(style);
        if (found == formats_.end()) {
            QTextCharFormat format;
            format.setFont(textFont(style.family, style.size));
            setStoredFontFamily(format, style.family);
            format.setForeground(style.color.toColor());
            found = formats_.emplace(style, format).first;
        }
        QTextLayout::FormatRange range;
        range.start = start;
        range.length = length;
        range.format = found->second;
        return range;
    }

private:
    std::unordered_map<CharacterStyle, QTextCharFormat, CharacterStyleHash> formats_;
};

// Memo budget in bytes of the keys: a long string costs its length, so a few huge texts cannot
// pin unbounded memory.
constexpr std::int64_t kTextSizeMemoBytes = std::int64_t(16) << 20;

std::int64_t memoCost(const TextLayerAttributes& attributes)
{
    return 128 + 2 * attributes.string.size() + 2 * attributes.fontFamily.size()
        + std::int64_t(sizeof(TextStyleRun)) * attributes.runs.size();
}

LruCache<TextLayerAttributes, QSize, TextLayerAttributesHash>& textSizeMemo()
{
    static LruCache<TextLayerAttributes, QSize, TextLayerAttributesHash> memo(kTextSizeMemoBytes);
    return memo;
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
    CharacterFormats formats;
    int start = 0;
    for (int i = 1; i <= length; ++i) {
        if (i == length || styles[i] != styles[start]) {
            text.formats.append(formats.range(start, i - start, styles[start]));
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

QSize rememberedTextLayerSize(const TextLayerAttributes& attributes)
{
    return textSizeMemo().findOrInsert(
        attributes, [&] { return textLayerPixelSize(measureStyledText(styledText(attributes))); },
        [&](const QSize&) { return memoCost(attributes); });
}

void clearTextLayerSizes()
{
    textSizeMemo().clear();
}

CacheCounts textLayerSizeCounts()
{
    return textSizeMemo().counts();
}

std::size_t TextLayerAttributesHash::operator()(const TextLayerAttributes& attributes) const
{
    std::size_t seed = hashOf(attributes.string);
    seed = combined(seed, hashOf(attributes.fontFamily));
    seed = combined(seed, hashOf(attributes.fontSize));
    seed = combined(seed, hashOf(attributes.color));
    for (const TextStyleRun& run : attributes.runs) {
        seed = combined(seed, std::size_t(run.length));
        seed = combined(seed, hashOf(run.fontSize));
        seed = combined(seed, hashOf(run.color));
        seed = combined(seed, hashOf(run.fontFamily));
    }
    return seed;
}

}  // namespace velmaris
