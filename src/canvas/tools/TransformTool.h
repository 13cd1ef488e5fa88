#pragma once

#include "canvas/TransformGestures.h"
#include "canvas/tools/CanvasTool.h"

#include <QImage>

#include <optional>

namespace velmaris {

// Free transform of a layer, active over the chosen tool while the document has a transform
// session: handles scale and rotate, the inside moves; Return or a double click commits, Escape
// cancels.
class TransformTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;

    void press(const ToolPointer& pointer) override;
    void move(const ToolPointer& pointer) override;
    void release(const ToolPointer&) override { drag_.reset(); }
    bool key(QKeyEvent& event) override;
    void paintOverlay(QPainter& painter) override;
    void cancel() override { drag_.reset(); }
    bool hasGesture() const override { return drag_.has_value(); }

    // The session began, changed or ended.
    void sessionChanged();

private:
    std::optional<TransformDrag> drag_;
    QImage layerImage_;
};

}  // namespace velmaris
