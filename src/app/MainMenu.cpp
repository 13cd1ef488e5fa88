#include "app/MainMenu.h"

#include "platform/RecentImagesStore.h"
#include "render/FilterCatalogue.h"
#include "window/DocumentWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <map>

namespace velmaris {

namespace {

struct MenuPlace {
    CommandMenu menu;
    const char* title;
    CommandMenu parent = CommandMenu::none;  // none: the menu bar
    bool separatorBefore = false;
};

// The menu bar's menus in order, then the submenus, which go into their parent where their first
// command falls.
constexpr MenuPlace kMenus[] = {
    {CommandMenu::application, "Velmaris Images"},
    {CommandMenu::file, "File"},
    {CommandMenu::edit, "Edit"},
    {CommandMenu::select, "Select"},
    {CommandMenu::image, "Image"},
    {CommandMenu::layer, "Layer"},
    {CommandMenu::filter, "Filter"},
    {CommandMenu::view, "View"},
    {CommandMenu::window, "Window"},
    {CommandMenu::help, "Help"},
    {CommandMenu::openRecent, "Open Recent", CommandMenu::file},
    {CommandMenu::adjustments, "Adjustments", CommandMenu::image, true},
    {CommandMenu::align, "Align", CommandMenu::layer, true},
};

// Marks the Window menu's items for the open windows, which are rebuilt each time it opens.
const char* const kWindowListProperty = "velmarisWindowList";

class MenuBuilder {
public:
    MenuBuilder(QMainWindow* host, const MainMenuSources& sources) : host_(host), sources_(sources)
    {
        for (const MenuPlace& place : kMenus)
            if (place.parent == CommandMenu::none)
                menus_[place.menu] = host->menuBar()->addMenu(QString::fromLatin1(place.title));
    }

    void add(const CommandRow& row)
    {
        switch (row.argument) {
        case CommandArgument::filterIdentifier:
            addFilters(row.id);
            return;
        case CommandArgument::filePath:
            addOpenRecent(menu(row.menu), row.id);
            return;
        case CommandArgument::none:
            break;
        }
        if (QAction* action = sources_.action(row.id, {})) {
            QMenu* target = menu(row.menu);
            if (row.separatorBefore)
                target->addSeparator();
            target->addAction(action);
        }
    }

    void finish()
    {
        QMenu* windowMenu = menus_.at(CommandMenu::window);
        QObject::connect(windowMenu, &QMenu::aboutToShow, windowMenu,
                         [windowMenu, host = QPointer<QMainWindow>(host_), windows = sources_.windows] {
                             fillWindowList(windowMenu, host, windows);
                         });
        fillWindowList(windowMenu, host_, sources_.windows);
    }

private:
    QMenu* menu(CommandMenu which)
    {
        if (const auto found = menus_.find(which); found != menus_.end())
            return found->second;
        for (const MenuPlace& place : kMenus) {
            if (place.menu != which)
                continue;
            QMenu* parent = menu(place.parent);
            if (place.separatorBefore)
                parent->addSeparator();
            return menus_[which] = parent->addMenu(QString::fromLatin1(place.title));
        }
        Q_UNREACHABLE();
    }

    // One item per catalogue filter: the adjustments in their submenu, the other groups in the
    // Filter menu with a separator between groups.
    void addFilters(CommandID command)
    {
        const std::pair<FilterCategory, CommandMenu> groups[] = {
            {FilterCategory::adjustment, CommandMenu::adjustments},
            {FilterCategory::essential, CommandMenu::filter},
            {FilterCategory::artistic, CommandMenu::filter},
            {FilterCategory::distort, CommandMenu::filter},
        };
        for (const auto& [category, place] : groups) {
            QMenu* target = menu(place);
            if (!target->isEmpty())
                target->addSeparator();
            for (const FilterDescriptor& filter : filterCatalogue())
                if (filter.category == category)
                    if (QAction* action = sources_.action(command, filter.identifier))
                        target->addAction(action);
        }
    }

    void addOpenRecent(QMenu* submenu, CommandID command)
    {
        const auto run = sources_.run;
        QObject::connect(submenu, &QMenu::aboutToShow, submenu,
                         [submenu, command, run] { fillOpenRecent(submenu, command, run); });
        fillOpenRecent(submenu, command, run);
    }

    static void fillOpenRecent(QMenu* menu, CommandID command,
                               const std::function<void(CommandID, const QString&)>& run)
    {
        menu->clear();
        const QStringList paths = RecentImagesStore::shared().paths();
        for (const QString& path : paths) {
            QAction* item = menu->addAction(QFileInfo(path).fileName());
            item->setToolTip(path);
            QObject::connect(item, &QAction::triggered, menu, [run, command, path] { run(command, path); });
        }
        if (!paths.isEmpty())
            menu->addSeparator();
        QAction* clear = menu->addAction(QStringLiteral("Clear Menu"));
        clear->setEnabled(!paths.isEmpty());
        QObject::connect(clear, &QAction::triggered, [] { RecentImagesStore::shared().clear(); });
    }

    static void fillWindowList(QMenu* menu, QMainWindow* host, const std::function<QList<DocumentWindow*>()>& windows)
    {
        for (QAction* item : menu->actions()) {
            if (item->property(kWindowListProperty).toBool()) {
                menu->removeAction(item);
                item->deleteLater();
            }
        }
        const QList<DocumentWindow*> open = windows ? windows() : QList<DocumentWindow*>();
        if (open.isEmpty())
            return;
        menu->addSeparator()->setProperty(kWindowListProperty, true);
        for (DocumentWindow* window : open) {
            QAction* item = menu->addAction(window->documentName());
            item->setProperty(kWindowListProperty, true);
            item->setCheckable(true);
            item->setChecked(window == host);
            QObject::connect(item, &QAction::triggered, window, [window] {
                window->raise();
                window->activateWindow();
            });
        }
    }

    QMainWindow* host_;
    const MainMenuSources& sources_;
    std::map<CommandMenu, QMenu*> menus_;
};

}  // namespace

void installMainMenu(QMainWindow* window, const MainMenuSources& sources)
{
    window->menuBar()->clear();
    MenuBuilder builder(window, sources);
    for (const CommandRow& row : allCommandRows())
        if (row.menu != CommandMenu::none)
            builder.add(row);
    builder.finish();
}

}  // namespace velmaris
