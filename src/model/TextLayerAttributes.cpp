#include "model/TextLayerAttributes.h"

#include <algorithm>

namespace velmaris {

namespace {

ResolvedTextStyle styleOf(const TextLayerAttributes& text, const TextStyleRun* run)
{
    ResolvedTextStyle style{text.fontSize, text.color, text.fontFamily};
    if (run) {
        style.fontSize = run->fontSize.value_or(style.fontSize);
        style.color = run->color.value_or(style.color);
        style.fontFamily = run->fontFamily.value_or(style.fontFamily);
    }
    return style;
}

// Calls visit(style) once per stretch of [start, end) that shares one run (or the base style).
// An index belongs to the first run whose cumulative end exceeds it; tracking the furthest end
// seen so far keeps that rule even for runs with odd lengths.
template <typename Visit>
void visitStyleSpans(const TextLayerAttributes& text, qint64 start, qint64 end, Visit visit)
{
    qint64 covered = start;
    qint64 runEnd = 0;
    for (const TextStyleRun& run : text.runs) {
        if (covered >= end)
            return;
        runEnd += run.length;
        if (runEnd > covered) {
            visit(styleOf(text, &run));
            covered = std::min(runEnd, end);
        }
    }
    if (covered < end)
        visit(styleOf(text, nullptr));
}

bool sameOverrides(const TextStyleRun& a, const TextStyleRun& b)
{
    return a.fontSize == b.fontSize && a.color == b.color && a.fontFamily == b.fontFamily;
}

template <typename T>
void keepIfUniform(std::optional<T>& value, const T& candidate)
{
    if (value && *value != candidate)
        value.reset();
}

}  // namespace

ResolvedTextStyle TextLayerAttributes::resolvedStyle(int index) const
{
    ResolvedTextStyle style;
    visitStyleSpans(*this, index, qint64(index) + 1, [&](const ResolvedTextStyle& span) { style = span; });
    return style;
}

UniformTextStyle TextLayerAttributes::uniformStyle(int start, int length) const
{
    const int size = int(string.size());
    const int from = std::clamp(start, 0, size);
    const int to = int(std::clamp(qint64(start) + length, qint64(from), qint64(size)));
    if (to == from) {
        const ResolvedTextStyle style = resolvedStyle(from);
        return {style.fontSize, style.color, style.fontFamily};
    }
    std::optional<UniformTextStyle> uniform;
    visitStyleSpans(*this, from, to, [&](const ResolvedTextStyle& span) {
        if (!uniform) {
            uniform = UniformTextStyle{span.fontSize, span.color, span.fontFamily};
            return;
        }
        keepIfUniform(uniform->fontSize, span.fontSize);
        keepIfUniform(uniform->color, span.color);
        keepIfUniform(uniform->fontFamily, span.fontFamily);
    });
    return *uniform;
}

QVector<TextStyleRun> TextLayerAttributes::perUnitRuns() const
{
    const int size = int(string.size());
    QVector<TextStyleRun> perUnit(size, TextStyleRun{1, {}, {}, {}});
    int position = 0;
    for (const TextStyleRun& run : runs) {
        const int count = std::min(run.length, size - position);
        for (int i = 0; i < count; ++i)
            perUnit[position + i] = TextStyleRun{1, run.fontSize, run.color, run.fontFamily};
        position += std::max(count, 0);
    }
    return perUnit;
}

bool isTextLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

std::optional<QString> textLengthProblem(const QString& string)
{
    if (string.size() > kMaxTextLength)
        return QStringLiteral("more than %1 characters").arg(kMaxTextLength);
    qsizetype lines = 1;
    for (qsizetype i = 0; i < string.size(); ++i) {
        if (!isTextLineBreak(string[i]) || (string[i] == u'\n' && i > 0 && string[i - 1] == u'\r'))
            continue;
        if (++lines > kMaxTextLines)
            return QStringLiteral("more than %1 lines").arg(kMaxTextLines);
    }
    return std::nullopt;
}

void TextLayerAttributes::normalizeRuns()
{
    QVector<TextStyleRun> merged;
    for (const TextStyleRun& unit : perUnitRuns()) {
        if (!merged.isEmpty() && sameOverrides(merged.last(), unit))
            ++merged.last().length;
        else
            merged.append(unit);
    }

    const bool anyOverride = std::any_of(merged.cbegin(), merged.cend(),
                                         [](const TextStyleRun& run) { return run.hasOverride(); });
    if (!anyOverride) {
        runs.clear();
    } else if (merged.size() == 1) {
        // One run over the whole string is simply the base style.
        const TextStyleRun& only = merged.first();
        fontSize = only.fontSize.value_or(fontSize);
        color = only.color.value_or(color);
        fontFamily = only.fontFamily.value_or(fontFamily);
        runs.clear();
    } else {
        runs = merged;
    }
}

}  // namespace velmaris
