#include "app/Application.h"

#include "QtWait.h"
#include "app/NewImageDialog.h"
#include "app/PreferencesWindow.h"
#include "canvas/CanvasView.h"
#include "app/WelcomeWindow.h"
#include "document/LayerStackOperations.h"
#include "document/TestDocuments.h"
#include "platform/RecentImagesStore.h"
#include "render/FilterCatalogue.h"
#include "window/DocumentActions.h"
#include "window/DocumentWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QLockFile>
#include <QScopeGuard>
#include <QThreadPool>
#include <QUuid>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmaris {
namespace {

// A PNG on disk the tests can open.
QString writeImage(const QTemporaryDir& folder, const QString& name)
{
    const QString path = folder.filePath(name);
    auto source = test::documentWith({test::solidLayer("A", 6, 4)}, {6, 4});
    EXPECT_FALSE(source->saveToFile(path, QStringLiteral("public.png"), SaveOperation::saveTo));
    return path;
}

// Clicks `title` in the next application-modal message box, whenever it opens (a timer, so it
// also fires inside the box's own event loop).
void answerNextModalBox(const QString& title)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, title] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons())
            if (button->text() == title)
                button->click();
        poll->deleteLater();
    });
    poll->start(10);
}

bool answerCloseQuestion(DocumentWindow& window, const QString& title)
{
    QMessageBox* box = nullptr;
    if (!test::waitUntil([&] { return (box = window.findChild<QMessageBox*>("CloseQuestion")) && box->isVisible(); }))
        return false;
    for (QAbstractButton* button : box->buttons())
        if (button->text() == title) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    return false;
}

// Answers the application-modal message boxes as they open, clicking `buttons` in turn, and
// records each box as "window title | text". A box without the expected button is rejected, so an
// unexpected question is recorded instead of hanging the test.
class ModalAnswers {
public:
    explicit ModalAnswers(QStringList buttons) : pending_(std::move(buttons))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == last_)
                return;
            last_ = box;
            seen_.append(box->windowTitle() + " | " + box->text());
            for (QAbstractButton* button : box->buttons()) {
                if (!pending_.isEmpty() && button->text() == pending_.front()) {
                    pending_.pop_front();
                    button->click();
                    return;
                }
            }
            box->reject();
        });
        poll_.start(10);
    }
    const QStringList& seen() const { return seen_; }

private:
    QStringList pending_;
    QStringList seen_;
    QPointer<QMessageBox> last_;
    QTimer poll_;
};

// An autosave left in `folder` (as a crashed session leaves it) for a file at `originalPath`.
QString leaveAutosave(const QString& folder, const QByteArray& bytes, const QString& originalPath)
{
    EXPECT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/" + QUuid::createUuid().toString(QUuid::WithoutBraces) + ".velmaris";
    QFile autosave(path);
    EXPECT_TRUE(autosave.open(QIODevice::WriteOnly));
    autosave.write(bytes);
    QFile sidecar(path + ".json");
    EXPECT_TRUE(sidecar.open(QIODevice::WriteOnly));
    sidecar.write(QJsonDocument(QJsonObject{{"path", originalPath}, {"type", "public.png"}}).toJson());
    return path;
}

