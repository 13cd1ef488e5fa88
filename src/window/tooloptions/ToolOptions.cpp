#include "window/tooloptions/ToolOptions.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/BrushTool.h"
#include "canvas/tools/ColorPickerTool.h"
#include "window/tooloptions/BrushOptions.h"
#include "window/tooloptions/PickerOptions.h"

namespace velmaris {

QVector<std::pair<EditorTool, QWidget*>> makeToolOptions(CanvasView& canvas)
{
    return {
        {EditorTool::colorPicker,
         new PickerOptions(static_cast<ColorPickerTool&>(canvas.toolObject(EditorTool::colorPicker)))},
        {EditorTool::brush, new BrushOptions(static_cast<BrushTool&>(canvas.toolObject(EditorTool::brush)))},
        {EditorTool::eraser, new BrushOptions(static_cast<BrushTool&>(canvas.toolObject(EditorTool::eraser)))},
    };
}

}  // namespace velmaris
