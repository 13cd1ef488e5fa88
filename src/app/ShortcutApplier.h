#pragma once

#include "platform/AppShortcuts.h"

#include <functional>

class QAction;

namespace velmaris {

class DocumentActions;

// Finds the action that runs a command: a document window's, or an application action. Null when
// there is none.
using ShortcutActionLookup = std::function<QAction*(CommandID command)>;

// The lookup over one document window's actions.
ShortcutActionLookup documentActionLookup(const DocumentActions& actions);

// Gives every catalogue command's action its effective shortcut as a menu key: none when it has
// none or when it is a bare key (the key filter runs those), a function key with its modifiers,
// a character key when Command, Option or Control is held; while the command keeps its default,
// its fixed alternate keys follow (Ctrl++ beside Zoom In's Ctrl+=). Commands without an action are
// skipped.
// The application calls it for each window and again on AppShortcutPreferences::didChange.
void applyEffectiveShortcuts(const ShortcutActionLookup& lookup,
                             const AppShortcutPreferences& preferences = AppShortcutPreferences::shared());

}  // namespace velmaris
