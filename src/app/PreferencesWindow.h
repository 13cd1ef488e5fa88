#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QButtonGroup;
class QStackedWidget;

namespace velmaris {

class UpdateController;

// The preferences window: "General", "Shortcuts" and "Updates" chosen by a segmented control.
// One window at a time; closing it releases it, so the next one starts at "General".
class PreferencesWindow : public QWidget {
    Q_OBJECT
public:
    enum class Section { general, shortcuts, updates };

    // Shows the window (made on first use), in front and active. Returns it.
    static PreferencesWindow* showWindow();
    // The window while it exists.
    static PreferencesWindow* current();

    // What the application provides: the page of the "Shortcuts" section (an empty page without
    // one) and the controller the "Updates" section asks to check. Used for windows made afterwards.
    static void setShortcutsPageFactory(std::function<QWidget*()> factory);
    static void setUpdateController(UpdateController* controller);

    Section section() const;
    void selectSection(Section section);
    QAbstractButton* sectionButton(Section section) const;
    QWidget* page(Section section) const;

private:
    PreferencesWindow();

    QButtonGroup* sections_;
    QStackedWidget* pages_;
};

}  // namespace velmaris