TEST(Application, WelcomeWindowComesAndGoesWithTheDocumentWindows)
{
    QTemporaryDir folder;
    const QString image = writeImage(folder, "one.png");
    Application application(folder.filePath("autosave"));
    application.launch({});
    ASSERT_NE(application.welcomeWindow(), nullptr);
    EXPECT_TRUE(application.welcomeWindow()->isVisible());
    EXPECT_TRUE(application.documentWindows().isEmpty());

    // The file is read on a worker: the welcome window stays until the document window opens.
    application.setOpenChooser([&](QWidget*) { return QStringList{image}; });
    QTest::mouseClick(application.welcomeWindow()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return application.documentWindows().size() == 1; }));
    EXPECT_FALSE(application.welcomeWindow()->isVisible());
    // Opening the same file again brings its window forward instead of a second one; so does
    // asking twice while the file is still being read.
    application.openFile(image);
    const QString other = writeImage(folder, "two.png");
    application.openFile(other);
    application.openFile(other);
    EXPECT_TRUE(test::waitUntil([&] { return !application.documents().isOpeningDocuments(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(application.documentWindows().size(), 2);
    application.documentWindows().last()->close();
    ASSERT_TRUE(test::waitUntil([&] { return application.documentWindows().size() == 1; }));

    // File › Open Recent opens the file again.
    DocumentWindow* remaining = application.documentWindows().first();
    QMenu* recent = nullptr;
    for (QAction* menu : remaining->menuBar()->actions())
        if (menu->text() == "File")
            for (QAction* item : menu->menu()->actions())
                if (item->text() == "Open Recent")
                    recent = item->menu();
    ASSERT_NE(recent, nullptr);
    Q_EMIT recent->aboutToShow();
    QAction* reopen = nullptr;
    for (QAction* item : recent->actions())
        if (item->text() == "two.png")
            reopen = item;
    ASSERT_NE(reopen, nullptr);
    reopen->trigger();
    ASSERT_TRUE(test::waitUntil([&] { return application.documentWindows().size() == 2; }));
    EXPECT_EQ(application.documentWindows().last()->document()->filePath(), other);
    application.documentWindows().last()->close();

    application.documentWindows().first()->close();
    EXPECT_TRUE(test::waitUntil([&] { return application.welcomeWindow()->isVisible(); }));
    EXPECT_TRUE(application.documents().documents().empty());
}

TEST(Application, UnreadableFilesOpenNothingAndNewImageChecksItsFields)
{
    QTemporaryDir folder;
    Application application(folder.filePath("autosave"));
    QSignalSpy failed(&application, &Application::openFailed);
    answerNextModalBox("OK");
    application.openFile(folder.filePath("missing.png"));
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }));
    EXPECT_TRUE(application.documents().documents().empty());
    EXPECT_TRUE(application.welcomeWindow() && application.welcomeWindow()->isVisible());

    // A native document whose pixels fail after its window opened: reported, and the window goes.
    const QString ruined = folder.filePath("ruined.velmaris");
    test::writeNativeFileWithRuinedPixels(ruined);
    {
        ModalAnswers answers({"OK"});
        application.openFile(ruined);
        ASSERT_TRUE(test::waitUntil([&] { return answers.seen().size() == 1; }));
        EXPECT_EQ(answers.seen()[0], "ruined.velmaris | The image could not be read.");
        EXPECT_TRUE(test::waitUntil([&] { return application.documentWindows().isEmpty(); }));
        EXPECT_TRUE(application.documents().documents().empty());
    }

    int created = 0;
    QSize size;
    NewImageDialog dialog([&](std::unique_ptr<ImageDocument> document) {
        ++created;
        size = document->state().size.toSize();
    });
    EXPECT_EQ(dialog.widthField()->text(), "1024");
    EXPECT_EQ(dialog.heightField()->text(), "768");
    EXPECT_EQ(dialog.backgroundPopUp()->currentText(), "White");
    dialog.show();
    // Out of range or not a number: the dialog stays open and names the range.
    for (const char* width : {"30001", "abc", "0", "nan"}) {
        dialog.widthField()->setText(width);
        QTest::mouseClick(dialog.button("Create"), Qt::LeftButton);
        EXPECT_EQ(created, 0) << width;
        EXPECT_TRUE(dialog.isVisible()) << width;
        EXPECT_EQ(dialog.informativeText(), "The width and height must be numbers from 1 to 30000 pixels.");
    }
    dialog.widthField()->setText("640.4");
    QTest::mouseClick(dialog.button("Create"), Qt::LeftButton);
    EXPECT_EQ(created, 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(size, QSize(640, 768));
}

TEST(Application, QuitAsksAboutEditedDocumentsAndCancelKeepsEverything)
{
    QTemporaryDir folder;
    Application application(folder.filePath("autosave"));
    QSignalSpy finished(&application, &Application::quitFinished);
    ImageDocument* clean = application.documents().addDocument(test::documentWith({test::solidLayer("A")}));
    ImageDocument* edited = application.documents().addDocument(test::documentWith({test::solidLayer("B")}));
    application.showDocument(clean);
    DocumentWindow* editedWindow = application.showDocument(edited);
    addLayer(*edited);

    application.quit();
    ASSERT_TRUE(answerCloseQuestion(*editedWindow, "Cancel"));
    EXPECT_FALSE(application.isTerminating());
    EXPECT_EQ(finished.count(), 0);
    ASSERT_EQ(application.documentWindows().size(), 1);
    EXPECT_EQ(application.documentWindows().first(), editedWindow);

    // Closing the last window afterwards shows the welcome window again, as no quit is running.
    editedWindow->close();
    ASSERT_TRUE(answerCloseQuestion(*editedWindow, "Don't Save"));
    EXPECT_TRUE(test::waitUntil([&] { return application.welcomeWindow() && application.welcomeWindow()->isVisible(); }));

    ImageDocument* another = application.documents().addDocument(test::documentWith({test::solidLayer("C")}));
    DocumentWindow* anotherWindow = application.showDocument(another);
    addLayer(*another);
    application.quit();
    ASSERT_TRUE(answerCloseQuestion(*anotherWindow, "Don't Save"));
    EXPECT_TRUE(test::waitUntil([&] { return finished.count() == 1; }));
    EXPECT_TRUE(application.documentWindows().isEmpty());
}

TEST(Application, MenuBarFollowsTheTable)
{
    QTemporaryDir folder;
    Application application(folder.filePath("autosave"));
    ImageDocument* document = application.documents().addDocument(test::documentWith({test::solidLayer("A")}));
    DocumentWindow* window = application.showDocument(document);

    struct Expected {
        const char* menu;
        QStringList items;  // "title|key", "-" for a separator
    };
    const std::vector<Expected> table = {
        {"Velmaris Images", {"About Velmaris Images|", "Check for Updates…|", "-", "Preferences…|Ctrl+,", "-",
                             "Quit Velmaris Images|Ctrl+Q"}},
        {"File", {"New…|Ctrl+N", "New from Clipboard|Ctrl+Alt+N", "Open…|Ctrl+O", "Open Recent|",
                  "Import from Photos…|Ctrl+Shift+I", "-", "Close|Ctrl+W", "Save|Ctrl+S", "Save As…|Ctrl+Shift+S",
                  "-", "Export As…|Ctrl+Alt+E", "Revert to Saved|", "-", "Print…|Ctrl+P"}},
        {"Edit", {"Undo|Ctrl+Z", "Redo|Ctrl+Shift+Z", "-", "Cut|Ctrl+X", "Copy|Ctrl+C", "Paste|Ctrl+V", "-",
                  "Fill Selection|", "Stroke Selection…|", "-", "Swap Colors|", "Reset Colors|"}},
        {"Select", {"All|Ctrl+A", "Deselect|Ctrl+D", "-", "Rectangular Marquee|", "Elliptical Marquee|",
                    "Invert Selection|", "-", "Fixed Size…|", "By Aspect Ratio…|"}},
        {"Image", {"Image Size…|Ctrl+Alt+I", "Canvas Size…|Ctrl+Alt+C", "Crop to Selection|Ctrl+Shift+K", "Trim|", "-",
                   "Flip Horizontal|",
                   "Flip Vertical|", "Rotate 90° Clockwise|", "Rotate 90° Counterclockwise|", "-", "Adjustments|"}},
        {"Layer", {"New Layer|Ctrl+Shift+N", "New Text Layer|Ctrl+Alt+Shift+T", "Edit Text Layer…|", "-",
                   "Duplicate Layer|Ctrl+J", "Free Transform|Ctrl+T", "Flip Layer Horizontal|",
                   "Flip Layer Vertical|", "Layer Effects…|", "Lock Layer|", "Delete Layer|", "-",
                   "Group Layers|Ctrl+G", "Ungroup Layers|Ctrl+Shift+G", "Merge Layers|Ctrl+E", "Flatten Image|",
                   "-", "Align|"}},
        {"View", {"Move Tool|", "Select Tool|", "Text Tool|", "Color Picker Tool|", "Brush Tool|", "Eraser Tool|",
                  "Fill Tool|", "Gradient Tool|", "-", "Zoom In|Ctrl+=", "Zoom Out|Ctrl+-", "Actual Size|Ctrl+0",
                  "Zoom to Fit|Ctrl+9", "-",
                  "Toggle Transparency Checkerboard|", "Show/Hide Panels|Ctrl+Alt+0"}},
        {"Window", {"Minimize|Ctrl+M", "Zoom|", "-", "Bring All to Front|", "-", "Untitled|"}},
        {"Help", {"Velmaris Images User Guide|Ctrl+?", "Keyboard Shortcuts|", "Website|"}},
    };
    const QList<QAction*> menus = window->menuBar()->actions();
    QStringList menuTitles;
    for (QAction* menu : menus)
        menuTitles.append(menu->text());
    EXPECT_EQ(menuTitles.join(", ").toStdString(), "Velmaris Images, File, Edit, Select, Image, Layer, Filter, View, "
                                                    "Window, Help");
    for (const Expected& expected : table) {
        SCOPED_TRACE(expected.menu);
        const auto menu = std::find_if(menus.begin(), menus.end(), [&](QAction* a) { return a->text() == expected.menu; });
        ASSERT_NE(menu, menus.end());
        QStringList items;
        for (QAction* item : (*menu)->menu()->actions())
            items.append(item->isSeparator() ? QStringLiteral("-")
                                             : item->text() + "|" + item->shortcut().toString(QKeySequence::PortableText));
        EXPECT_EQ(items.join(", ").toStdString(), expected.items.join(", ").toStdString());
    }

    // The Filter menu: three groups of the catalogue, each item enabled only with a layer selected.
    const auto filterMenu = std::find_if(menus.begin(), menus.end(), [](QAction* a) { return a->text() == "Filter"; });
    const QList<QAction*> filters = (*filterMenu)->menu()->actions();
    EXPECT_EQ(std::count_if(filters.begin(), filters.end(), [](QAction* a) { return a->isSeparator(); }), 2);
    EXPECT_TRUE(std::any_of(filters.begin(), filters.end(), [](QAction* a) { return a->text() == "Gaussian Blur…"; }));
    window->actions()->action(CommandID::applyFilter, "gaussianBlur")->trigger();
    document->jumpToHistory(0);
}

// Every item of a menu, the ones of menus filled as they open included.
QList<QAction*> menuItems(QMainWindow& window)
{
    QList<QAction*> items;
    const std::function<void(QMenu*)> collect = [&](QMenu* menu) {
        Q_EMIT menu->aboutToShow();
        for (QAction* item : menu->actions()) {
            items.append(item);
            if (item->menu())
                collect(item->menu());
        }
    };
    for (QAction* menu : window.menuBar()->actions())
        collect(menu->menu());
    return items;
}

QAction* itemTitled(const QList<QAction*>& items, const QString& title)
{
    const auto found = std::find_if(items.begin(), items.end(), [&](QAction* item) { return item->text() == title; });
    return found == items.end() ? nullptr : *found;
}

// Each registry row is performed by the scope it names and shows in its menu with its title and
// key; the filters and recent files show once each.
TEST(Application, RegistryRowsShowInTheirMenusAndRun)
{
    QTemporaryDir folder;
    const QString recent = writeImage(folder, "recent.png");
    RecentImagesStore::shared().add(recent);
    Application application(folder.filePath("autosave"));
    ImageDocument* document = application.documents().addDocument(test::documentWith({test::solidLayer("A")}));
    DocumentWindow* window = application.showDocument(document);
    const QList<QAction*> items = menuItems(*window);
    for (const CommandRow& row : allCommandRows()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Application::commandHandler(row.id) != nullptr, row.scope != CommandScope::document);
        if (row.menu == CommandMenu::none || row.argument != CommandArgument::none)
            continue;
        const auto found = std::find_if(items.begin(), items.end(),
                                        [&](QAction* item) { return item->objectName() == row.name; });
        ASSERT_NE(found, items.end());
        EXPECT_EQ((*found)->text(), QString::fromUtf8(row.title));
        EXPECT_EQ((*found)->shortcut(), defaultKeySequence(row.id));
    }
    for (const FilterDescriptor& filter : filterCatalogue())
        EXPECT_EQ(std::count_if(items.begin(), items.end(),
                                [&](QAction* item) { return item->objectName() == "applyFilter:" + filter.identifier; }),
                  1)
            << filter.identifier.toStdString();

    // Open Recent's item opens its file.
    QAction* recentItem = itemTitled(items, "recent.png");
    ASSERT_NE(recentItem, nullptr);
    recentItem->trigger();
    ASSERT_TRUE(test::waitUntil([&] { return application.documentWindows().size() == 2; }));
    EXPECT_EQ(application.documentWindows().last()->document()->filePath(), recent);
    RecentImagesStore::shared().clear();
}

