#pragma once

#include "platform/AppShortcuts.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace velmaris {

// The "Keyboard Shortcuts" window of the Help menu: every catalogue command with its effective
// shortcut, by category, following changes. Closing it deletes the window; the next show builds a
// fresh one, centred again.
class ShortcutCheatSheet : public QObject {
    Q_OBJECT
public:
    explicit ShortcutCheatSheet(AppShortcutPreferences& preferences = AppShortcutPreferences::shared(),
                                QObject* parent = nullptr);
    ~ShortcutCheatSheet() override;

    // Creates the window when there is none, then brings it to front and activates it.
    void show();
    // The window while it exists.
    QWidget* window() const { return window_; }

private:
    AppShortcutPreferences& preferences_;
    QPointer<QWidget> window_;
};

// The text a cheat-sheet row shows for a command: the display string, or an em dash when none.
QString cheatSheetShortcutText(const std::optional<AppShortcut>& shortcut);

}  // namespace velmaris
