#pragma once

#include "model/LruCache.h"
#include "model/TextLayerAttributes.h"

#include <QFont>
#include <QList>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QTextLayout>

#include <cstddef>

namespace velmaris {

// A text layer's characters with a font and a foreground colour for every UTF-16 index.
// Font sizes are points, and one point is one canvas pixel.
struct StyledText {
    QString string;
    QFont font;  // the base font; it sets the height of a line without characters
    QList<QTextLayout::FormatRange> formats;  // in order, not overlapping, covering the string
};

StyledText styledText(const TextLayerAttributes& attributes);

// The family a character format asks for. Formats made here carry it beside their font, whose own
// family is the system font's when the requested one is not installed.
QString storedFontFamily(const QTextCharFormat& format);
void setStoredFontFamily(QTextCharFormat& format, const QString& family);

// The font of a family at a point size: just the family, or the system font if it is not installed.
QFont textFont(const QString& family, double pointSize);

// Natural size with unbounded width and height, lines broken only at newlines, leading included.
QSizeF measureStyledText(const StyledText& text);

// Whole pixels around the measured text plus a one-pixel margin on every side (each at least 1).
QSize textLayerPixelSize(QSizeF measured);

// The pixel size of a text layer with these attributes. Remembered per attributes, so asking
// again (hit tests ask on every pointer event) costs a hash lookup instead of a text layout.
QSize rememberedTextLayerSize(const TextLayerAttributes& attributes);
// Forgets the remembered sizes (for a changed font set, and for tests that count layouts).
void clearTextLayerSizes();
CacheCounts textLayerSizeCounts();

// Hashes every field that equality compares, for memos keyed by text attributes.
struct TextLayerAttributesHash {
    std::size_t operator()(const TextLayerAttributes& attributes) const;
};

}  // namespace velmaris
