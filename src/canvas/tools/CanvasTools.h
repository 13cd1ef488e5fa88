#pragma once

#include "canvas/tools/CanvasTool.h"
#include "model/CanvasState.h"

#include <memory>

namespace velmaris {

// The tool object for each row of the tool catalogue.
std::unique_ptr<CanvasTool> makeCanvasTool(EditorTool tool, CanvasView& view);

}  // namespace velmaris
