#pragma once

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace velmaris {

class UpdateController;

// The "Updates" section: the automatic check and a check on request, through `controller`
// (the button is disabled without one).
class UpdatesPreferencesPage : public QWidget {
    Q_OBJECT
public:
    explicit UpdatesPreferencesPage(UpdateController* controller, QWidget* parent = nullptr);

    QCheckBox* automaticCheckBox() const { return automaticCheckBox_; }
    QPushButton* checkNowButton() const { return checkNowButton_; }
    QLabel* versionLabel() const { return versionLabel_; }

private:
    QPointer<UpdateController> controller_;
    QCheckBox* automaticCheckBox_;
    QPushButton* checkNowButton_;
    QLabel* versionLabel_;
};

}  // namespace velmaris
