#include "app/ShortcutApplier.h"

#include "platform/KeyCodes.h"
#include "window/DocumentActions.h"

#include <QAction>

namespace velmaris {

ShortcutActionLookup documentActionLookup(const DocumentActions& actions)
{
    return [&actions](const QString& command, const QString& argument) {
        return actions.action(argument.isEmpty() ? command : command + QLatin1Char(':') + argument);
    };
}

void applyEffectiveShortcuts(const ShortcutActionLookup& lookup, const AppShortcutPreferences& preferences)
{
    for (const AppShortcutDefinition& definition : allShortcutDefinitions()) {
        QAction* action = lookup(definition.command, definition.representedObject.value_or(QString()));
        if (action)
            action->setShortcut(menuKeySequence(preferences.effectiveShortcut(definition.id)));
    }
}

}  // namespace velmaris
