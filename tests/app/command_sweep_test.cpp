// Every command the interface offers, run in every situation the editor can be in: nothing may
// crash or hang, and undo must take back whatever a command changed.
#include "app/Application.h"

#include "QtWait.h"
#include "app/BrowserStandIn.h"
#include "app/UpdateController.h"
#include "app/WelcomeWindow.h"
#include "canvas/CanvasView.h"
#include "document/TestDocuments.h"
#include "document/TextEditingSession.h"
#include "document/TransformSession.h"
#include "files/DocumentType.h"
#include "platform/Preferences.h"
#include "platform/RecentImagesStore.h"
#include "window/AdjustmentPanel.h"
#include "window/DocumentActions.h"
#include "window/DocumentSaver.h"
#include "window/DocumentWindow.h"
#include "window/Sidebar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <optional>

namespace velmaris {
namespace {

enum class Answer { accept, cancel };

// How long one command may keep the editor busy (dialogs, workers, file reads) before the sweep
// calls it hung.
constexpr int kSettleMilliseconds = 10000;
// Commands that replace the document and its history by design, so there is nothing to undo.
const QStringList kReplacesDocument = {QStringLiteral("revertDocumentToSaved")};

// Bottom to top: a bitmap background, a text layer and two bitmap layers in one group.
std::unique_ptr<ImageDocument> layeredDocument()
{
    const QUuid group = QUuid::createUuid();
    Layer first = test::solidLayer(QStringLiteral("Grouped A"), 20, 12, {4, 6}, test::kBlue);
    Layer second = test::bitmapLayer(test::randomBitmap(16, 16, 7), {30, 20}, QStringLiteral("Grouped B"));
    first.groupID = group;
    second.groupID = group;
    return test::documentWith({test::bitmapLayer(test::opaqueRandomBitmap(64, 48, 1), {}, QStringLiteral("Background")),
                               test::textLayer(QStringLiteral("Sweep"), {8, 8}, 14), first, second},
                              {64, 48});
}

// The files the sweep opens, imports and saves to, and the recent images it offers.
class SweepFiles {
public:
    SweepFiles()
        : flat_(folder_.filePath(QStringLiteral("flat.png"))),
          layered_(folder_.filePath(QStringLiteral("layered.") + kNativeExtension)),
          missing_(folder_.filePath(QStringLiteral("missing.png")))
    {
        EXPECT_FALSE(test::documentWith({test::solidLayer(QStringLiteral("Flat"), 8, 6)}, {8, 6})
                         ->saveToFile(flat_, QStringLiteral("public.png"), SaveOperation::saveTo));
        EXPECT_FALSE(layeredDocument()->saveToFile(layered_, kNativeTypeName, SaveOperation::saveTo));
        // Check for Updates reads a feed on disk that announces nothing newer.
        QFile feed(folder_.filePath(QStringLiteral("release.json")));
        EXPECT_TRUE(feed.open(QIODevice::WriteOnly));
        feed.write(R"({"version": "0.0.1", "downloadURL": "https://example.org/velmaris"})");
        feed.close();
        Preferences().setValue(QString::fromLatin1(PreferenceName::updateFeedURL),
                               QUrl::fromLocalFile(feed.fileName()).toString());
    }

    const QString& flat() const { return flat_; }
    QString freshPath(const QString& extension)
    {
        return folder_.filePath(QStringLiteral("written-%1.%2").arg(++written_).arg(extension));
    }
    // The same recent images before every command (Clear Menu, opening and saving change them);
    // written only when changed, as every write makes the next settings read flush to disk.
    void restoreRecentImages() const
    {
        RecentImagesStore& store = RecentImagesStore::shared();
        if (store.paths() == QStringList{flat_, layered_, missing_})
            return;
        store.clear();
        for (const QString& path : {missing_, layered_, flat_})
            store.add(path);
    }

private:
    QTemporaryDir folder_;
    QString flat_;
    QString layered_;
    QString missing_;  // among the recent images but not on disk
    int written_ = 0;
};

QString describe(const QWidget* widget)
{
    const QString title = widget->windowTitle();
    return QString::fromLatin1(widget->metaObject()->className()) + (title.isEmpty() ? QString() : " “" + title + "”");
}

// Answers whatever a command opens that waits for the user: modal dialogs, message boxes, file
// and print dialogs, adjustment panels. It polls from a timer and answers from a zero timer of
// its own, so a dialog that opens while another is being answered (the file dialog behind an
// Export button) is answered too. The question about unsaved changes is always cancelled, so
// Close and Quit leave the window open.
class DialogAnswerer {
public:
    explicit DialogAnswerer(SweepFiles& files) : files_(files)
    {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { tick(); });
    }

