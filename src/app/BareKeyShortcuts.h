#pragma once

#include "platform/AppShortcuts.h"
#include "platform/RapidKeystrokeGate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class QKeyEvent;
class QWidget;

namespace velmaris {

// Runs the single-key shortcuts (V, M, T …) that menus cannot carry, as an event filter on the
// application: a matching key outside text input runs its command 0.1 s later on the active
// document window, unless a second typing key comes first (RapidKeystrokeGate), so typing fast
// anywhere in the window never switches tools.
class BareKeyShortcuts : public QObject {
    Q_OBJECT
public:
    using ApplicationCommandHandler = std::function<void(CommandID command)>;

    explicit BareKeyShortcuts(AppShortcutPreferences& preferences = AppShortcutPreferences::shared(),
                              QObject* parent = nullptr);

    // Commands no document window runs (importFromPhotos, newFromClipboard …) go here.
    void setApplicationCommandHandler(ApplicationCommandHandler handler) { applicationHandler_ = std::move(handler); }

    bool hasPendingShortcut() const { return pending_.has_value(); }

    // Whether a key press for `focus` is meant as text: line and text edits, spin boxes, editable
    // combo boxes, and the canvas while its in-place text editor has the focus.
    static bool goesToTextInput(const QWidget* focus);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKeyPress(QKeyEvent& event);
    double timestampSeconds(const QKeyEvent& event) const;
    void runPending();

    AppShortcutPreferences& preferences_;
    RapidKeystrokeGate gate_;
    QTimer delay_;
    std::optional<AppShortcutDefinition> pending_;
    ApplicationCommandHandler applicationHandler_;
    QElapsedTimer clock_;
};

}  // namespace velmaris
