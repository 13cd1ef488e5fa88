#pragma once

#include <QKeyCombination>
#include <QKeySequence>
#include <QString>
#include <QVector>

#include <optional>

namespace velmaris {

// Every command of the program, in the order of the rows below (which is menu order).
enum class CommandID {
    // Application menu
    showAboutPanel, checkForUpdates, openPreferences, terminate,
    // File
    newImage, newFromClipboard, openDocument, openRecentDocument, importFromPhotos, performClose, saveDocument,
    saveDocumentAs, exportAs, revertDocumentToSaved, printDocument,
    // Edit
    undo, redo, cut, copy, paste, fillSelection, strokeSelection, swapColors, resetColors,
    // Select
    selectAll, deselect, marqueeRectangle, marqueeEllipse, invertSelection, fixedSizeSelection, aspectRatioSelection,
    // Image
    showImageSize, showCanvasSize, cropToSelection, trimCanvas, flipImageHorizontal, flipImageVertical, rotateClockwise, rotateCounterclockwise,
    // Layer
    newLayer, newTextLayer, editTextLayer, duplicateLayer, freeTransform, flipLayerHorizontal, flipLayerVertical,
    showLayerEffects, toggleLayerLock, deleteLayer, groupLayers, ungroupLayers, mergeLayers, flattenImage,
    alignLeft, alignCenterHorizontal, alignRight, alignTop, alignCenterVertical, alignBottom,
    // Filter (and Image › Adjustments): one command, the catalogue identifier its argument
    applyFilter,
    // View
    selectMoveTool, selectSelectTool, selectTextTool, selectColorPickerTool, selectBrushTool, selectEraserTool,
    selectFillTool, selectGradientTool,
    zoomIn, zoomOut, zoomActualSize, zoomToFit, toggleCheckerboard, toggleSidebarPanels,
    // Window
    performMiniaturize, performZoom, arrangeInFront,
    // Help
    showHelp, showShortcutCheatSheet, openWebsite,
    // Sidebar only
    selectAllCanvas,
};

// Who performs a command: the application, the document window, or both (each in its own way).
enum class CommandScope { application, document, both };

// The menu a command sits in; submenus are their own places.
enum class CommandMenu {
    none, application, file, openRecent, edit, select, image, adjustments, layer, align, filter, view, window, help,
};

enum class ToolbarGroup { none, tools, marquee, selection, crop, rotate, colors, align, panels, preferences };
enum class SidebarGroup { none, image, selection, filters };

// What a command's argument is; such a command shows once per value (a filter, a recent file).
enum class CommandArgument { none, filterIdentifier, filePath };

// Where in a toolbar group or sidebar section a command sits; lower orders come first.
template <typename Group>
struct CommandSlot {
    Group group = Group::none;
    int order = 0;
};

struct CommandRow {
    CommandID id;
    // Its action's object name, the same on every run ("deleteLayer", "alignLayers:left").
    const char* name;
    // As menus, buttons and tooltips write it; one "…" where it asks for more.
    const char* title;
    // The menu key of a command the shortcut catalogue does not list; the catalogue's commands
    // take the catalogue's key.
    std::optional<QKeyCombination> key;
    CommandScope scope;
    CommandMenu menu = CommandMenu::none;
    bool separatorBefore = false;
    CommandSlot<ToolbarGroup> toolbar = {};
    CommandSlot<SidebarGroup> sidebar = {};
    CommandArgument argument = CommandArgument::none;
    bool checkable = false;
    const char* symbol = nullptr;
    const char* toolTip = nullptr;  // the title when null
};

// The registry, in CommandID order.
const QVector<CommandRow>& allCommandRows();
const CommandRow& commandRow(CommandID id);

// The key a command's menu item starts with: its own, or the menu key of its catalogue default.
QKeySequence defaultKeySequence(CommandID id);
// Further keys that always run a command beside its rebindable one (Ctrl++ beside Ctrl+= …).
QList<QKeySequence> fixedAlternateKeySequences(CommandID id);

}  // namespace velmaris