    // `keep`: the situation's own adjustment panel, left open.
    void start(Answer answer, QWidget* keep)
    {
        answer_ = answer;
        keep_ = keep;
        answered_.clear();
        stuck_.clear();
        cancelledByReturn_.clear();
        attempts_.clear();
        poll_.start();
    }
    void stop() { poll_.stop(); }
    bool isAnswering() const { return poll_.isActive(); }
    Answer answer() const { return answer_; }
    // What was answered since start(), what did not close when answered and where Return would
    // have cancelled.
    const QStringList& answered() const { return answered_; }
    const QStringList& stuck() const { return stuck_; }
    const QStringList& cancelledByReturn() const { return cancelledByReturn_; }
    // For the file choosers the application and the saver take instead of a dialog.
    void noteChooser(const QString& title) { answered_.append(title); }

    QWidget* waiting() const
    {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
            return modal;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<AdjustmentPanel*>(widget) && widget->isVisible() && widget != keep_)
                return widget;
        return nullptr;
    }

private:
    void tick()
    {
        QWidget* widget = waiting();
        if (!widget || answering_.contains(widget))
            return;
        answering_.insert(widget);
        QTimer::singleShot(0, &poll_, [this, widget, guarded = QPointer<QWidget>(widget)] {
            if (guarded)
                respond(guarded);
            answering_.remove(widget);
        });
    }

    void respond(QWidget* widget)
    {
        answered_.append(describe(widget));
        if (++attempts_[widget] > 3) {
            // Answered three times and still open: close it so the sweep goes on.
            stuck_.append(describe(widget));
            widget->close();
            widget->hide();
            return;
        }
        const bool accept = answer_ == Answer::accept;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            const bool closing = box->objectName() == QLatin1String("CloseQuestion");
            clickMessageBox(box, accept && !closing);
        } else if (auto* panel = qobject_cast<AdjustmentPanel*>(widget)) {
            (accept ? panel->okButton() : panel->cancelButton())->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(widget)) {
            answerFileDialog(files, accept);
        } else if (auto* print = qobject_cast<QPrintDialog*>(widget)) {
            answerPrintDialog(print, accept);
        } else if (auto* dialog = qobject_cast<QDialog*>(widget)) {
            if (returnCancels(dialog))
                cancelledByReturn_.append(describe(dialog));
            QAbstractButton* confirm = accept ? confirmingButton(dialog) : nullptr;
            if (confirm)
                confirm->click();
            else if (accept)
                dialog->accept();
            else
                dialog->reject();
        } else {
            widget->close();
        }
    }

    static void clickMessageBox(QMessageBox* box, bool accept)
    {
        const QList<QMessageBox::ButtonRole> roles = accept ? QList{QMessageBox::AcceptRole, QMessageBox::YesRole}
                                                            : QList{QMessageBox::RejectRole, QMessageBox::NoRole};
        for (QMessageBox::ButtonRole role : roles)
            for (QAbstractButton* button : box->buttons())
                if (box->buttonRole(button) == role) {
                    button->click();
                    return;
                }
        if (QAbstractButton* fallback = box->defaultButton() ? box->defaultButton() : box->buttons().value(0))
            fallback->click();
        else
            box->close();
    }