TEST(Application, WindowMenuListsTheWindowsAndUntitledDocumentsAreNumbered)
{
    QTemporaryDir folder;
    Application application(folder.filePath("autosave"));
    const auto newWindow = [&] {
        return application.showDocument(application.documents().addDocument(test::documentWith({test::solidLayer("A")})));
    };
    DocumentWindow* first = newWindow();
    DocumentWindow* second = newWindow();
    DocumentWindow* third = newWindow();
    EXPECT_EQ(first->windowTitle(), QString::fromUtf8("Untitled[*] — Velmaris Images"));
    EXPECT_EQ(second->windowTitle(), QString::fromUtf8("Untitled 2[*] — Velmaris Images"));
    EXPECT_EQ(third->windowTitle(), QString::fromUtf8("Untitled 3[*] — Velmaris Images"));

    const auto windowMenu = [](DocumentWindow& window) {
        for (QAction* menu : window.menuBar()->actions())
            if (menu->text() == "Window") {
                Q_EMIT menu->menu()->aboutToShow();
                return menu->menu()->actions();
            }
        return QList<QAction*>();
    };
    QStringList listed;
    for (QAction* item : windowMenu(*second).mid(4))
        listed.append(item->isSeparator() ? "-" : item->text() + (item->isChecked() ? "*" : ""));
    EXPECT_EQ(listed, (QStringList{"-", "Untitled", "Untitled 2*", "Untitled 3"}));
    itemTitled(windowMenu(*second), "Untitled 3")->trigger();
    EXPECT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == third; }));

    // The close question names the document as its window does.
    addLayer(*second->document());
    second->close();
    QMessageBox* box = nullptr;
    ASSERT_TRUE(test::waitUntil([&] { return (box = second->findChild<QMessageBox*>("CloseQuestion")) != nullptr; }));
    EXPECT_TRUE(box->text().contains(QString::fromUtf8("“Untitled 2”")));
    ASSERT_TRUE(answerCloseQuestion(*second, "Don't Save"));
    ASSERT_TRUE(test::waitUntil([&] { return application.documentWindows().size() == 2; }));
    // A number comes free again once its document closes.
    EXPECT_EQ(newWindow()->windowTitle(), QString::fromUtf8("Untitled 2[*] — Velmaris Images"));
}

