#include "app/GeneralPreferencesPage.h"
#include "app/PreferencesWindow.h"
#include "app/UpdateController.h"
#include "app/UpdatesPreferencesPage.h"

#include "QtWait.h"
#include "document/TestDocuments.h"
#include "window/DocumentWindow.h"
#include "window/Sidebar.h"
#include "platform/Preferences.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

QVariant stored(const char* name)
{
    return QSettings().value(Preferences::key(QString::fromLatin1(name)));
}

// On its box: the widget may be wider than its box and text.
void clickCheckBox(QCheckBox* checkBox)
{
    QTest::mouseClick(checkBox, Qt::LeftButton, {}, QPoint(8, checkBox->height() / 2));
}

// The window of this test, closed (and so released) when the test ends.
struct OpenWindow {
    OpenWindow() : window(PreferencesWindow::showWindow()) {}
    ~OpenWindow()
    {
        if (PreferencesWindow* open = PreferencesWindow::current()) {
            open->close();
            test::waitUntil([] { return PreferencesWindow::current() == nullptr; });
        }
    }
    GeneralPreferencesPage* general() const
    {
        return qobject_cast<GeneralPreferencesPage*>(window->page(PreferencesWindow::Section::general));
    }
    PreferencesWindow* window;
};

TEST(PreferencesWindow, AFreshInstallationShowsTheDefaults)
{
    for (const bool registered : {false, true}) {
        SCOPED_TRACE(registered ? "defaults registered" : "no defaults registered");
        if (registered)
            Preferences::registerDefaults();
        const OpenWindow open;
        ASSERT_TRUE(open.window->isVisible());
        EXPECT_EQ(open.window->windowTitle(), "Preferences");
        EXPECT_EQ(open.window->size(), QSize(560, 440));
        EXPECT_EQ(open.window->section(), PreferencesWindow::Section::general);

        const GeneralPreferencesPage* page = open.general();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->widthField()->text(), "1024");
        EXPECT_EQ(page->heightField()->text(), "768");
        EXPECT_EQ(page->backgroundPopUp()->currentText(), "White");
        // Shown even where no such family is installed.
        EXPECT_EQ(page->fontPopUp()->currentText(), "Helvetica");
        EXPECT_EQ(page->fontSizeField()->text(), "48");
        EXPECT_FALSE(page->checkerboardCheckBox()->isChecked());
        // The depth shows once, in the stepper; the label names it.
        EXPECT_EQ(page->historyStepper()->text(), "50");
        EXPECT_EQ(page->historyLabel()->text(), "Undo history depth:");
        EXPECT_EQ(page->panelPositionPopUp()->currentText(), "Right");
        // Showing the defaults stores nothing.
        EXPECT_TRUE(QSettings().allKeys().isEmpty()) << QSettings().allKeys().join(", ").toStdString();
    }
}

TEST(PreferencesWindow, EachControlWritesItsKeyAtOnce)
{
    const OpenWindow open;
    GeneralPreferencesPage* page = open.general();
    ASSERT_NE(page, nullptr);
    QSignalSpy announced(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange);

    page->widthField()->selectAll();
    QTest::keyClicks(page->widthField(), "-20");  // any integer is kept; readers replace it
    EXPECT_EQ(stored(PreferenceName::defaultCanvasWidth), -20);
    page->heightField()->selectAll();
    QTest::keyClicks(page->heightField(), "600x");  // the letter is refused
    EXPECT_EQ(stored(PreferenceName::defaultCanvasHeight), 600);
    EXPECT_EQ(page->heightField()->text(), "600");
    page->heightField()->selectAll();
    QTest::keyClick(page->heightField(), Qt::Key_Backspace);  // nothing to store
    QFocusEvent leaving(QEvent::FocusOut);
    QApplication::sendEvent(page->heightField(), &leaving);
    EXPECT_EQ(page->heightField()->text(), "600") << "leaving the field shows the stored value again";

    page->backgroundPopUp()->setCurrentIndex(2);
    EXPECT_EQ(stored(PreferenceName::defaultCanvasBackground), 2);
    page->backgroundPopUp()->setCurrentIndex(0);
    EXPECT_EQ(stored(PreferenceName::defaultCanvasBackground), 0);

    const QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    page->fontPopUp()->setCurrentIndex(page->fontPopUp()->findText(families.last()));
    EXPECT_EQ(stored(PreferenceName::defaultTextFontName), families.last());
    page->fontSizeField()->selectAll();
    QTest::keyClicks(page->fontSizeField(), "36.5");
    EXPECT_EQ(stored(PreferenceName::defaultTextFontSize).toDouble(), 36.5);

    clickCheckBox(page->checkerboardCheckBox());
    EXPECT_EQ(stored(PreferenceName::checkerboardHidden), true);

    page->panelPositionPopUp()->setCurrentIndex(page->panelPositionPopUp()->findText("Left"));
    EXPECT_EQ(stored(PreferenceName::sidebarOnLeft), true);
    EXPECT_TRUE(announced.contains(QVariantList{QString::fromLatin1(PreferenceName::sidebarOnLeft)}));

    page->historyStepper()->stepUp();
    EXPECT_EQ(stored(PreferenceName::historyLimit), 60);
    EXPECT_EQ(page->historyStepper()->text(), "60");
    page->historyStepper()->setValue(1000);
    EXPECT_EQ(stored(PreferenceName::historyLimit), 500);

    // Changed elsewhere (the View menu's checkerboard toggle), shown here at once.
    Preferences().setValue(PreferenceName::checkerboardHidden, false);
    EXPECT_FALSE(page->checkerboardCheckBox()->isChecked());
}

