#pragma once

#include "model/StyledText.h"

#include <QPainter>
#include <QPointF>
#include <QSizeF>
#include <QTextLayout>

#include <cstdint>
#include <memory>
#include <vector>

namespace velmaris {

// A paint device whose only job is its resolution: 72 dpi makes font points equal canvas pixels.
const QPaintDevice* canvasTextDevice();

// Styled text laid out for the canvas: at 72 dpi, so that a point is a canvas pixel, one line per
// newline-separated stretch, never wrapped or aligned, each line as high as its fonts with leading.
// Very large fonts are laid out smaller and scaled, as the font engine's metrics overflow there.
class StyledTextLayout {
public:
    explicit StyledTextLayout(const StyledText& text);
    ~StyledTextLayout();

    QSizeF size() const { return size_ * scale_; }
    // Layouts made since the start: lets tests and benchmarks prove a redraw laid out no text.
    static std::uint64_t madeCount();
    // Draws with the top-left of the first line at topLeft.
    void draw(QPainter& painter, QPointF topLeft) const;

private:
    // firstFormat: the first format that may reach this line; moved on for the next one.
    void addLine(const StyledText& text, qsizetype& firstFormat, int start, int end);

    std::vector<std::unique_ptr<QTextLayout>> lines_;
    QSizeF size_{0, 0};  // before scaling
    double scale_ = 1;
};

}  // namespace velmaris
