#include "model/StyledTextLayout.h"

#include <QImage>
#include <QTextOption>

#include <algorithm>
#include <atomic>
#include <limits>

namespace velmaris {

const QPaintDevice* canvasTextDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        constexpr int dotsPerMeterAt72Dpi = 2835;  // 72 / 0.0254
        image.setDotsPerMeterX(dotsPerMeterAt72Dpi);
        image.setDotsPerMeterY(dotsPerMeterAt72Dpi);
        return image;
    }();
    return &device;
}

namespace {

// Moves `first` past the formats that end at or before `index`. Lines are laid out in order, so
// over a whole text every format is passed once.
void skipFormatsBefore(const StyledText& text, qsizetype& first, int index)
{
    while (first < text.formats.size() && text.formats[first].start + text.formats[first].length <= index)
        ++first;
}

// The font at an index; an empty line takes the font of its line break or of the last character.
QFont fontAt(const StyledText& text, qsizetype& first, int index)
{
    index = std::min<qsizetype>(index, text.string.size() - 1);
    skipFormatsBefore(text, first, index);
    if (first < text.formats.size() && text.formats[first].start <= index)
        return text.formats[first].format.font();
    return text.font;
}

// The formats of [start, end), moved to start at 0.
QList<QTextLayout::FormatRange> formatsOfLine(const StyledText& text, qsizetype& first, int start, int end)
{
    skipFormatsBefore(text, first, start);
    QList<QTextLayout::FormatRange> formats;
    for (qsizetype i = first; i < text.formats.size() && text.formats[i].start < end; ++i) {
        QTextLayout::FormatRange range = text.formats[i];
        const int from = std::max(range.start, start);
        const int to = std::min(range.start + range.length, end);
        if (from >= to)
            continue;
        range.start = from - start;
        range.length = to - from;
        formats.append(range);
    }
    return formats;
}

// Above this the font engine's vertical metrics overflow; 10000 still measured correctly.
constexpr double kMaxLayoutPointSize = 8192;

double largestPointSize(const StyledText& text)
{
    double largest = text.font.pointSizeF();
    for (const QTextLayout::FormatRange& range : text.formats)
        largest = std::max(largest, range.format.font().pointSizeF());
    return largest;
}

QFont scaledDown(QFont font, double scale)
{
    font.setPointSizeF(font.pointSizeF() / scale);
    return font;
}

// The same text with every font divided by scale.
StyledText scaledDown(StyledText text, double scale)
{
    text.font = scaledDown(text.font, scale);
    for (QTextLayout::FormatRange& range : text.formats)
        range.format.setFont(scaledDown(range.format.font(), scale));
    return text;
}

QTextOption lineOption()
{
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    // Left even for right-to-left text: the layer box starts at the text's left edge.
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    // Typed spaces at a line end widen the layer like any other character.
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    return option;
}

std::atomic<std::uint64_t> layoutsMade{0};

}  // namespace

std::uint64_t StyledTextLayout::madeCount()
{
    return layoutsMade.load();
}

StyledTextLayout::StyledTextLayout(const StyledText& styled)
    : scale_(std::max(1.0, largestPointSize(styled) / kMaxLayoutPointSize))
{
    ++layoutsMade;
    const StyledText text = scale_ > 1 ? scaledDown(styled, scale_) : styled;
    const QString& string = text.string;
    qsizetype firstFormat = 0;
    int start = 0;
    for (int i = 0; i < string.size(); ++i) {
        if (!isTextLineBreak(string[i]))
            continue;
        addLine(text, firstFormat, start, i);
        if (string[i] == u'\r' && i + 1 < string.size() && string[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    addLine(text, firstFormat, start, int(string.size()));
}

StyledTextLayout::~StyledTextLayout() = default;

void StyledTextLayout::addLine(const StyledText& text, qsizetype& firstFormat, int start, int end)
{
    const QFont font = fontAt(text, firstFormat, start);
    auto layout = std::make_unique<QTextLayout>(text.string.mid(start, end - start), font, canvasTextDevice());
    layout->setTextOption(lineOption());
    layout->setFormats(formatsOfLine(text, firstFormat, start, end));
    layout->beginLayout();
    QTextLine line = layout->createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(std::numeric_limits<int>::max() / 256.0);  // unbounded, within Qt's fixed point
    line.setPosition(QPointF(0, size_.height()));
    layout->endLayout();
    // QTextLine::height() rounds up; lines stack at their exact heights.
    const double height = line.ascent() + line.descent() + std::max(line.leading(), 0.0);
    size_ = QSizeF(std::max(size_.width(), line.naturalTextWidth()), size_.height() + height);
    lines_.push_back(std::move(layout));
}

void StyledTextLayout::draw(QPainter& painter, QPointF topLeft) const
{
    painter.save();
    painter.translate(topLeft);
    painter.scale(scale_, scale_);
    for (const auto& line : lines_)
        line->draw(&painter, QPointF());
    painter.restore();
}

}  // namespace velmaris
