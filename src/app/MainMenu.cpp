#include "app/MainMenu.h"

#include "platform/RecentImagesStore.h"
#include "render/FilterCatalogue.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace velmaris {

namespace {

// One menu's items by command name; "-" is a separator, "@name" a submenu built below.
struct MenuDefinition {
    const char* title;
    QStringList items;
};

QStringList filterItems(std::initializer_list<FilterCategory> categories)
{
    QStringList items;
    for (FilterCategory category : categories) {
        if (!items.isEmpty())
            items.append(QStringLiteral("-"));
        for (const FilterDescriptor& filter : filterCatalogue())
            if (filter.category == category)
                items.append(QStringLiteral("applyFilter:") + filter.identifier);
    }
    return items;
}

const QVector<MenuDefinition>& menuDefinitions()
{
    static const QVector<MenuDefinition> menus = {
        {"Velmaris Images", {"showAboutPanel", "checkForUpdates", "-", "openPreferences", "-", "terminate"}},
        {"File",
         {"newImage", "newFromClipboard", "openDocument", "@Open Recent", "importFromPhotos", "-", "performClose",
          "saveDocument", "saveDocumentAs", "-", "exportAs", "revertDocumentToSaved", "-", "printDocument"}},
        {"Edit", {"undo", "redo", "-", "cut", "copy", "paste", "-", "fillSelection", "strokeSelection"}},
        {"Select",
         {"selectAll", "deselect", "-", "marqueeRectangle", "marqueeEllipse", "invertSelection", "-",
          "fixedSizeSelection", "aspectRatioSelection"}},
        {"Image",
         {"showImageSize", "cropToSelection", "-", "flipImageHorizontal", "flipImageVertical", "rotateClockwise",
          "rotateCounterclockwise", "-", "@Adjustments"}},
        {"Layer",
         {"newLayer", "newTextLayer", "editTextLayer", "-", "duplicateLayer", "freeTransform", "flipLayerHorizontal",
          "flipLayerVertical", "showLayerEffects", "toggleLayerLock", "deleteLayer", "-", "groupLayers",
          "ungroupLayers", "mergeLayers", "flattenImage", "-", "@Align"}},
        {"Filter", filterItems({FilterCategory::essential, FilterCategory::artistic, FilterCategory::distort})},
        {"View",
         {"selectMoveTool", "selectSelectTool", "selectTextTool", "-", "zoomIn", "zoomOut", "zoomActualSize",
          "zoomToFit", "-", "toggleCheckerboard", "toggleSidebarPanels"}},
        {"Window", {"performMiniaturize", "performZoom", "-", "arrangeInFront"}},
        {"Help", {"showHelp", "showShortcutCheatSheet", "openWebsite"}},
    };
    return menus;
}

QStringList submenuItems(const QString& title)
{
    if (title == QLatin1String("Adjustments"))
        return filterItems({FilterCategory::adjustment});
    if (title == QLatin1String("Align"))
        return {"alignLayers:left", "alignLayers:centerHorizontal", "alignLayers:right", "-",
                "alignLayers:top", "alignLayers:centerVertical", "alignLayers:bottom"};
    return {};
}

void fillOpenRecent(QMenu* menu, const std::function<QAction*(const QString&)>& action)
{
    menu->clear();
    const QStringList paths = RecentImagesStore::shared().paths();
    QAction* open = action(QStringLiteral("openRecentDocument"));
    for (const QString& path : paths) {
        QAction* item = menu->addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        if (open)
            QObject::connect(item, &QAction::triggered, open, [open, path] {
                open->setData(path);
                open->trigger();
            });
    }
    if (!paths.isEmpty())
        menu->addSeparator();
    QAction* clear = menu->addAction(QStringLiteral("Clear Menu"));
    clear->setEnabled(!paths.isEmpty());
    QObject::connect(clear, &QAction::triggered, [] { RecentImagesStore::shared().clear(); });
}

void fillMenu(QMenu* menu, const QStringList& items, const std::function<QAction*(const QString&)>& action)
{
    for (const QString& item : items) {
        if (item == QLatin1String("-")) {
            menu->addSeparator();
        } else if (item.startsWith(QLatin1Char('@'))) {
            const QString title = item.mid(1);
            QMenu* submenu = menu->addMenu(title);
            if (title == QLatin1String("Open Recent")) {
                QObject::connect(submenu, &QMenu::aboutToShow, submenu, [submenu, action] { fillOpenRecent(submenu, action); });
                fillOpenRecent(submenu, action);
            } else {
                fillMenu(submenu, submenuItems(title), action);
            }
        } else if (QAction* found = action(item)) {
            menu->addAction(found);
        }
    }
}

}  // namespace

void installMainMenu(QMainWindow* window, const std::function<QAction*(const QString& name)>& action)
{
    QMenuBar* bar = window->menuBar();
    bar->clear();
    for (const MenuDefinition& definition : menuDefinitions())
        fillMenu(bar->addMenu(QString::fromLatin1(definition.title)), definition.items, action);
}

}  // namespace velmaris