    // The accepting button of a button box, else the default one (the confirming one of a sheet).
    static QAbstractButton* confirmingButton(QDialog* dialog)
    {
        for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
            for (QAbstractButton* button : box->buttons())
                if (box->buttonRole(button) == QDialogButtonBox::AcceptRole && button->isEnabled())
                    return button;
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->isDefault() && button->isEnabled() && button->isVisible())
                return button;
        return nullptr;
    }

    // Return presses the default button: it should not be a Cancel.
    static bool returnCancels(QDialog* dialog)
    {
        for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
            for (QAbstractButton* button : box->buttons())
                if (auto* push = qobject_cast<QPushButton*>(button);
                    push && push->isDefault() && box->buttonRole(button) == QDialogButtonBox::RejectRole)
                    return true;
        return false;
    }

    void answerFileDialog(QFileDialog* dialog, bool accept)
    {
        if (!accept)
            return dialog->reject();
        const QString suffix = dialog->defaultSuffix().isEmpty() ? QStringLiteral("png") : dialog->defaultSuffix();
        dialog->selectFile(dialog->acceptMode() == QFileDialog::AcceptOpen ? files_.flat() : files_.freshPath(suffix));
        // QFileDialog hides its accept(); the dialog's own one still runs.
        static_cast<QDialog*>(dialog)->accept();
    }

    // Prints only to a PDF in the sweep's folder; a dialog offering a real printer is cancelled.
    void answerPrintDialog(QPrintDialog* dialog, bool accept)
    {
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        if (!accept || !file || !file->isEnabled())
            return dialog->reject();
        file->setText(files_.freshPath(QStringLiteral("pdf")));
        dialog->accept();
    }

    SweepFiles& files_;
    QTimer poll_;
    Answer answer_ = Answer::accept;
    QPointer<QWidget> keep_;
    QSet<QWidget*> answering_;
    QHash<QWidget*, int> attempts_;
    QStringList answered_;
    QStringList stuck_;
    QStringList cancelledByReturn_;
};

// A command's trigger as found on the window at the moment.
struct Trigger {
    QString name;  // the command's object name, when it has one
    bool enabled = false;
    std::function<void()> run;
};

Trigger actionTrigger(QAction* action)
{
    return {action->objectName(), action->isEnabled(), [action] { action->trigger(); }};
}

Trigger buttonTrigger(QAbstractButton* button)
{
    auto* tool = qobject_cast<QToolButton*>(button);
    const QString name = tool && tool->defaultAction() ? tool->defaultAction()->objectName() : button->objectName();
    return {name, button->isEnabled(), [button] { button->click(); }};
}

// A command reachable from the interface, found again by its position before each run: menus
// are refilled and windows rebuilt between runs.
struct Command {
    QString label;
    std::function<std::optional<Trigger>(QWidget& window)> find;
};

// The menu of a menu-bar item or submenu, filled as it is when it opens.
QMenu* openedMenu(QAction* item)
{
    QMenu* menu = item->menu();
    if (menu)
        Q_EMIT menu->aboutToShow();
    return menu;
}

std::optional<Trigger> findMenuItem(QWidget& window, const QList<int>& path)
{
    QList<QAction*> items = static_cast<QMainWindow&>(window).menuBar()->actions();
    for (qsizetype depth = 0; depth < path.size(); ++depth) {
        QAction* item = items.value(path[depth]);
        if (!item)
            return std::nullopt;
        if (depth == path.size() - 1)
            return actionTrigger(item);
        QMenu* menu = openedMenu(item);
        if (!menu)
            return std::nullopt;
        items = menu->actions();
    }
    return std::nullopt;
}

void collectMenuItems(const QList<QAction*>& items, const QString& label, const QList<int>& path,
                      QList<Command>& commands, QSet<QAction*>& reached)
{
    for (int index = 0; index < items.size(); ++index) {
        QAction* item = items[index];
        if (item->isSeparator())
            continue;
        const QString itemLabel = label.isEmpty() ? item->text() : label + " › " + item->text();
        QList<int> itemPath = path;
        itemPath.append(index);
        if (QMenu* menu = openedMenu(item)) {
            collectMenuItems(menu->actions(), itemLabel, itemPath, commands, reached);
            continue;
        }
        reached.insert(item);
        commands.append({itemLabel, [itemPath](QWidget& window) { return findMenuItem(window, itemPath); }});
    }
}

QString buttonLabel(const QAbstractButton* button)
{
    for (const QString& text : {button->text(), button->toolTip(), button->objectName()})
        if (!text.isEmpty())
            return QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QString::fromLatin1(button->metaObject()->className());
}

using ButtonArea = std::function<QList<QAbstractButton*>(QWidget& window)>;

void collectButtons(const QString& surface, QWidget& window, const ButtonArea& area, QList<Command>& commands)
{
    const QList<QAbstractButton*> buttons = area(window);
    for (int index = 0; index < buttons.size(); ++index)
        commands.append({surface + " › " + buttonLabel(buttons[index]),
                         [area, index](QWidget& window) -> std::optional<Trigger> {
                             QAbstractButton* button = area(window).value(index);
                             return button ? std::optional(buttonTrigger(button)) : std::nullopt;
                         }});
}

