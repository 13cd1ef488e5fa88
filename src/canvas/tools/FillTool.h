#pragma once

#include "canvas/tools/CanvasTool.h"
#include "document/FillOperations.h"

namespace velmaris {

// Click to fill the region around the pointer with the current colour: contiguous or every
// matching pixel, found in the layer or in the composite, limited to the selection.
class FillTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;

    const BucketFill& settings() const { return settings_; }
    void setSettings(const BucketFill& settings) { settings_ = settings; }

    void press(const ToolPointer& pointer) override;
    QCursor cursor(QPointF) const override;

private:
    BucketFill settings_{{15, true, true}, FillSampling::layer};
};

}  // namespace velmaris
