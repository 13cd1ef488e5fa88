#pragma once

#include "canvas/tools/CanvasTool.h"

namespace velmaris {

// A click on a text layer edits it; anywhere else adds a text layer there.
class TextTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;

    void press(const ToolPointer& pointer) override;
    QCursor cursor(QPointF point) const override;
};

}  // namespace velmaris
