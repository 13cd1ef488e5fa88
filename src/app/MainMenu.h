#pragma once

#include "platform/CommandRegistry.h"

#include <QList>
#include <QString>

#include <functional>

class QAction;
class QMainWindow;

namespace velmaris {

class DocumentWindow;

// What the menu bar of a window is built from besides the registry.
struct MainMenuSources {
    // The action of a command (the window's own first, then the application's); an item whose
    // action does not exist is left out. `argument` names the filter of Apply Filter.
    std::function<QAction*(CommandID command, const QString& argument)> action;
    // Runs a command whose items the menu makes itself (Open Recent's files).
    std::function<void(CommandID command, const QString& argument)> run;
    // The open document windows, listed by the Window menu.
    std::function<QList<DocumentWindow*>()> windows;
};

// Builds the menu bar of a window from the command registry: "Velmaris Images", "File", "Edit",
// "Select", "Image", "Layer", "Filter", "View", "Window" and "Help", each command in its row's
// menu in registry order, the filters from the filter catalogue, the recent files and the open
// document windows (the one of `window` checked) filled in as their menus open.
void installMainMenu(QMainWindow* window, const MainMenuSources& sources);

}  // namespace velmaris
