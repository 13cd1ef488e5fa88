#pragma once

#include "model/CanvasState.h"
#include "platform/CommandRegistry.h"

#include <QVector>

#include <optional>

namespace velmaris {

enum class AppShortcutID;

// One tool of the canvas: the command that chooses it, its rebindable single key, its toolbar
// button and its line in the cheat sheet.
struct ToolRow {
    EditorTool tool;
    CommandID command;
    AppShortcutID shortcut;
    // The command's action name and the shortcut's stored name.
    const char* commandName;
    const char* shortcutName;
    const char* title;
    // The default single key, as a virtual key code of the US layout.
    quint16 defaultKeyCode;
    const char* symbol;
    const char* toolTip;
};

// The catalogue of tools, in toolbar order. The command registry and the shortcut catalogue take
// their tool rows from here; canvas/tools/CanvasTools.cpp makes the tool object of each.
const QVector<ToolRow>& allToolRows();
const ToolRow& toolRow(EditorTool tool);
std::optional<EditorTool> toolForCommand(CommandID command);

}  // namespace velmaris
