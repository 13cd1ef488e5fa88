#include "platform/CommandRegistry.h"

#include "platform/AppShortcuts.h"
#include "platform/KeyCodes.h"
#include "platform/ToolCatalogue.h"

namespace velmaris {

namespace {

using Menu = CommandMenu;
using Scope = CommandScope;
using Toolbar = CommandSlot<ToolbarGroup>;
using Side = CommandSlot<SidebarGroup>;

constexpr auto ctrl = Qt::CTRL;
constexpr auto shift = Qt::SHIFT;
constexpr auto alt = Qt::ALT;
constexpr std::nullopt_t catalogueKey = std::nullopt;
constexpr std::nullopt_t noKey = std::nullopt;

// The one list of commands. Menus, the toolbar, the sidebar, the window's and the application's
// actions, the enabling table and the shortcut catalogue all go by these rows; each scope's
// handlers are switches over CommandID without a default (a command left out does not compile).
QVector<CommandRow> makeRows()
{
    using enum CommandID;
    const Scope app = Scope::application;
    const Scope doc = Scope::document;
    QVector<CommandRow> rows = {
        {showAboutPanel, "showAboutPanel", "About Velmaris Images", noKey, app, Menu::application},
        {checkForUpdates, "checkForUpdates", "Check for Updates…", noKey, app, Menu::application},
        {openPreferences, "openPreferences", "Preferences…", ctrl | Qt::Key_Comma, Scope::both, Menu::application, true,
         {ToolbarGroup::preferences}, {}, {}, false, "gearshape", "Open Preferences"},
        {terminate, "terminate", "Quit Velmaris Images", ctrl | Qt::Key_Q, app, Menu::application, true},

        {newImage, "newImage", "New…", ctrl | Qt::Key_N, app, Menu::file},
        {newFromClipboard, "newFromClipboard", "New from Clipboard", catalogueKey, app, Menu::file},
        {openDocument, "openDocument", "Open…", ctrl | Qt::Key_O, app, Menu::file},
        {openRecentDocument, "openRecentDocument", "Open Recent", noKey, app, Menu::openRecent, false, {}, {},
         CommandArgument::filePath},
        {importFromPhotos, "importFromPhotos", "Import from Photos…", catalogueKey, app, Menu::file},
        {performClose, "performClose", "Close", ctrl | Qt::Key_W, doc, Menu::file, true},
        {saveDocument, "saveDocument", "Save", ctrl | Qt::Key_S, doc, Menu::file},
        {saveDocumentAs, "saveDocumentAs", "Save As…", ctrl | shift | Qt::Key_S, doc, Menu::file},
        {exportAs, "exportAs", "Export As…", catalogueKey, doc, Menu::file, true},
        {revertDocumentToSaved, "revertDocumentToSaved", "Revert to Saved", noKey, app, Menu::file},
        {printDocument, "printDocument", "Print…", ctrl | Qt::Key_P, app, Menu::file, true},

        {undo, "undo", "Undo", ctrl | Qt::Key_Z, doc, Menu::edit},
        {redo, "redo", "Redo", ctrl | shift | Qt::Key_Z, doc, Menu::edit},
        {cut, "cut", "Cut", ctrl | Qt::Key_X, doc, Menu::edit, true},
        {copy, "copy", "Copy", ctrl | Qt::Key_C, doc, Menu::edit},
        {paste, "paste", "Paste", ctrl | Qt::Key_V, doc, Menu::edit},
        {fillSelection, "fillSelection", "Fill Selection", catalogueKey, doc, Menu::edit, true, {},
         {SidebarGroup::selection, 2}},
        {strokeSelection, "strokeSelection", "Stroke Selection…", catalogueKey, doc, Menu::edit, false, {},
         {SidebarGroup::selection, 3}},
        {swapColors, "swapColors", "Swap Colors", catalogueKey, doc, Menu::edit, true, {ToolbarGroup::colors, 0}, {},
         {}, false, "arrow.swap", "Swap the current and background colors"},
        {resetColors, "resetColors", "Reset Colors", catalogueKey, doc, Menu::edit, false, {ToolbarGroup::colors, 1},
         {}, {}, false, "square.filled.and.square", "Reset the colors to black and white"},

        {selectAll, "selectAll", "All", ctrl | Qt::Key_A, doc, Menu::select},
        {deselect, "deselect", "Deselect", catalogueKey, doc, Menu::select, false, {}, {SidebarGroup::selection, 1}},
        {marqueeRectangle, "marqueeRectangle", "Rectangular Marquee", catalogueKey, doc, Menu::select, true,
         {ToolbarGroup::marquee, 0}, {}, {}, true, "rectangle.dashed"},
        {marqueeEllipse, "marqueeEllipse", "Elliptical Marquee", catalogueKey, doc, Menu::select, false,
         {ToolbarGroup::marquee, 1}, {}, {}, true, "circle.dashed"},
        {invertSelection, "invertSelection", "Invert Selection", catalogueKey, doc, Menu::select, false, {}, {}, {},
         true},
        {fixedSizeSelection, "fixedSizeSelection", "Fixed Size…", catalogueKey, doc, Menu::select, true,
         {ToolbarGroup::selection, 0}, {}, {}, false, "square.resize", "Fixed Size Selection…"},
        {aspectRatioSelection, "aspectRatioSelection", "By Aspect Ratio…", catalogueKey, doc, Menu::select, false,
         {ToolbarGroup::selection, 1}, {}, {}, false, "aspectratio", "Selection Aspect Ratio…"},

        {showImageSize, "showImageSize", "Image Size…", catalogueKey, doc, Menu::image, false, {},
         {SidebarGroup::image, 0}},
        {showCanvasSize, "showCanvasSize", "Canvas Size…", catalogueKey, doc, Menu::image},
        {cropToSelection, "cropToSelection", "Crop to Selection", catalogueKey, doc, Menu::image, false,
         {ToolbarGroup::crop}, {SidebarGroup::image, 3}, {}, false, "crop"},
        {trimCanvas, "trimCanvas", "Trim", catalogueKey, doc, Menu::image},
        {flipImageHorizontal, "flipImageHorizontal", "Flip Horizontal", catalogueKey, doc, Menu::image, true},
        {flipImageVertical, "flipImageVertical", "Flip Vertical", catalogueKey, doc, Menu::image},
        {rotateClockwise, "rotateClockwise", "Rotate 90° Clockwise", catalogueKey, doc, Menu::image, false,
         {ToolbarGroup::rotate, 1}, {SidebarGroup::image, 1}, {}, false, "rotate.right"},
        {rotateCounterclockwise, "rotateCounterclockwise", "Rotate 90° Counterclockwise", catalogueKey, doc,
         Menu::image, false, {ToolbarGroup::rotate, 0}, {SidebarGroup::image, 2}, {}, false, "rotate.left"},

        {newLayer, "newLayer", "New Layer", catalogueKey, doc, Menu::layer},
        {newTextLayer, "newTextLayer", "New Text Layer", catalogueKey, doc, Menu::layer},
        {editTextLayer, "editTextLayer", "Edit Text Layer…", catalogueKey, doc, Menu::layer},
        {duplicateLayer, "duplicateLayer", "Duplicate Layer", catalogueKey, doc, Menu::layer, true},
        {freeTransform, "freeTransform", "Free Transform", catalogueKey, doc, Menu::layer},
        {flipLayerHorizontal, "flipLayerHorizontal", "Flip Layer Horizontal", catalogueKey, doc, Menu::layer},
        {flipLayerVertical, "flipLayerVertical", "Flip Layer Vertical", catalogueKey, doc, Menu::layer},
        {showLayerEffects, "showLayerEffects", "Layer Effects…", catalogueKey, doc, Menu::layer},
        {toggleLayerLock, "toggleLayerLock", "Lock Layer", catalogueKey, doc, Menu::layer, false, {}, {}, {}, true},
        {deleteLayer, "deleteLayer", "Delete Layer", catalogueKey, doc, Menu::layer},
        {groupLayers, "groupLayers", "Group Layers", catalogueKey, doc, Menu::layer, true},
        {ungroupLayers, "ungroupLayers", "Ungroup Layers", catalogueKey, doc, Menu::layer},
        {mergeLayers, "mergeLayers", "Merge Layers", catalogueKey, doc, Menu::layer},
        {flattenImage, "flattenImage", "Flatten Image", catalogueKey, doc, Menu::layer},
        {alignLeft, "alignLayers:left", "Left", catalogueKey, doc, Menu::align, false, {ToolbarGroup::align, 0}, {},
         {}, false, "align.horizontal.left", "Align Left"},
        {alignCenterHorizontal, "alignLayers:centerHorizontal", "Horizontal Center", catalogueKey, doc, Menu::align,
         false, {ToolbarGroup::align, 1}, {}, {}, false, "align.horizontal.center", "Align Horizontal Center"},
        {alignRight, "alignLayers:right", "Right", catalogueKey, doc, Menu::align, false, {ToolbarGroup::align, 2}, {},
         {}, false, "align.horizontal.right", "Align Right"},
        {alignTop, "alignLayers:top", "Top", catalogueKey, doc, Menu::align, true, {ToolbarGroup::align, 3}, {}, {},
         false, "align.vertical.top", "Align Top"},
        {alignCenterVertical, "alignLayers:centerVertical", "Vertical Center", catalogueKey, doc, Menu::align, false,
         {ToolbarGroup::align, 4}, {}, {}, false, "align.vertical.center", "Align Vertical Center"},
        {alignBottom, "alignLayers:bottom", "Bottom", catalogueKey, doc, Menu::align, false, {ToolbarGroup::align, 5},
         {}, {}, false, "align.vertical.bottom", "Align Bottom"},

        {applyFilter, "applyFilter", "Apply Filter", noKey, doc, Menu::filter, false, {}, {SidebarGroup::filters},
         CommandArgument::filterIdentifier},

    };
    // The tools, in the catalogue's order (which is also theirs in CommandID).
    int toolbarOrder = 0;
    for (const ToolRow& tool : allToolRows())
        rows.append({tool.command, tool.commandName, tool.title, catalogueKey, doc, Menu::view, false,
                     {ToolbarGroup::tools, toolbarOrder++}, {}, {}, true, tool.symbol, tool.toolTip});
    rows += {
        {zoomIn, "zoomIn", "Zoom In", catalogueKey, doc, Menu::view, true},
        {zoomOut, "zoomOut", "Zoom Out", catalogueKey, doc, Menu::view},
        {zoomActualSize, "zoomActualSize", "Actual Size", catalogueKey, doc, Menu::view},
        {zoomToFit, "zoomToFit", "Zoom to Fit", catalogueKey, doc, Menu::view},
        {toggleCheckerboard, "toggleCheckerboard", "Toggle Transparency Checkerboard", catalogueKey, doc, Menu::view,
         true},
        {toggleSidebarPanels, "toggleSidebarPanels", "Show/Hide Panels", catalogueKey, doc, Menu::view, false,
         {ToolbarGroup::panels}, {}, {}, false, "sidebar.trailing", "Show or hide the side panels"},

        {performMiniaturize, "performMiniaturize", "Minimize", ctrl | Qt::Key_M, app, Menu::window},
        {performZoom, "performZoom", "Zoom", noKey, app, Menu::window},
        {arrangeInFront, "arrangeInFront", "Bring All to Front", noKey, app, Menu::window, true},

        {showHelp, "showHelp", "Velmaris Images User Guide", ctrl | Qt::Key_Question, app, Menu::help},
        {showShortcutCheatSheet, "showShortcutCheatSheet", "Keyboard Shortcuts", noKey, app, Menu::help},
        {openWebsite, "openWebsite", "Website", noKey, app, Menu::help},

        {selectAllCanvas, "selectAllCanvas", "Select All", noKey, doc, Menu::none, false, {},
         {SidebarGroup::selection, 0}},
    };
    return rows;
}

}  // namespace

const QVector<CommandRow>& allCommandRows()
{
    static const QVector<CommandRow> rows = makeRows();
    return rows;
}

const CommandRow& commandRow(CommandID id)
{
    return allCommandRows().at(static_cast<qsizetype>(id));
}

QKeySequence defaultKeySequence(CommandID id)
{
    if (const std::optional<QKeyCombination> key = commandRow(id).key)
        return QKeySequence(*key);
    const std::optional<AppShortcutID> shortcut = shortcutIDForCommand(id);
    return shortcut ? menuKeySequence(shortcutDefinition(*shortcut).defaultShortcut) : QKeySequence();
}

QList<QKeySequence> fixedAlternateKeySequences(CommandID id)
{
    const Qt::KeyboardModifiers keypadCtrl = Qt::ControlModifier | Qt::KeypadModifier;
    switch (id) {
    case CommandID::zoomIn:
        return {QKeySequence(ctrl | Qt::Key_Plus), QKeySequence(QKeyCombination(keypadCtrl, Qt::Key_Plus))};
    case CommandID::zoomOut:
        return {QKeySequence(QKeyCombination(keypadCtrl, Qt::Key_Minus))};
    default:
        return {};
    }
}

}  // namespace velmaris
