#include "app/UpdatesPreferencesPage.h"

#include "app/UpdateController.h"
#include "platform/Preferences.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace velmaris {

UpdatesPreferencesPage::UpdatesPreferencesPage(UpdateController* controller, QWidget* parent)
    : QWidget(parent)
    , controller_(controller)
    , automaticCheckBox_(new QCheckBox(QStringLiteral("Automatically check for updates")))
    , checkNowButton_(new QPushButton(QStringLiteral("Check for Updates Now")))
    , versionLabel_(new QLabel(QStringLiteral("%1 version %2").arg(UpdateController::applicationName(),
                                                                      UpdateController::currentVersion())))
{
    auto* header = new QLabel(QStringLiteral("Software Updates"));
    QFont headerFont = header->font();
    headerFont.setBold(true);
    headerFont.setPointSizeF(headerFont.pointSizeF() * 1.2);
    header->setFont(headerFont);
    versionLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    versionLabel_->setForegroundRole(QPalette::PlaceholderText);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(automaticCheckBox_);
    layout->addWidget(checkNowButton_, 0, Qt::AlignLeft);
    layout->addStretch();
    layout->addWidget(versionLabel_);

    automaticCheckBox_->setChecked(UpdateController::automaticallyChecksForUpdates());
    connect(automaticCheckBox_, &QCheckBox::toggled, this,
            [](bool checks) { UpdateController::setAutomaticallyChecksForUpdates(checks); });
    connect(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange, this, [this](const QString& name) {
        if (name != QLatin1String(PreferenceName::automaticallyChecksForUpdates))
            return;
        const QSignalBlocker blocker(automaticCheckBox_);
        automaticCheckBox_->setChecked(UpdateController::automaticallyChecksForUpdates());
    });

    checkNowButton_->setEnabled(controller_ != nullptr);
    connect(checkNowButton_, &QPushButton::clicked, this, [this] {
        if (controller_)
            controller_->checkNow();
    });
}

}  // namespace velmaris
