#pragma once

#include "platform/CommandRegistry.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QWidget;

namespace velmaris {

class ImageDocument;

// Every command of a document window as a QAction, one per registry row of the window's scope
// (one per filter of the catalogue for Apply Filter), named after the row ("deleteLayer",
// "applyFilter:gaussianBlur", "alignLayers:left") and carrying its default key, so the window works
// from the keyboard and menus, toolbars and buttons share one enabled state.
class DocumentActions : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(CommandID command, const QString& argument)>;

    // Actions are added to `window` so their shortcuts work anywhere in it; `handler` performs a
    // triggered command.
    DocumentActions(ImageDocument* document, QWidget* window, Handler handler);

    // Null for a command the window does not perform; `argument` names the filter of Apply Filter.
    QAction* action(CommandID command, const QString& argument = {}) const;
    QList<QAction*> all() const;

    // Enabled and check states and titles from the document as it is now.
    void refresh();

private:
    QAction* add(CommandID command, const QString& argument, const QString& title);

    ImageDocument* document_;
    QWidget* window_;
    Handler handler_;
    std::map<std::pair<CommandID, QString>, QAction*> actions_;
};

}  // namespace velmaris
