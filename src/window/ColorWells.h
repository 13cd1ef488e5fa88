#pragma once

#include <QPointer>
#include <QWidget>

class QFrame;
class QToolButton;

namespace velmaris {

class ColorWell;

// The current and background colours of the toolbar: two wells, each opening the colour dialog,
// and a button whose popup offers the recent colours. Follows the shared colour store.
class ColorWells : public QWidget {
    Q_OBJECT
public:
    explicit ColorWells(QWidget* parent = nullptr);

    ColorWell* currentWell() const { return current_; }
    ColorWell* backgroundWell() const { return background_; }
    QToolButton* recentButton() const { return recent_; }
    // The popup of recent colours while it is open, else null.
    QFrame* recentPopup() const { return popup_; }

private:
    void showColors();
    void openRecentPopup();

    ColorWell* current_;
    ColorWell* background_;
    QToolButton* recent_;
    QPointer<QFrame> popup_;
};

}  // namespace velmaris