QList<Command> documentCommands(DocumentWindow& window)
{
    QList<Command> commands;
    QSet<QAction*> reached;
    collectMenuItems(window.menuBar()->actions(), {}, {}, commands, reached);
    const ButtonArea toolbar = [](QWidget& window) {
        QList<QAbstractButton*> buttons = static_cast<DocumentWindow&>(window).toolbar()->findChildren<QAbstractButton*>();
        // The overflow arrow shows only when the toolbar does not fit.
        buttons.removeIf([](QAbstractButton* button) { return button->objectName() == "qt_toolbar_ext_button"; });
        return buttons;
    };
    collectButtons(QStringLiteral("Toolbar"), window, toolbar, commands);
    collectButtons(QStringLiteral("Sidebar"), window,
                   [](QWidget& window) { return static_cast<DocumentWindow&>(window).sidebar()->findChildren<QAbstractButton*>(); },
                   commands);
    // Commands reachable by their shortcut alone.
    const QList<QAction*> own = window.QWidget::actions();
    for (int index = 0; index < own.size(); ++index)
        if (!reached.contains(own[index]))
            commands.append({"Shortcut › " + own[index]->objectName(), [index](QWidget& window) -> std::optional<Trigger> {
                                 QAction* action = window.QWidget::actions().value(index);
                                 return action ? std::optional(actionTrigger(action)) : std::nullopt;
                             }});
    return commands;
}

// The application's commands the welcome window holds, in a fixed order.
QList<QAction*> welcomeActions(QWidget& welcome)
{
    QList<QAction*> actions = welcome.actions();
    std::sort(actions.begin(), actions.end(), [](QAction* a, QAction* b) { return a->objectName() < b->objectName(); });
    return actions;
}

QList<Command> welcomeCommands(WelcomeWindow& welcome)
{
    QList<Command> commands;
    collectButtons(QStringLiteral("Welcome"), welcome,
                   [](QWidget& window) { return window.findChildren<QAbstractButton*>(); }, commands);
    for (int row = 0; row < welcome.recentList()->count(); ++row)
        commands.append({"Welcome › Recent › " + welcome.recentList()->item(row)->text().section('\n', 0, 0),
                         [row](QWidget& window) -> std::optional<Trigger> {
                             QListWidget* list = static_cast<WelcomeWindow&>(window).recentList();
                             QListWidgetItem* item = list->item(row);
                             if (!item)
                                 return std::nullopt;
                             return Trigger{{}, true, [list, item] {
                                                list->scrollToItem(item);
                                                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                                                  list->visualItemRect(item).center());
                                            }};
                         }});
    const QList<QAction*> actions = welcomeActions(welcome);
    for (int index = 0; index < actions.size(); ++index)
        commands.append({"Welcome › Shortcut › " + actions[index]->objectName(),
                         [index](QWidget& window) -> std::optional<Trigger> {
                             QAction* action = welcomeActions(window).value(index);
                             return action ? std::optional(actionTrigger(action)) : std::nullopt;
                         }});
    return commands;
}

// A document window's situation: which layer is selected, the selection, and the session open
// while the commands run.
struct Situation {
    QString name;
    int selectedLayer = 3;  // index in layeredDocument()
    std::optional<SelectionShape> selection;
    std::function<bool(DocumentWindow& window)> open;  // true once the session runs
};

QVector<Situation> documentSituations()
{
    return {
        {QStringLiteral("layers"), 3, std::nullopt, {}},
        {QStringLiteral("rectangle selection"), 3, SelectionShape::rectangle, {}},
        {QStringLiteral("ellipse selection"), 3, SelectionShape::ellipse, {}},
        {QStringLiteral("text editing"), 1, std::nullopt,
         [](DocumentWindow& window) {
             window.runCommand(CommandID::editTextLayer);
             return window.canvas()->hasTextEditor();
         }},
        {QStringLiteral("free transform"), 3, std::nullopt,
         [](DocumentWindow& window) {
             window.runCommand(CommandID::freeTransform);
             return window.document()->transform().has_value();
         }},
        {QStringLiteral("adjustment panel"), 2, std::nullopt,
         [](DocumentWindow& window) {
             window.openFilter(QStringLiteral("gaussianBlur"));
             return window.adjustmentPanel() && window.adjustmentPanel()->isVisible();
         }},
    };
}

