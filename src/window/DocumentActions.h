#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QWidget;

namespace velmaris {

class ImageDocument;

// Every command of a document window as a QAction, named after the command ("deleteLayer",
// "freeTransform", …) and carrying its default shortcut, so the window works from the keyboard
// and menus, toolbars and buttons share one enabled state. Filters are "applyFilter:<identifier>",
// alignments "alignLayers:<raw value>".
class DocumentActions : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& command, const QString& argument)>;

    // Actions are added to `window` so their shortcuts work anywhere in it; `handler` performs a
    // triggered command.
    DocumentActions(ImageDocument* document, QWidget* window, Handler handler);

    // Null for an unknown name.
    QAction* action(const QString& name) const { return actions_.value(name); }
    QList<QAction*> all() const { return actions_.values(); }

    // Enabled and check states and titles from the document as it is now.
    void refresh();

private:
    QAction* add(const QString& name, const QString& title, const QKeySequence& shortcut = {});

    ImageDocument* document_;
    QWidget* window_;
    Handler handler_;
    QHash<QString, QAction*> actions_;
};

// The command an action runs: its name up to a ':', and the argument after it.
std::pair<QString, QString> splitCommandName(const QString& name);

}  // namespace velmaris