TEST(Application, WindowsTakeTheApplicationsShortcutsAndPanels)
{
    QTemporaryDir folder;
    Application application(folder.filePath("autosave"));
    ImageDocument* document = application.documents().addDocument(test::documentWith({test::solidLayer("A")}));
    DocumentWindow* window = application.showDocument(document);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();

    // The tools' default keys are bare: typing "v" alone in the window picks the move tool.
    window->runCommand(CommandID::selectTextTool);
    QTest::keyClick(window->canvas(), Qt::Key_V);
    EXPECT_TRUE(test::waitUntil([&] { return window->canvas()->tool() == EditorTool::move; }));
    EXPECT_TRUE(window->actions()->action(CommandID::selectMoveTool)->shortcut().isEmpty());
    QTest::keyClick(window->canvas(), Qt::Key_I);
    EXPECT_TRUE(test::waitUntil([&] { return window->canvas()->tool() == EditorTool::colorPicker; }));
    QTest::keyClick(window->canvas(), Qt::Key_B);
    EXPECT_TRUE(test::waitUntil([&] { return window->canvas()->tool() == EditorTool::brush; }));
    QTest::keyClick(window->canvas(), Qt::Key_E);
    EXPECT_TRUE(test::waitUntil([&] { return window->canvas()->tool() == EditorTool::eraser; }));
    QTest::keyClick(window->canvas(), Qt::Key_F);
    EXPECT_TRUE(test::waitUntil([&] { return window->canvas()->tool() == EditorTool::fill; }));
    QTest::keyClick(window->canvas(), Qt::Key_G);
    EXPECT_TRUE(test::waitUntil([&] { return window->canvas()->tool() == EditorTool::gradient; }));

    // Zoom In answers Ctrl+= and Ctrl++ and the keypad's Ctrl++; Zoom Out Ctrl+- on either keyboard.
    window->canvas()->zoomActualSize();
    QTest::keyClick(window->canvas(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(window->canvas()->magnification(), 1.5);
    QTest::keyClick(window->canvas(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(window->canvas()->magnification(), 2.25);
    QTest::keyClick(window->canvas(), Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_DOUBLE_EQ(window->canvas()->magnification(), 1.5);
    QTest::keyClick(window->canvas(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_DOUBLE_EQ(window->canvas()->magnification(), 2.25);
    QTest::keyClick(window->canvas(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(window->canvas()->magnification(), 1.5);

    // The toolbar's Preferences button opens the preferences window.
    window->actions()->action(CommandID::openPreferences)->trigger();
    ASSERT_NE(PreferencesWindow::current(), nullptr);
    EXPECT_TRUE(PreferencesWindow::current()->isVisible());
    PreferencesWindow::current()->close();
}

TEST(Application, AutosavesLeftByACrashAreOfferedBack)
{
    QTemporaryDir folder;
    const QString autosaves = folder.filePath("autosave");
    {
        // A session that ends without closing its edited document.
        DocumentController crashed(autosaves);
        ImageDocument* document = crashed.addDocument(test::documentWith({test::solidLayer("Kept")}));
        addLayer(*document);
        ASSERT_EQ(crashed.autosaveEditedDocuments(), 1);
        crashed.waitForSaves();
    }
    Application application(autosaves);
    answerNextModalBox("Recover");
    application.launch({});
    ASSERT_EQ(application.documentWindows().size(), 1);
    ImageDocument* recovered = application.documentWindows().first()->document();
    EXPECT_EQ(recovered->state().layers.size(), 2);
    EXPECT_TRUE(recovered->isEdited());
    EXPECT_FALSE(application.welcomeWindow() && application.welcomeWindow()->isVisible());
    recovered->jumpToHistory(0);
}

TEST(Application, AutosavesOfARunningInstanceAreNeitherOfferedNorDeleted)
{
    QTemporaryDir folder;
    const QString autosaves = folder.filePath("autosave");
    auto first = std::make_unique<Application>(autosaves);
    ImageDocument* document = first->documents().addDocument(test::documentWith({test::solidLayer("Live")}));
    addLayer(*document);
    ASSERT_EQ(first->documents().autosaveEditedDocuments(), 1);
    first->documents().waitForSaves();
    const QStringList names = QDir(autosaves).entryList({"*.velmaris"}, QDir::Files);
    ASSERT_EQ(names.size(), 1);
    const QString live = QDir(autosaves).filePath(names.first());

    {
        // A second instance with the same home while the first runs: no question, and a discard
        // asked for by name removes nothing.
        Application second(autosaves);
        ModalAnswers answers({"Discard"});
        second.launch({});
        EXPECT_TRUE(answers.seen().isEmpty()) << answers.seen().join('\n').toStdString();
        EXPECT_TRUE(second.documents().recoverableDocuments().isEmpty());
        second.documents().discardRecovered({live, {}, {}, {}});
        EXPECT_TRUE(QFile::exists(live));
        EXPECT_TRUE(std::holds_alternative<FileError>(second.documents().reopenRecovered({live, {}, {}, {}})));
    }
    ASSERT_TRUE(QFile::exists(live));

    // The first one ends without closing its document, as in a crash: its lock file stays behind,
    // naming a process that is gone.
    QFile ownLock(folder.filePath("own.lock"));
    {
        QLockFile taken(ownLock.fileName());
        ASSERT_TRUE(taken.tryLock(0));
        ASSERT_TRUE(ownLock.open(QIODevice::ReadOnly));
    }
    QByteArray contents = ownLock.readAll();
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    contents.replace(0, contents.indexOf('\n'), QByteArray::number(qint64(gone)));
    first.reset();
    QFile staleLock(live + ".lock");
    ASSERT_TRUE(staleLock.open(QIODevice::WriteOnly));
    staleLock.write(contents);
    staleLock.close();

    Application third(autosaves);
    ModalAnswers answers({"Recover"});
    third.launch({});
    EXPECT_EQ(answers.seen().size(), 1);
    ASSERT_EQ(third.documentWindows().size(), 1);
    EXPECT_EQ(third.documentWindows().first()->document()->state().layers.size(), 2);
    third.documentWindows().first()->document()->jumpToHistory(0);
}

TEST(Application, AnUnreadableAutosaveIsReportedOnceUnderItsOwnName)
{
    QTemporaryDir folder;
    const QString autosaves = folder.filePath("autosave");
    const QString kept = leaveAutosave(autosaves, "not a document", folder.filePath("picture.png"));
    {
        Application application(autosaves);
        ModalAnswers answers({"Recover", "Keep"});
        application.launch({});
        ASSERT_EQ(answers.seen().size(), 2);
        EXPECT_EQ(answers.seen()[1], QFileInfo(kept).fileName() + " | The image could not be read.");
        EXPECT_TRUE(application.documentWindows().isEmpty());
    }
    // Kept aside, not offered again.
    EXPECT_FALSE(QFile::exists(kept));
    EXPECT_TRUE(QFile::exists(kept + ".unreadable"));
    {
        Application application(autosaves);
        ModalAnswers answers({});
        application.launch({});
        EXPECT_TRUE(answers.seen().isEmpty()) << answers.seen().join('\n').toStdString();
    }

    const QString discarded = leaveAutosave(autosaves, QByteArray(64, '\0'), folder.filePath("other.png"));
    Application application(autosaves);
    ModalAnswers answers({"Recover", "Discard"});
    application.launch({});
    EXPECT_EQ(answers.seen().size(), 2);
    EXPECT_FALSE(QFile::exists(discarded));
    EXPECT_TRUE(application.documents().recoverableDocuments().isEmpty());
}

TEST(Application, PipesAndHostileFilesAmongTheRecentImagesHoldNothingUp)
{
    QTemporaryDir folder;
    const QString image = writeImage(folder, "one.png");
    const QString pipe = folder.filePath("pipe.png");
    const std::optional<QString> thumbnail = RecentImagesStore::thumbnailPath(image);
    ASSERT_TRUE(thumbnail);
    QFile::remove(*thumbnail);
    QStringList pipes{pipe, *thumbnail};
    for (const QString& path : pipes)
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // Whatever waits on a pipe is let go at the end (a reader opens it until the writers are
    // done), so a failure cannot hang the test program.
    const auto release = qScopeGuard([&] {
        QVector<int> readers;
        for (const QString& path : pipes)
            readers.append(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK));
        QThreadPool::globalInstance()->waitForDone();
        for (const int reader : readers)
            ::close(reader);
    });
    // 2,000 nested groups, which the SVG renderer would recurse through until the stack is gone.
    const QString nested = folder.filePath("nested.svg");
    QFile svg(nested);
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)" + QByteArray("<g>").repeated(2000)
              + "<rect width=\"5\" height=\"5\"/>" + QByteArray("</g>").repeated(2000) + "</svg>");
    svg.close();
    for (const QString& path : {image, pipe, nested})
        RecentImagesStore::shared().add(path);

    Application application(folder.filePath("autosave"));
    application.launch({});
    ASSERT_NE(application.welcomeWindow(), nullptr);
    EXPECT_TRUE(application.welcomeWindow()->isVisible());
    EXPECT_EQ(application.welcomeWindow()->recentList()->count(), 2);
    // Opening a recent image writes its thumbnail, but never into the pipe in its place.
    application.openFile(image);
    ASSERT_TRUE(test::waitUntil([&] { return RecentImagesStore::shared().paths().value(0) == image; }));
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(5000)) << "a worker waits on a pipe";
    EXPECT_EQ(application.documentWindows().size(), 1);

    QSignalSpy finished(&application, &Application::quitFinished);
    application.quit();
    EXPECT_TRUE(test::waitUntil([&] { return finished.count() == 1; }));
}

}  // namespace
}  // namespace velmaris
