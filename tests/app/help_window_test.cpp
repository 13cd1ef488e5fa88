#include "app/HelpWindow.h"

#include "app/BrowserStandIn.h"
#include "document/TestDocuments.h"
#include "render/FilterCatalogue.h"
#include "window/DocumentActions.h"
#include "QtWait.h"

#include <QAction>
#include <QDesktopServices>
#include <QTextBrowser>
#include <QWidget>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

TEST(HelpWindow, ShowsTheGuideAndSendsWebLinksToTheBrowser)
{
    HelpWindow* window = HelpWindow::showWindow();
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(HelpWindow::showWindow(), window) << "one window, kept";
    QTextBrowser* browser = window->browser();
    EXPECT_EQ(browser->source(), HelpWindow::guideUrl());
    EXPECT_EQ(browser->documentTitle(), "Velmaris Images User Guide");
    const QString text = browser->toPlainText();
    for (const char* topic : {"Move Tool", "Free transform", "Layer Effects…", "Velmaris Image", "--export",
                              "Software updates", "Undo history depth"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(topic), Qt::CaseInsensitive)) << topic;
    }

    test::BrowserStandIn desktop;
    Q_EMIT browser->anchorClicked(QUrl("https://velmaris.app/images"));
    Q_EMIT browser->anchorClicked(QUrl("mailto:someone@example.org"));  // not a web page: ignored
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened.first(), QUrl("https://velmaris.app/images"));
    EXPECT_EQ(browser->source(), HelpWindow::guideUrl()) << "the guide stays where it was";

    // A link inside the guide moves within it.
    Q_EMIT browser->anchorClicked(QUrl("#commandline"));
    EXPECT_EQ(browser->source().fragment(), "commandline");
    EXPECT_TRUE(browser->isBackwardAvailable());
    browser->backward();
    EXPECT_TRUE(browser->source().fragment().isEmpty());
    window->close();
}

// The guide lists each command with its title and default shortcut as the window has them, and
// every filter.
TEST(HelpWindow, GuideListsEveryShortcutOfTheDocumentWindow)
{
    const std::unique_ptr<ImageDocument> document = test::documentWith({test::solidLayer("A")});
    QWidget host;
    DocumentActions actions(document.get(), &host, [](CommandID, const QString&) {});
    HelpWindow window;
    const QString text = window.browser()->toPlainText();
    int checked = 0;
    for (QAction* action : actions.all()) {
        const QString name = action->objectName();
        // The tools' keys come from the shortcut catalogue (single letters), not these defaults.
        if (action->shortcut().isEmpty() || name.endsWith(QLatin1String("Tool")))
            continue;
        const QString row = action->text() + QLatin1Char('\n') + action->shortcut().toString(QKeySequence::PortableText);
        EXPECT_TRUE(text.contains(row)) << row.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 20);
    for (const FilterDescriptor& filter : filterCatalogue())
        EXPECT_TRUE(text.contains(filter.menuTitle)) << filter.menuTitle.toStdString();
}

}  // namespace
}  // namespace velmaris

