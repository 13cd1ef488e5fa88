#include "window/DocumentActions.h"

#include "document/CommandEnabling.h"
#include "document/ImageDocument.h"
#include "document/LayerAlignment.h"
#include "platform/Pasteboard.h"
#include "render/FilterCatalogue.h"
#include "window/SymbolIcons.h"

#include <QAction>
#include <QWidget>

namespace velmaris {

namespace {

struct CommandDefinition {
    const char* name;
    const char* title;
    QKeySequence shortcut;
    const char* toolTip = nullptr;
    const char* symbol = nullptr;
};

constexpr auto ctrl = Qt::CTRL;
constexpr auto shift = Qt::SHIFT;
constexpr auto alt = Qt::ALT;

// Ctrl stands for Command and Alt for Option of the menu's key table.
const QVector<CommandDefinition>& commandDefinitions()
{
    static const QVector<CommandDefinition> definitions = {
        {"saveDocument", "Save", QKeySequence(ctrl | Qt::Key_S)},
        {"saveDocumentAs", "Save As...", QKeySequence(ctrl | shift | Qt::Key_S)},
        {"exportAs", "Export As...", QKeySequence(ctrl | alt | Qt::Key_E)},
        {"performClose", "Close", QKeySequence(ctrl | Qt::Key_W)},
        {"undo", "Undo", QKeySequence(ctrl | Qt::Key_Z)},
        {"redo", "Redo", QKeySequence(ctrl | shift | Qt::Key_Z)},
        {"copy", "Copy", QKeySequence(ctrl | Qt::Key_C)},
        {"paste", "Paste", QKeySequence(ctrl | Qt::Key_V)},
        {"fillSelection", "Fill Selection", {}},
        {"strokeSelection", "Stroke Selection...", {}},
        {"selectAll", "All", QKeySequence(ctrl | Qt::Key_A)},
        {"selectAllCanvas", "Select All", {}},
        {"deselect", "Deselect", QKeySequence(ctrl | Qt::Key_D)},
        {"marqueeRectangle", "Rectangular Marquee", {}, "Rectangular Marquee", "rectangle.dashed"},
        {"marqueeEllipse", "Elliptical Marquee", {}, "Elliptical Marquee", "circle.dashed"},
        {"invertSelection", "Invert Selection", {}},
        {"fixedSizeSelection", "Fixed Size...", {}, "Fixed Size Selection…", "square.resize"},
        {"aspectRatioSelection", "By Aspect Ratio...", {}, "Selection Aspect Ratio…", "aspectratio"},
        {"showImageSize", "Image Size...", QKeySequence(ctrl | alt | Qt::Key_I)},
        {"cropToSelection", "Crop to Selection", QKeySequence(ctrl | shift | Qt::Key_K), "Crop to Selection", "crop"},
        {"flipImageHorizontal", "Flip Horizontal", {}},
        {"flipImageVertical", "Flip Vertical", {}},
        {"rotateClockwise", "Rotate 90° Clockwise", {}, "Rotate 90° Clockwise", "rotate.right"},
        {"rotateCounterclockwise", "Rotate 90° Counterclockwise", {}, "Rotate 90° Counterclockwise", "rotate.left"},
        {"newLayer", "New Layer", QKeySequence(ctrl | shift | Qt::Key_N)},
        {"newTextLayer", "New Text Layer", QKeySequence(ctrl | shift | alt | Qt::Key_T)},
        {"editTextLayer", "Edit Text Layer...", {}},
        {"duplicateLayer", "Duplicate Layer", QKeySequence(ctrl | Qt::Key_J)},
        {"freeTransform", "Free Transform", QKeySequence(ctrl | Qt::Key_T)},
        {"flipLayerHorizontal", "Flip Layer Horizontal", {}},
        {"flipLayerVertical", "Flip Layer Vertical", {}},
        {"showLayerEffects", "Layer Effects...", {}},
        {"toggleLayerLock", "Lock Layer", {}},
        {"deleteLayer", "Delete Layer", {}},
        {"groupLayers", "Group Layers", QKeySequence(ctrl | Qt::Key_G)},
        {"ungroupLayers", "Ungroup Layers", QKeySequence(ctrl | shift | Qt::Key_G)},
        {"mergeLayers", "Merge Layers", QKeySequence(ctrl | Qt::Key_E)},
        {"flattenImage", "Flatten Image", {}},
        {"selectMoveTool", "Move Tool", QKeySequence(ctrl | Qt::Key_1), "Move (drag layers)",
         "arrow.up.and.down.and.arrow.left.and.right"},
        {"selectSelectTool", "Select Tool", QKeySequence(ctrl | Qt::Key_2), "Rectangular Select", "rectangle.dashed"},
        {"selectTextTool", "Text Tool", QKeySequence(ctrl | Qt::Key_3), "Text", "textformat"},
        {"zoomIn", "Zoom In", QKeySequence(ctrl | Qt::Key_Equal)},
        {"zoomOut", "Zoom Out", QKeySequence(ctrl | Qt::Key_Minus)},
        {"zoomActualSize", "Actual Size", QKeySequence(ctrl | Qt::Key_0)},
        {"zoomToFit", "Zoom to Fit", QKeySequence(ctrl | Qt::Key_9)},
        {"toggleCheckerboard", "Toggle Transparency Checkerboard", {}},
        {"toggleSidebarPanels", "Show/Hide Panels", QKeySequence(ctrl | alt | Qt::Key_0),
         "Show or hide the side panels", "sidebar.trailing"},
        {"openPreferences", "Preferences...", QKeySequence(ctrl | Qt::Key_Comma), "Open Preferences", "gearshape"},
    };
    return definitions;
}

const std::pair<LayerAlignment, const char*> kAlignmentSymbols[] = {
    {LayerAlignment::left, "align.horizontal.left"},     {LayerAlignment::centerHorizontal, "align.horizontal.center"},
    {LayerAlignment::right, "align.horizontal.right"},   {LayerAlignment::top, "align.vertical.top"},
    {LayerAlignment::centerVertical, "align.vertical.center"}, {LayerAlignment::bottom, "align.vertical.bottom"},
};

}  // namespace

std::pair<QString, QString> splitCommandName(const QString& name)
{
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {name, QString()};
    return {name.left(colon), name.mid(colon + 1)};
}

DocumentActions::DocumentActions(ImageDocument* document, QWidget* window, Handler handler)
    : QObject(window), document_(document), window_(window), handler_(std::move(handler))
{
    for (const CommandDefinition& definition : commandDefinitions()) {
        QAction* action = add(QString::fromLatin1(definition.name), QString::fromUtf8(definition.title),
                              definition.shortcut);
        if (definition.toolTip)
            action->setToolTip(QString::fromUtf8(definition.toolTip));
        if (definition.symbol)
            action->setIcon(symbolIcon(QString::fromLatin1(definition.symbol)));
    }
    for (const char* checkable : {"marqueeRectangle", "marqueeEllipse", "invertSelection", "toggleLayerLock",
                                  "selectMoveTool", "selectSelectTool", "selectTextTool"})
        actions_.value(QString::fromLatin1(checkable))->setCheckable(true);
    for (const auto& [alignment, symbol] : kAlignmentSymbols) {
        QAction* action = add(QStringLiteral("alignLayers:") + rawValue(alignment), displayName(alignment));
        action->setToolTip(QStringLiteral("Align ") + displayName(alignment));
        action->setIcon(symbolIcon(QString::fromLatin1(symbol)));
    }
    for (const FilterDescriptor& filter : filterCatalogue())
        add(QStringLiteral("applyFilter:") + filter.identifier, filter.menuTitle);
    refresh();
}

QAction* DocumentActions::add(const QString& name, const QString& title, const QKeySequence& shortcut)
{
    auto* action = new QAction(title, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, name] {
        const auto [command, argument] = splitCommandName(name);
        handler_(command, argument);
    });
    window_->addAction(action);
    actions_.insert(name, action);
    return action;
}

void DocumentActions::refresh()
{
    const bool offersImage = Pasteboard().offersImage();
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        auto [command, argument] = splitCommandName(it.key());
        if (command == QLatin1String("applyFilter"))
            command = QStringLiteral("applyFilterFromMenu");
        const CommandAvailability availability = commandAvailability(document_, command, offersImage);
        QAction* action = it.value();
        action->setEnabled(availability.enabled);
        if (availability.checked && action->isCheckable())
            action->setChecked(*availability.checked);
        if (availability.title)
            action->setText(*availability.title);
    }
}

}  // namespace velmaris
