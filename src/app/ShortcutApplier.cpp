#include "app/ShortcutApplier.h"

#include "platform/KeyCodes.h"
#include "window/DocumentActions.h"

#include <QAction>

namespace velmaris {

ShortcutActionLookup documentActionLookup(const DocumentActions& actions)
{
    return [&actions](CommandID command) { return actions.action(command); };
}

void applyEffectiveShortcuts(const ShortcutActionLookup& lookup, const AppShortcutPreferences& preferences)
{
    for (const AppShortcutDefinition& definition : allShortcutDefinitions()) {
        if (QAction* action = lookup(definition.command)) {
            QList<QKeySequence> keys{menuKeySequence(preferences.effectiveShortcut(definition.id))};
            // A user who rebinds or disables the command takes its alternates away with the default.
            if (!preferences.isCustomized(definition.id))
                keys += fixedAlternateKeySequences(definition.command);
            keys.removeAll(QKeySequence());
            action->setShortcuts(keys);
        }
    }
}

}  // namespace velmaris
