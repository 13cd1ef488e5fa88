#include "window/DocumentActions.h"

#include "document/CommandEnabling.h"
#include "platform/Pasteboard.h"
#include "render/FilterCatalogue.h"
#include "window/SymbolIcons.h"

#include <QAction>
#include <QWidget>

namespace velmaris {

DocumentActions::DocumentActions(ImageDocument* document, QWidget* window, Handler handler)
    : QObject(window), document_(document), window_(window), handler_(std::move(handler))
{
    for (const CommandRow& row : allCommandRows()) {
        if (row.scope == CommandScope::application)
            continue;
        if (row.argument == CommandArgument::filterIdentifier) {
            for (const FilterDescriptor& filter : filterCatalogue())
                add(row.id, filter.identifier, filter.menuTitle);
            continue;
        }
        QAction* action = add(row.id, {}, QString::fromUtf8(row.title));
        action->setShortcut(defaultKeySequence(row.id));
        action->setCheckable(row.checkable);
        if (row.toolTip)
            action->setToolTip(QString::fromUtf8(row.toolTip));
        if (row.symbol)
            action->setIcon(symbolIcon(QString::fromLatin1(row.symbol)));
    }
    refresh();
}

QAction* DocumentActions::add(CommandID command, const QString& argument, const QString& title)
{
    auto* action = new QAction(title, this);
    const QString name = QString::fromLatin1(commandRow(command).name);
    action->setObjectName(argument.isEmpty() ? name : name + QLatin1Char(':') + argument);
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, command, argument] { handler_(command, argument); });
    window_->addAction(action);
    actions_.emplace(std::pair(command, argument), action);
    return action;
}

QAction* DocumentActions::action(CommandID command, const QString& argument) const
{
    const auto found = actions_.find(std::pair(command, argument));
    return found == actions_.end() ? nullptr : found->second;
}

QList<QAction*> DocumentActions::all() const
{
    QList<QAction*> list;
    for (const auto& [key, action] : actions_)
        list.append(action);
    return list;
}

void DocumentActions::refresh()
{
    const bool offersImage = Pasteboard().offersImage();
    for (const auto& [key, action] : actions_) {
        const CommandAvailability availability = commandAvailability(document_, key.first, offersImage);
        action->setEnabled(availability.enabled);
        if (availability.checked && action->isCheckable())
            action->setChecked(*availability.checked);
        if (availability.title)
            action->setText(*availability.title);
    }
}

}  // namespace velmaris
