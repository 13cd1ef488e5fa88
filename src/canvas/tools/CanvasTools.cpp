#include "canvas/tools/CanvasTools.h"

#include "canvas/tools/BrushTool.h"
#include "canvas/tools/ColorPickerTool.h"
#include "canvas/tools/FillTool.h"
#include "canvas/tools/GradientTool.h"
#include "canvas/tools/MarqueeTool.h"
#include "canvas/tools/MoveTool.h"
#include "canvas/tools/TextTool.h"

namespace velmaris {

std::unique_ptr<CanvasTool> makeCanvasTool(EditorTool tool, CanvasView& view)
{
    switch (tool) {
    case EditorTool::move: return std::make_unique<MoveTool>(view);
    case EditorTool::select: return std::make_unique<MarqueeTool>(view);
    case EditorTool::text: return std::make_unique<TextTool>(view);
    case EditorTool::colorPicker: return std::make_unique<ColorPickerTool>(view);
    case EditorTool::brush: return std::make_unique<BrushTool>(view, false);
    case EditorTool::eraser: return std::make_unique<BrushTool>(view, true);
    case EditorTool::fill: return std::make_unique<FillTool>(view);
    case EditorTool::gradient: return std::make_unique<GradientTool>(view);
    }
    return nullptr;
}

}  // namespace velmaris
