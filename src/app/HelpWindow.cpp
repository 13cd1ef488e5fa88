#include "app/HelpWindow.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velmaris {

QUrl HelpWindow::guideUrl()
{
    return QUrl(QStringLiteral("qrc:/help/guide.html"));
}

HelpWindow* HelpWindow::showWindow()
{
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window->move(screen->availableGeometry().center() - window->rect().center());
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser)
{
    setWindowTitle(QStringLiteral("Velmaris Images User Guide"));
    resize(760, 640);

    auto* back = new QPushButton(QStringLiteral("Back"));
    auto* forward = new QPushButton(QStringLiteral("Forward"));
    auto* contents = new QPushButton(QStringLiteral("Contents"));
    back->setEnabled(false);
    forward->setEnabled(false);
    auto* navigation = new QHBoxLayout;
    navigation->addWidget(back);
    navigation->addWidget(forward);
    navigation->addWidget(contents);
    navigation->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(navigation);
    layout->addWidget(browser_, 1);

    // The browser would open every link itself; followLink decides where each one goes.
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
    browser_->setSource(guideUrl());
}

void HelpWindow::followLink(const QUrl& link)
{
    const QString scheme = link.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        QDesktopServices::openUrl(link);
        return;
    }
    const QUrl target = browser_->source().resolved(link);
    if (target.scheme() == QLatin1String("qrc"))
        browser_->setSource(target);
}

}  // namespace velmaris
