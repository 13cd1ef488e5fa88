#pragma once

#include "model/StoredColor.h"

#include <QString>
#include <QVector>

#include <optional>

namespace velmaris {

// A style override over `length` UTF-16 code units; absent fields keep the layer's base style.
struct TextStyleRun {
    int length = 0;
    std::optional<double> fontSize;
    std::optional<StoredColor> color;
    std::optional<QString> fontFamily;
    friend bool operator==(const TextStyleRun&, const TextStyleRun&) = default;
    bool hasOverride() const { return fontSize || color || fontFamily; }
};

struct ResolvedTextStyle {
    double fontSize = 0;
    StoredColor color;
    QString fontFamily;
    friend bool operator==(const ResolvedTextStyle&, const ResolvedTextStyle&) = default;
};

// Per attribute: the value shared by a whole range, absent where the range is mixed.
struct UniformTextStyle {
    std::optional<double> fontSize;
    std::optional<StoredColor> color;
    std::optional<QString> fontFamily;
    friend bool operator==(const UniformTextStyle&, const UniformTextStyle&) = default;
};

// What a text layer may hold. Layout and drawing cost grows with both; beyond these a text is no
// longer something to read on a canvas: a bitmap is at most 30000 pixels tall, so even at one
// pixel per line more lines could never all be drawn, and a million characters are a book.
inline constexpr qsizetype kMaxTextLength = 1'000'000;  // UTF-16 units
inline constexpr qsizetype kMaxTextLines = 30'000;

// Line feed, carriage return (a CR LF pair is one break), line and paragraph separator.
bool isTextLineBreak(QChar c);

// Why a string is too long for a text layer ("more than 1000000 characters"), or nothing.
std::optional<QString> textLengthProblem(const QString& string);

struct TextLayerAttributes {
    QString string;
    QString fontFamily;
    double fontSize = 0;
    StoredColor color;
    QVector<TextStyleRun> runs;  // laid end to end from the start of the string

    friend bool operator==(const TextLayerAttributes&, const TextLayerAttributes&) = default;

    ResolvedTextStyle resolvedStyle(int index) const;
    UniformTextStyle uniformStyle(int start, int length) const;
    // One run of length 1 per UTF-16 unit with that unit's overrides; units past the runs have none.
    QVector<TextStyleRun> perUnitRuns() const;
    void normalizeRuns();
};

}  // namespace velmaris
