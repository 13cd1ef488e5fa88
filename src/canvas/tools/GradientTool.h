#pragma once

#include "canvas/tools/CanvasTool.h"
#include "render/Gradient.h"

#include <optional>

namespace velmaris {

struct GradientSettings {
    GradientShape shape = GradientShape::linear;
    // Ends in the background colour, else in transparency.
    bool toBackgroundColor = false;
};

// `end` turned about `start` to the nearest multiple of 15°, at the same distance.
QPointF snappedGradientEnd(QPointF start, QPointF end);

// Drag from where the current colour goes to where the gradient ends (Shift: in 15° steps); the
// release paints it into the layer over the canvas or the selection. A line shows the drag.
class GradientTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;

    const GradientSettings& settings() const { return settings_; }
    void setSettings(const GradientSettings& settings) { settings_ = settings; }

    void press(const ToolPointer& pointer) override;
    void move(const ToolPointer& pointer) override;
    void release(const ToolPointer& pointer) override;
    void paintOverlay(QPainter& painter) override;
    void cancel() override;
    bool hasGesture() const override { return drag_.has_value(); }

private:
    struct Drag {
        QPointF start;
        QPointF end;
    };
    void setEnd(const ToolPointer& pointer);
    // What the overlay covers for the drag, in canvas units.
    QRectF dragBox() const;

    GradientSettings settings_;
    std::optional<Drag> drag_;
};

}  // namespace velmaris
