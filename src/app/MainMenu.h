#pragma once

#include <QString>

#include <functional>

class QAction;
class QMainWindow;

namespace velmaris {

// Builds the menu bar of a window from its actions: "Velmaris Images", "File", "Edit", "Select",
// "Image", "Layer", "Filter", "View", "Window" and "Help", in the program's fixed order. `action`
// finds the action of a command name (the window's own first, then the application's); items whose
// action does not exist are left out, so the same menu serves windows without a document.
void installMainMenu(QMainWindow* window, const std::function<QAction*(const QString& name)>& action);

}  // namespace velmaris