TEST(PreferencesWindow, PanelPositionMovesTheSidebarOfEveryOpenWindow)
{
    auto first = test::documentWith({test::solidLayer("A")});
    auto second = test::documentWith({test::solidLayer("B")});
    QPointer<DocumentWindow> windows[] = {new DocumentWindow(first.get()), new DocumentWindow(second.get())};
    {
        const OpenWindow open;
        QComboBox* position = open.general()->panelPositionPopUp();
        position->setCurrentIndex(position->findText("Left"));
        for (DocumentWindow* window : windows)
            EXPECT_EQ(window->splitter()->indexOf(window->sidebar()), 0);
        position->setCurrentIndex(position->findText("Right"));
        for (DocumentWindow* window : windows)
            EXPECT_EQ(window->splitter()->indexOf(window->sidebar()), 1);
    }
    for (DocumentWindow* window : windows)
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!windows[0] && !windows[1]);
}

TEST(PreferencesWindow, ShowsStoredValuesWithoutRewritingThem)
{
    Preferences preferences;
    preferences.setValue(PreferenceName::defaultCanvasBackground, 7);  // read as white
    preferences.setValue(PreferenceName::historyLimit, 3);              // below the stepper
    preferences.setValue(PreferenceName::defaultTextFontName, "No Such Family");
    preferences.setValue(PreferenceName::sidebarOnLeft, true);
    const OpenWindow open;
    const GeneralPreferencesPage* page = open.general();
    EXPECT_EQ(page->backgroundPopUp()->currentText(), "White");
    EXPECT_EQ(page->fontPopUp()->currentText(), "No Such Family");
    EXPECT_EQ(page->historyStepper()->text(), "3");
    EXPECT_EQ(page->panelPositionPopUp()->currentText(), "Left");
    EXPECT_EQ(stored(PreferenceName::defaultCanvasBackground), 7);
    EXPECT_EQ(stored(PreferenceName::historyLimit), 3);
}

TEST(PreferencesWindow, SectionsSwitchAndReopeningStartsAtGeneral)
{
    int made = 0;
    PreferencesWindow::setShortcutsPageFactory([&made] {
        ++made;
        auto* page = new QLabel("shortcut editor");
        page->setObjectName("shortcutsPage");
        return page;
    });
    {
        OpenWindow open;
        EXPECT_EQ(PreferencesWindow::showWindow(), open.window) << "one window at a time";
        QTest::mouseClick(open.window->sectionButton(PreferencesWindow::Section::shortcuts), Qt::LeftButton);
        EXPECT_EQ(open.window->section(), PreferencesWindow::Section::shortcuts);
        EXPECT_EQ(open.window->page(PreferencesWindow::Section::shortcuts)->objectName(), "shortcutsPage");
        QTest::mouseClick(open.window->sectionButton(PreferencesWindow::Section::updates), Qt::LeftButton);
        EXPECT_EQ(open.window->section(), PreferencesWindow::Section::updates);
        EXPECT_FALSE(open.window->sectionButton(PreferencesWindow::Section::shortcuts)->isChecked());
        // A second click on the chosen segment keeps it chosen.
        QTest::mouseClick(open.window->sectionButton(PreferencesWindow::Section::updates), Qt::LeftButton);
        EXPECT_TRUE(open.window->sectionButton(PreferencesWindow::Section::updates)->isChecked());
    }
    EXPECT_EQ(PreferencesWindow::current(), nullptr) << "closing releases the window";
    PreferencesWindow::setShortcutsPageFactory({});
    {
        const OpenWindow open;
        EXPECT_EQ(open.window->section(), PreferencesWindow::Section::general);
        EXPECT_EQ(made, 1);
        EXPECT_NE(open.window->page(PreferencesWindow::Section::shortcuts), nullptr) << "an empty page";
    }
}

TEST(PreferencesWindow, UpdatesSectionSetsTheFlagAndChecksThroughTheController)
{
    UpdateController controller;
    controller.setPresentsResults(false);
    QTemporaryDir folder;
    Preferences().setValue(PreferenceName::updateFeedURL,
                           QUrl::fromLocalFile(folder.filePath("missing.json")).toString());
    PreferencesWindow::setUpdateController(&controller);
    const OpenWindow open;
    PreferencesWindow::setUpdateController(nullptr);
    auto* page = qobject_cast<UpdatesPreferencesPage*>(open.window->page(PreferencesWindow::Section::updates));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->automaticCheckBox()->text(), "Automatically check for updates");
    EXPECT_FALSE(page->automaticCheckBox()->isChecked()) << "off until the user agrees";
    EXPECT_TRUE(page->versionLabel()->text().contains(UpdateController::currentVersion()));
    EXPECT_TRUE(page->versionLabel()->text().contains("Velmaris Images"));

    open.window->selectSection(PreferencesWindow::Section::updates);
    clickCheckBox(page->automaticCheckBox());
    EXPECT_EQ(stored(PreferenceName::automaticallyChecksForUpdates), true);
    EXPECT_TRUE(UpdateController::automaticallyChecksForUpdates());
    clickCheckBox(page->automaticCheckBox());
    EXPECT_EQ(stored(PreferenceName::automaticallyChecksForUpdates), false);

    std::optional<bool> requestedByUser;
    QObject::connect(&controller, &UpdateController::checkFinished, &controller,
                     [&](const UpdateCheckResult&, bool byUser) { requestedByUser = byUser; });
    QTest::mouseClick(page->checkNowButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return requestedByUser.has_value(); }));
    EXPECT_TRUE(*requestedByUser);
}

}  // namespace
}  // namespace velmaris