void closeDiscarding(DocumentWindow& window)
{
    window.close();
    if (auto* box = window.findChild<QMessageBox*>(QStringLiteral("CloseQuestion")); box && box->isVisible())
        for (QAbstractButton* button : box->buttons())
            if (button->text() == QLatin1String("Don't Save"))
                button->click();
}

class CommandSweep {
public:
    CommandSweep(Application& application, SweepFiles& files)
        : application_(application), files_(files), answerer_(files), quits_(&application, &Application::quitFinished)
    {
        application.setOpenChooser([this](QWidget*) { return choose(QStringLiteral("Open chooser")); });
        application.setImportChooser([this](QWidget*) { return choose(QStringLiteral("Import chooser")); });
        application.updates().setTimeout(kSettleMilliseconds / 2);
        QGuiApplication::clipboard()->setImage(test::solidBitmap(6, 4, test::kRed).image().copy());
    }

    QStringList findings;
    QStringList summary;
    QStringList triggered;

    void sweepWelcome(Answer answer)
    {
        closeDocumentWindows();
        prepareWelcome();
        WelcomeWindow* welcome = application_.welcomeWindow();
        if (!welcome) {
            findings.append(QStringLiteral("welcome: no welcome window"));
            return;
        }
        Counts counts;
        for (const Command& command : welcomeCommands(*welcome)) {
            const QString key = "welcome | " + command.label;
            if (answer == Answer::cancel && !withDialogs_.contains(key))
                continue;
            prepareWelcome();
            const int quits = int(quits_.count());
            if (!run(command, *application_.welcomeWindow(), key, answer, nullptr, counts))
                continue;
            if (quits_.count() > quits)
                summary.append(key + ": ended the application");
            if (!application_.documents().documents().empty())
                findings.append(key + ": a document stayed open after its window closed");
        }
        report(QStringLiteral("welcome"), answer, counts);
    }

    void sweepDocument(const Situation& situation, Answer answer)
    {
        rebuild_ = true;
        prepareDocument(situation);
        const QList<Command> commands = documentCommands(*window_);
        endSession();
        Counts counts;
        for (const Command& command : commands) {
            const QString key = situation.name + " | " + command.label;
            if (answer == Answer::cancel && !withDialogs_.contains(key))
                continue;
            prepareDocument(situation);
            const int quits = int(quits_.count());
            const std::optional<QString> ran = run(command, *window_, key, answer, window_->adjustmentPanel(), counts);
            if (quits_.count() > quits || application_.isTerminating())
                findings.append(key + ": the application quit although closing was cancelled");
            if (!window_ || !window_->isVisible()) {
                findings.append(key + ": the document window closed although closing was cancelled");
                rebuild_ = true;
                continue;
            }
            checkSessionsHaveTheirLayers(key);
            endSession();
            if (ran)
                checkUndo(key, *ran);
        }
        report(situation.name, answer, counts);
        closeDocumentWindows();
    }

private:
    struct Counts {
        int triggered = 0;
        int disabled = 0;
        int withDialog = 0;
    };

    QStringList choose(const QString& title)
    {
        answerer_.noteChooser(title);
        return answerer_.answer() == Answer::accept ? QStringList{files_.flat()} : QStringList{};
    }

    // Runs one command and answers what it opens; its object name when it ran.
    std::optional<QString> run(const Command& command, QWidget& window, const QString& key, Answer answer,
                               QWidget* keep, Counts& counts)
    {
        const std::optional<Trigger> trigger = command.find(window);
        if (!trigger) {
            findings.append(key + ": no longer found where it was");
            return std::nullopt;
        }
        if (!trigger->enabled) {
            ++counts.disabled;
            return std::nullopt;
        }
        ++counts.triggered;
        triggered.append(key);
        answerer_.start(answer, keep);
        trigger->run();
        const bool settled = settle();
        closeOtherWindows(keep);
        answerer_.stop();
        if (!settled)
            findings.append(key + ": still busy after " + QString::number(kSettleMilliseconds) + " ms");
        for (const QString& stuck : answerer_.stuck())
            findings.append(key + ": " + stuck + " did not close when answered");
        for (const QString& dialog : answerer_.cancelledByReturn())
            findings.append(key + ": Return cancels " + dialog);
        if (!answerer_.answered().isEmpty()) {
            ++counts.withDialog;
            withDialogs_.insert(key);
        }
        return trigger->name;
    }

