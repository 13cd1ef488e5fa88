#include "platform/ToolCatalogue.h"

#include "platform/AppShortcuts.h"

#include <algorithm>

namespace velmaris {

const QVector<ToolRow>& allToolRows()
{
    using C = CommandID;
    using S = AppShortcutID;
    static const QVector<ToolRow> rows = {
        {EditorTool::move, C::selectMoveTool, S::moveTool, "selectMoveTool", "moveTool", "Move Tool", 9,
         "arrow.up.and.down.and.arrow.left.and.right", "Move (drag layers)"},
        {EditorTool::select, C::selectSelectTool, S::selectTool, "selectSelectTool", "selectTool", "Select Tool", 46,
         "rectangle.dashed", "Rectangular Select"},
        {EditorTool::text, C::selectTextTool, S::textTool, "selectTextTool", "textTool", "Text Tool", 17, "textformat",
         "Text"},
        {EditorTool::colorPicker, C::selectColorPickerTool, S::colorPickerTool, "selectColorPickerTool",
         "colorPickerTool", "Color Picker Tool", 34, "eyedropper", "Color Picker (take a color from the image)"},
        {EditorTool::brush, C::selectBrushTool, S::brushTool, "selectBrushTool", "brushTool", "Brush Tool", 11,
         "paintbrush", "Brush (paint on the layer)"},
        {EditorTool::eraser, C::selectEraserTool, S::eraserTool, "selectEraserTool", "eraserTool", "Eraser Tool", 14,
         "eraser", "Eraser (erase to transparency; Shift paints the background color)"},
        {EditorTool::fill, C::selectFillTool, S::fillTool, "selectFillTool", "fillTool", "Fill Tool", 3, "paintbucket",
         "Fill (fill an area with the current color)"},
        {EditorTool::gradient, C::selectGradientTool, S::gradientTool, "selectGradientTool", "gradientTool",
         "Gradient Tool", 5, "gradient", "Gradient (drag to blend the current color away)"},
    };
    return rows;
}

const ToolRow& toolRow(EditorTool tool)
{
    const QVector<ToolRow>& rows = allToolRows();
    return *std::find_if(rows.begin(), rows.end(), [tool](const ToolRow& row) { return row.tool == tool; });
}

std::optional<EditorTool> toolForCommand(CommandID command)
{
    for (const ToolRow& row : allToolRows())
        if (row.command == command)
            return row.tool;
    return std::nullopt;
}

}  // namespace velmaris
