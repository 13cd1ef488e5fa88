#include "window/tooloptions/ToolOptions.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/ColorPickerTool.h"
#include "window/tooloptions/PickerOptions.h"

namespace velmaris {

QVector<std::pair<EditorTool, QWidget*>> makeToolOptions(CanvasView& canvas)
{
    return {
        {EditorTool::colorPicker,
         new PickerOptions(static_cast<ColorPickerTool&>(canvas.toolObject(EditorTool::colorPicker)))},
    };
}

}  // namespace velmaris