    bool idle() const
    {
        if ((answerer_.isAnswering() && answerer_.waiting()) || QThreadPool::globalInstance()->activeThreadCount() > 0
            || application_.documents().isOpeningDocuments() || application_.updates().isChecking())
            return false;
        for (ImageDocument* document : application_.documents().documents())
            if (document->isSaving())
                return false;
        return true;
    }

    // Waits for the dialogs, workers and file reads a command started, then for what their
    // results start in turn.
    bool settle()
    {
        for (int round = 0; round < 3; ++round) {
            if (!test::waitUntil([this] { return idle(); }, kSettleMilliseconds))
                return false;
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return true;
    }

    // Windows a command opened: other documents are closed without saving, the rest closed.
    void closeOtherWindows(QWidget* keep)
    {
        // Closing may open more (the welcome window after the last document window).
        for (int round = 0; round < 3; ++round) {
            bool closed = false;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (!widget->isVisible() || widget == window_ || widget == keep
                    || (widget == application_.welcomeWindow() && !window_))
                    continue;
                closed = true;
                if (widget == application_.welcomeWindow())
                    widget->hide();
                else if (auto* other = qobject_cast<DocumentWindow*>(widget))
                    closeDiscarding(*other);
                else
                    widget->close();
            }
            settle();
            if (!closed)
                return;
        }
    }

    void closeDocumentWindows()
    {
        window_ = nullptr;
        for (DocumentWindow* window : application_.documentWindows())
            closeDiscarding(*window);
        settle();
    }

    void prepareWelcome()
    {
        files_.restoreRecentImages();
        application_.showWelcomeWindow();
        WelcomeWindow* welcome = application_.welcomeWindow();
        welcome->showNormal();
        welcome->activateWindow();
        if (!QTest::qWaitForWindowExposed(welcome))
            findings.append(QStringLiteral("welcome: the window did not show"));
        settle();
    }

