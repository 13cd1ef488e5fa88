#include "window/tooloptions/ToolOptions.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/BrushTool.h"
#include "canvas/tools/ColorPickerTool.h"
#include "canvas/tools/FillTool.h"
#include "canvas/tools/GradientTool.h"
#include "window/tooloptions/BrushOptions.h"
#include "window/tooloptions/FillOptions.h"
#include "window/tooloptions/GradientOptions.h"
#include "window/tooloptions/PickerOptions.h"

namespace velmaris {

QVector<std::pair<EditorTool, QWidget*>> makeToolOptions(CanvasView& canvas)
{
    return {
        {EditorTool::colorPicker,
         new PickerOptions(static_cast<ColorPickerTool&>(canvas.toolObject(EditorTool::colorPicker)))},
        {EditorTool::brush, new BrushOptions(static_cast<BrushTool&>(canvas.toolObject(EditorTool::brush)))},
        {EditorTool::eraser, new BrushOptions(static_cast<BrushTool&>(canvas.toolObject(EditorTool::eraser)))},
        {EditorTool::fill, new FillOptions(static_cast<FillTool&>(canvas.toolObject(EditorTool::fill)))},
        {EditorTool::gradient,
         new GradientOptions(static_cast<GradientTool&>(canvas.toolObject(EditorTool::gradient)))},
    };
}

}  // namespace velmaris
