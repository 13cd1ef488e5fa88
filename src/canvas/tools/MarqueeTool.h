#pragma once

#include "canvas/SelectionGeometry.h"
#include "canvas/tools/CanvasTool.h"

#include <optional>
#include <variant>

namespace velmaris {

// Draws, moves and resizes the selection by its handles; the arrow keys nudge it.
class MarqueeTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;

    void press(const ToolPointer& pointer) override;
    void move(const ToolPointer& pointer) override;
    void release(const ToolPointer& pointer) override;
    bool key(QKeyEvent& event) override;
    void paintOverlay(QPainter& painter) override;
    void cancel() override;
    bool hasGesture() const override { return !std::holds_alternative<std::monostate>(gesture_); }

private:
    struct Creating {
        QPointF anchor;
    };
    struct Moving {
        QPointF grabOffset;
    };
    struct Resizing {
        SelectionHandle handle;
        QPointF anchor;
    };
    std::variant<std::monostate, Creating, Moving, Resizing> gesture_;
    std::optional<QRectF> selectionBefore_;
};

}  // namespace velmaris