    // A document with a file, edited since it was saved (so closing asks and Revert has
    // something to revert), in its window.
    void buildDocument(const Situation& situation)
    {
        closeDocumentWindows();
        std::unique_ptr<ImageDocument> document = layeredDocument();
        test::selectIndices(*document, situation.selectedLayer);
        document->recordHistory(QStringLiteral("Sweep"));
        basePath_ = files_.freshPath(kNativeExtension);
        EXPECT_FALSE(document->saveToFile(basePath_, kNativeTypeName, SaveOperation::saveAs));
        CanvasState renamed = document->state();
        renamed.layers.first().name = QStringLiteral("Renamed");
        document->commitState(std::move(renamed), QStringLiteral("Rename Layer"));
        document_ = application_.documents().addDocument(std::move(document));
        window_ = application_.showDocument(document_);
        window_->saver()->setDestinationChooser(
            [this](QWidget*, const QString&, const QStringList& typeNames, const QString&)
                -> std::optional<DocumentSaver::Destination> {
                answerer_.noteChooser(QStringLiteral("Save chooser"));
                if (answerer_.answer() == Answer::cancel)
                    return std::nullopt;
                return DocumentSaver::Destination{files_.freshPath(documentTypeExtension(typeNames.value(0))),
                                                  typeNames.value(0)};
            });
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_));
        base_ = document_->state();
        baseIndex_ = document_->history().currentIndex();
        rebuild_ = false;
    }

    void prepareDocument(const Situation& situation)
    {
        if (rebuild_ || !window_ || !document_)
            buildDocument(situation);
        files_.restoreRecentImages();
        window_->showNormal();
        window_->activateWindow();
        if (QWidget* welcome = application_.welcomeWindow())
            welcome->hide();
        document_->setSelectionInverted(false);
        document_->setSelectionShape(situation.selection.value_or(SelectionShape::rectangle));
        document_->setSelectionRect(situation.selection ? std::optional(QRectF(10, 8, 30, 20)) : std::nullopt);
        if (situation.open && !situation.open(*window_))
            findings.append(situation.name + ": the session did not open");
        if (document_->state() != base_)
            findings.append(situation.name + ": opening the session changed the canvas");
        settle();
    }

    // A text edit or transform never outlives the layer it works on.
    void checkSessionsHaveTheirLayers(const QString& key)
    {
        const auto exists = [this](const QUuid& id) {
            const QVector<Layer>& layers = document_->state().layers;
            return std::any_of(layers.begin(), layers.end(), [&](const Layer& layer) { return layer.id == id; });
        };
        if (document_->textEditing() && !exists(document_->textEditing()->layerID))
            findings.append(key + ": the text editor stays open on a layer that is gone");
        if (document_->transform() && !exists(document_->transform()->layerID))
            findings.append(key + ": the transform stays open on a layer that is gone");
    }

    // Ends the situation's session without recording anything of its own.
    void endSession()
    {
        if (AdjustmentPanel* panel = window_->adjustmentPanel())
            panel->cancelButton()->click();
        if (document_->transform())
            cancelTransform(*document_);
        if (document_->textEditing())
            commitTextEditing(*document_);
        settle();
    }

    // Undo (or redo, after Undo itself) must lead back to the state before the command; a
    // command that recorded nothing must have left the canvas alone.
    void checkUndo(const QString& key, const QString& name)
    {
        const int after = document_->history().currentIndex();
        if (after != baseIndex_ && kReplacesDocument.contains(name)) {
            rebuild_ = true;
            return;
        }
        if (after != baseIndex_) {
            QAction* step = window_->actions()->action(after > baseIndex_ ? CommandID::undo : CommandID::redo);
            for (int guard = 0; guard < 50 && document_->history().currentIndex() != baseIndex_; ++guard) {
                if (!step->isEnabled()) {
                    findings.append(key + ": " + step->objectName() + " is disabled before the document is back");
                    break;
                }
                const CanvasState before = document_->state();
                const QString entry = document_->history().entries().value(document_->history().currentIndex()).name;
                step->trigger();
                if (document_->state() == before)
                    findings.append(key + ": recorded “" + entry + "”, which changes nothing");
            }
        }
        if (document_->state() != base_) {
            findings.append(key + (after != baseIndex_ ? ": undo did not restore the canvas"
                                                       : ": changed the canvas without recording it"));
            rebuild_ = true;
        }
        // A save or Save As leaves a clean document or another file: start again from the same one.
        if (!document_->isEdited() || document_->filePath() != basePath_)
            rebuild_ = true;
    }

    void report(const QString& situation, Answer answer, const Counts& counts)
    {
        summary.append(QStringLiteral("%1 (%2): %3 triggered, %4 disabled, %5 opened a dialog")
                           .arg(situation, answer == Answer::accept ? "accepted" : "cancelled")
                           .arg(counts.triggered)
                           .arg(counts.disabled)
                           .arg(counts.withDialog));
    }

    Application& application_;
    SweepFiles& files_;
    DialogAnswerer answerer_;
    QSignalSpy quits_;
    QSet<QString> withDialogs_;  // commands whose accepted run met a dialog, run again cancelled
    QPointer<DocumentWindow> window_;
    QPointer<ImageDocument> document_;
    CanvasState base_;
    int baseIndex_ = 0;
    QString basePath_;
    bool rebuild_ = true;
};

TEST(CommandSweep, EveryCommandInEverySituationRunsAndUndoes)
{
    QTemporaryDir autosaves;
    SweepFiles files;
    test::BrowserStandIn desktop;
    Application application(autosaves.path());
    application.launch({});
    CommandSweep sweep(application, files);

    for (const Situation& situation : documentSituations())
        for (Answer answer : {Answer::accept, Answer::cancel})
            sweep.sweepDocument(situation, answer);
    // Last: Quit from the welcome window ends the application for good.
    for (Answer answer : {Answer::accept, Answer::cancel})
        sweep.sweepWelcome(answer);

    for (const QString& line : sweep.summary)
        std::cout << line.toStdString() << '\n';
    EXPECT_TRUE(sweep.findings.isEmpty()) << sweep.findings.join('\n').toStdString();
    // The sweep reached the menus' filled and nested items, the Window menu and the welcome rows.
    for (const char* expected : {"layers | File › Open Recent › flat.png", "layers | File › Open Recent › missing.png",
                                 "layers | Window › Bring All to Front", "layers | Image › Adjustments › ",
                                 "text editing | Sidebar › ", "welcome | Welcome › Recent › flat.png"})
        EXPECT_TRUE(std::any_of(sweep.triggered.begin(), sweep.triggered.end(),
                                [&](const QString& key) { return key.startsWith(QString::fromUtf8(expected)); }))
            << expected;
}

}  // namespace
}  // namespace velmaris
