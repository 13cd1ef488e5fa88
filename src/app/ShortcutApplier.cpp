#include "app/ShortcutApplier.h"

#include "platform/KeyCodes.h"

#include <QAction>

namespace velmaris {

void applyEffectiveShortcuts(const ShortcutActionLookup& lookup, const AppShortcutPreferences& preferences)
{
    for (const AppShortcutDefinition& definition : allShortcutDefinitions()) {
        QAction* action = lookup(definition.command, definition.representedObject.value_or(QString()));
        if (action)
            action->setShortcut(menuKeySequence(preferences.effectiveShortcut(definition.id)));
    }
}

}  // namespace velmaris
