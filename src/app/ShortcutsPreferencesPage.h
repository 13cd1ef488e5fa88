#pragma once

#include "platform/AppShortcuts.h"

#include <QLabel>
#include <QWidget>

#include <map>
#include <optional>

class QPushButton;

namespace velmaris {

// The field a row shows while it records: "Press shortcut" in a rounded box. It takes the focus as
// soon as it is shown and reports the next key, Tab and keys bound to actions included.
class ShortcutCaptureField : public QLabel {
    Q_OBJECT
public:
    explicit ShortcutCaptureField(QWidget* parent = nullptr);

Q_SIGNALS:
    // Escape, Backspace, Delete or Return: the command is to have no shortcut.
    void clearRequested();
    // Any other key, with its modifier bits masked to those a shortcut keeps.
    void captured(quint16 keyCode, quint64 modifiers);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// The "Shortcuts" page of the preferences window: every catalogue command with its shortcut as a
// button that records a new one, its default, a Reset button when customised, and the reason a
// recorded key was refused.
class ShortcutsPreferencesPage : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutsPreferencesPage(AppShortcutPreferences& preferences = AppShortcutPreferences::shared(),
                                      QWidget* parent = nullptr);
    ~ShortcutsPreferencesPage() override;

    std::optional<AppShortcutID> recordingShortcutID() const { return recording_; }
    void beginRecording(AppShortcutID id);
    // Ends a recording without a key (the window closed, another page was chosen).
    void cancelRecording();

    QPushButton* resetAllButton() const { return resetAllButton_; }
    QPushButton* shortcutButton(AppShortcutID id) const { return rows_.at(id).button; }
    QPushButton* resetButton(AppShortcutID id) const { return rows_.at(id).reset; }
    QLabel* defaultHint(AppShortcutID id) const { return rows_.at(id).hint; }
    ShortcutCaptureField* captureField(AppShortcutID id) const { return rows_.at(id).capture; }
    QLabel* validationLabel() const { return validationLabel_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    struct Row {
        QPushButton* button = nullptr;
        ShortcutCaptureField* capture = nullptr;
        QLabel* hint = nullptr;
        QPushButton* reset = nullptr;
    };

    QWidget* buildGroup(const QString& category);
    void capture(AppShortcutID id, quint16 keyCode, quint64 modifiers);
    void clear(AppShortcutID id);
    void reset(AppShortcutID id);
    void endRecording();
    void setValidationMessage(const std::optional<QString>& message);
    void refresh();

    AppShortcutPreferences& preferences_;
    std::map<AppShortcutID, Row> rows_;
    std::optional<AppShortcutID> recording_;
    QPushButton* resetAllButton_ = nullptr;
    QLabel* validationLabel_ = nullptr;
};

}  // namespace velmaris
