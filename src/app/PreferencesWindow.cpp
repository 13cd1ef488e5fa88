#include "app/PreferencesWindow.h"

#include "app/GeneralPreferencesPage.h"
#include "app/UpdateController.h"
#include "app/UpdatesPreferencesPage.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace velmaris {

namespace {

QPointer<PreferencesWindow>& sharedWindow()
{
    static QPointer<PreferencesWindow> window;
    return window;
}

std::function<QWidget*()>& shortcutsPageFactory()
{
    static std::function<QWidget*()> factory;
    return factory;
}

QPointer<UpdateController>& updateController()
{
    static QPointer<UpdateController> controller;
    return controller;
}

const std::pair<PreferencesWindow::Section, const char*> kSections[] = {
    {PreferencesWindow::Section::general, "General"},
    {PreferencesWindow::Section::shortcuts, "Shortcuts"},
    {PreferencesWindow::Section::updates, "Updates"},
};

}  // namespace

PreferencesWindow* PreferencesWindow::showWindow()
{
    PreferencesWindow* window = sharedWindow();
    if (!window) {
        window = new PreferencesWindow;
        sharedWindow() = window;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window->move(screen->availableGeometry().center() - window->rect().center());
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

PreferencesWindow* PreferencesWindow::current()
{
    return sharedWindow();
}

void PreferencesWindow::setShortcutsPageFactory(std::function<QWidget*()> factory)
{
    shortcutsPageFactory() = std::move(factory);
}

void PreferencesWindow::setUpdateController(UpdateController* controller)
{
    updateController() = controller;
}

PreferencesWindow::PreferencesWindow()
    : sections_(new QButtonGroup(this)), pages_(new QStackedWidget)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Preferences"));
    resize(560, 440);

    // A segmented control: adjacent checkable buttons of which exactly one is on.
    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    segments->addStretch();
    for (const auto& [section, title] : kSections) {
        auto* button = new QPushButton(QString::fromLatin1(title));
        button->setCheckable(true);
        button->setAutoDefault(false);
        sections_->addButton(button, int(section));
        segments->addWidget(button);
    }
    segments->addStretch();
    sections_->setExclusive(true);

    // The general page is taller than the window where fonts are large.
    auto* general = new QScrollArea;
    general->setWidget(new GeneralPreferencesPage);
    general->setWidgetResizable(true);
    general->setFrameShape(QFrame::NoFrame);
    pages_->addWidget(general);
    const std::function<QWidget*()>& factory = shortcutsPageFactory();
    QWidget* shortcuts = factory ? factory() : nullptr;
    pages_->addWidget(shortcuts ? shortcuts : new QWidget);
    pages_->addWidget(new UpdatesPreferencesPage(updateController()));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(segments);
    layout->addWidget(pages_, 1);

    connect(sections_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            pages_->setCurrentIndex(id);
    });
    selectSection(Section::general);
}

PreferencesWindow::Section PreferencesWindow::section() const
{
    return Section(pages_->currentIndex());
}

void PreferencesWindow::selectSection(Section section)
{
    sections_->button(int(section))->setChecked(true);
}

QAbstractButton* PreferencesWindow::sectionButton(Section section) const
{
    return sections_->button(int(section));
}

QWidget* PreferencesWindow::page(Section section) const
{
    QWidget* page = pages_->widget(int(section));
    if (auto* scrolled = qobject_cast<QScrollArea*>(page))
        return scrolled->widget();
    return page;
}

}  // namespace velmaris
