#include "app/Application.h"

#include "app/BareKeyShortcuts.h"
#include "app/DocumentPrinting.h"
#include "app/HelpWindow.h"
#include "app/MainMenu.h"
#include "app/NewImageDialog.h"
#include "app/PreferencesWindow.h"
#include "app/ShortcutApplier.h"
#include "app/ShortcutCheatSheet.h"
#include "app/ShortcutsPreferencesPage.h"
#include "app/UpdateController.h"
#include "app/WelcomeWindow.h"
#include "files/DocumentType.h"
#include "files/OpenImageFile.h"
#include "platform/Pasteboard.h"
#include "window/DocumentActions.h"
#include "window/DocumentWindow.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace velmaris {

namespace {

const QUrl kWebsite(QStringLiteral("https://velmaris.app/images"));

QString readableFilesFilter()
{
    QStringList patterns;
    for (const QString& typeName : documentTypeNames()) {
        const QString filter = documentTypeFileFilter(typeName);
        const qsizetype open = filter.indexOf(QLatin1Char('('));
        patterns.append(filter.mid(open + 1, filter.size() - open - 2));
    }
    return QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

QStringList chooseWithFileDialog(QWidget* parent, const QString& title, const QString& folder)
{
    return QFileDialog::getOpenFileNames(parent, title, folder, readableFilesFilter());
}

void showReadError(QWidget* parent, const QString& path, const FileError& error)
{
    QMessageBox::warning(parent, QFileInfo(path).fileName(), error.message);
}

}  // namespace

Application::Application(const QString& autosaveFolder, QObject* parent)
    : QObject(parent),
      documents_(autosaveFolder),
      bareKeys_(new BareKeyShortcuts(AppShortcutPreferences::shared(), this)),
      cheatSheet_(new ShortcutCheatSheet(AppShortcutPreferences::shared(), this)),
      updates_(new UpdateController(this)),
      chooseFilesToOpen_([](QWidget* window) { return chooseWithFileDialog(window, QStringLiteral("Open"), QString()); }),
      chooseFilesToImport_([](QWidget* window) {
          return chooseWithFileDialog(window, QStringLiteral("Import"),
                                      QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
      })
{
    createActions();
    qApp->installEventFilter(bareKeys_);
    bareKeys_->setApplicationCommandHandler([this](const QString& command) {
        if (QAction* found = action(command); found && found->isEnabled())
            found->trigger();
    });
    connect(&AppShortcutPreferences::shared(), &AppShortcutPreferences::didChange, this,
            qOverload<>(&Application::applyShortcuts));
    applyShortcuts();
}

void Application::applyShortcuts()
{
    applyEffectiveShortcuts([this](const QString& command, const QString&) { return action(command); });
    for (DocumentWindow* window : documentWindows())
        applyShortcuts(window);
}

void Application::applyShortcuts(DocumentWindow* window)
{
    const ShortcutActionLookup own = documentActionLookup(*window->actions());
    applyEffectiveShortcuts([this, own](const QString& command, const QString& argument) {
        QAction* found = own(command, argument);
        return found ? found : action(command);
    });
}

Application::~Application()
{
    for (const QPointer<DocumentWindow>& window : windows_)
        delete window.data();
    delete welcome_.data();
}

QAction* Application::addAction(const QString& name, const QString& title, const QKeySequence& shortcut,
                                std::function<void()> run)
{
    auto* action = new QAction(title, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, std::move(run));
    actions_.insert(name, action);
    return action;
}

void Application::createActions()
{
    addAction(QStringLiteral("showAboutPanel"), QStringLiteral("About Velmaris Images"), {}, [this] {
        QMessageBox::about(dialogParent(), QStringLiteral("About Velmaris Images"),
                           QStringLiteral("<b>Velmaris Images</b><br>Version %1<br><br>A raster image editor with "
                                          "layers, editable text, effects and filters.")
                               .arg(QApplication::applicationVersion()));
    });
    addAction(QStringLiteral("checkForUpdates"), QStringLiteral("Check for Updates..."), {},
              [this] { updates_->checkNow(); });
    addAction(QStringLiteral("openPreferences"), QStringLiteral("Preferences..."), QKeySequence(Qt::CTRL | Qt::Key_Comma),
              [this] { showPreferences(); });
    addAction(QStringLiteral("terminate"), QStringLiteral("Quit Velmaris Images"), QKeySequence(Qt::CTRL | Qt::Key_Q),
              [this] { quit(); });
    addAction(QStringLiteral("newImage"), QStringLiteral("New..."), QKeySequence(Qt::CTRL | Qt::Key_N),
              [this] { newImage(); });
    addAction(QStringLiteral("newFromClipboard"), QStringLiteral("New from Clipboard"),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N), [this] { newFromClipboard(); });
    addAction(QStringLiteral("openDocument"), QStringLiteral("Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
              [this] { openWithDialog(); });
    QAction* openRecent = addAction(QStringLiteral("openRecentDocument"), QStringLiteral("Open Recent"), {}, {});
    connect(openRecent, &QAction::triggered, this, [this, openRecent] { openFile(openRecent->data().toString()); });
    addAction(QStringLiteral("importFromPhotos"), QStringLiteral("Import from Photos..."),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I), [this] { importImages(); });
    addAction(QStringLiteral("revertDocumentToSaved"), QStringLiteral("Revert to Saved"), {}, [this] { revertToSaved(); });
    addAction(QStringLiteral("printDocument"), QStringLiteral("Print..."), QKeySequence(Qt::CTRL | Qt::Key_P),
              [this] { printDocument(); });
    addAction(QStringLiteral("cut"), QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), [] {
        // Only text can be cut; the focused text field does it.
        QWidget* focus = QApplication::focusWidget();
        if (auto* line = qobject_cast<QLineEdit*>(focus))
            line->cut();
        else if (auto* text = qobject_cast<QTextEdit*>(focus))
            text->cut();
        else
            QApplication::beep();
    });
    addAction(QStringLiteral("performMiniaturize"), QStringLiteral("Minimize"), QKeySequence(Qt::CTRL | Qt::Key_M), [] {
        if (QWidget* window = QApplication::activeWindow())
            window->showMinimized();
    });
    addAction(QStringLiteral("performZoom"), QStringLiteral("Zoom"), {}, [] {
        if (QWidget* window = QApplication::activeWindow())
            window->isMaximized() ? window->showNormal() : window->showMaximized();
    });
    addAction(QStringLiteral("arrangeInFront"), QStringLiteral("Bring All to Front"), {}, [this] {
        for (DocumentWindow* window : documentWindows())
            window->raise();
    });
    addAction(QStringLiteral("showHelp"), QStringLiteral("Velmaris Images User Guide"),
              QKeySequence(Qt::CTRL | Qt::Key_Question), [] { HelpWindow::showWindow(); });
    addAction(QStringLiteral("showShortcutCheatSheet"), QStringLiteral("Keyboard Shortcuts"), {},
              [this] { cheatSheet_->show(); });
    addAction(QStringLiteral("openWebsite"), QStringLiteral("Website"), {}, [] { QDesktopServices::openUrl(kWebsite); });
}

QList<DocumentWindow*> Application::documentWindows() const
{
    QList<DocumentWindow*> windows;
    for (const QPointer<DocumentWindow>& window : windows_)
        if (window)
            windows.append(window);
    return windows;
}

WelcomeWindow* Application::welcomeWindow() const
{
    return welcome_;
}

void Application::launch(const QStringList& files)
{
    offerRecovery();
    for (const QString& path : files)
        openFile(path);
    showWelcomeUnlessBusy();
}

void Application::showWelcomeUnlessBusy()
{
    // A window just closed may not be deleted yet: only the visible ones count.
    const QList<DocumentWindow*> windows = documentWindows();
    const bool anyShown = std::any_of(windows.begin(), windows.end(), [](DocumentWindow* window) { return window->isVisible(); });
    if (!documents_.isOpeningDocuments() && !anyShown && !terminating_)
        showWelcomeWindow();
}

DocumentWindow* Application::activeDocumentWindow() const
{
    if (auto* window = qobject_cast<DocumentWindow*>(QApplication::activeWindow()))
        return window;
    const QList<DocumentWindow*> windows = documentWindows();
    return windows.isEmpty() ? nullptr : windows.last();
}

QWidget* Application::dialogParent() const
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return welcome_ && welcome_->isVisible() ? welcome_.data() : nullptr;
}

void Application::openFile(const QString& path)
{
    for (DocumentWindow* window : documentWindows()) {
        if (window->document() && QFileInfo(window->document()->filePath()) == QFileInfo(path)) {
            window->raise();
            window->activateWindow();
            return;
        }
    }
    if (!documents_.isOpeningDocuments())
        QApplication::setOverrideCursor(Qt::BusyCursor);
    documents_.openDocumentInBackground(path, [this, path](const FileResult<ImageDocument*>& opened) {
        if (!documents_.isOpeningDocuments())
            QApplication::restoreOverrideCursor();
        if (const FileError* error = std::get_if<FileError>(&opened)) {
            showReadError(dialogParent(), path, *error);
            Q_EMIT openFailed(path);
            showWelcomeUnlessBusy();
            return;
        }
        ImageDocument* document = std::get<ImageDocument*>(opened);
        for (DocumentWindow* window : documentWindows()) {
            if (window->document() == document) {
                window->raise();
                return;
            }
        }
        showDocument(document);
    });
}

DocumentWindow* Application::showDocument(ImageDocument* document)
{
    auto* window = new DocumentWindow(document);
    windows_.append(window);
    installMainMenu(window, [this, window](const QString& name) -> QAction* {
        if (QAction* own = window->actions()->action(name))
            return own;
        return action(name);
    });
    applyShortcuts(window);
    connect(window, &DocumentWindow::preferencesRequested, this, &Application::showPreferences);
    connect(window, &DocumentWindow::windowWillClose, this, [this](ImageDocument* closing) {
        if (closing)
            documents_.closeDocument(closing);
        QTimer::singleShot(0, this, &Application::documentWindowClosed);
    });
    window->show();
    if (welcome_)
        welcome_->hide();
    Q_EMIT documentWindowOpened(window);
    return window;
}

void Application::documentWindowClosed()
{
    if (documents_.documents().empty())
        showWelcomeUnlessBusy();
}

void Application::showWelcomeWindow()
{
    if (!welcome_) {
        welcome_ = new WelcomeWindow({
            [this] { newImage(); },
            [this] { openWithDialog(); },
            [this] { newFromClipboard(); },
            [this] { importImages(); },
            [this](const QString& path) { openFile(path); },
        });
        welcome_->addActions(actions_.values());
        // Closing the welcome window while no document is open ends the program.
        welcome_->installEventFilter(this);
    } else {
        welcome_->reload();
    }
    welcome_->show();
    welcome_->raise();
    welcome_->activateWindow();
}

void Application::showPreferences()
{
    PreferencesWindow::setShortcutsPageFactory([] { return new ShortcutsPreferencesPage; });
    PreferencesWindow::setUpdateController(updates_);
    PreferencesWindow::showWindow();
}

void Application::newImage()
{
    auto* dialog = new NewImageDialog(
        [this](std::unique_ptr<ImageDocument> document) { showDocument(documents_.addDocument(std::move(document))); },
        dialogParent());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void Application::newFromClipboard()
{
    const std::optional<Bitmap> image = Pasteboard().readImage();
    if (!image) {
        QApplication::beep();
        return;
    }
    showDocument(documents_.addDocument(ImageDocument::fromImage(*image, QStringLiteral("Clipboard"))));
}

void Application::openWithDialog()
{
    for (const QString& path : chooseFilesToOpen_(dialogParent()))
        openFile(path);
}

void Application::importImages()
{
    for (const QString& path : chooseFilesToImport_(dialogParent())) {
        FileResult<CanvasState> opened = openImageFile(path);
        const CanvasState* state = std::get_if<CanvasState>(&opened);
        std::optional<Bitmap> image;
        if (state && state->layers.size() == 1 && state->layers.front().bitmap())
            image = *state->layers.front().bitmap();
        if (!image) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Velmaris Images"),
                            QStringLiteral("Couldn't Import Photo"), QMessageBox::Ok, dialogParent());
            box.setInformativeText(QStringLiteral("The selected file “%1” couldn't be loaded.")
                                       .arg(QFileInfo(path).fileName()));
            box.exec();
            continue;
        }
        showDocument(documents_.addDocument(ImageDocument::fromImage(*image, QFileInfo(path).completeBaseName())));
    }
}

void Application::offerRecovery()
{
    const QVector<RecoverableDocument> recoverable = documents_.recoverableDocuments();
    if (recoverable.isEmpty())
        return;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Velmaris Images"),
                    recoverable.size() == 1
                        ? QStringLiteral("An image you were editing was not saved when Velmaris Images last quit.")
                        : QStringLiteral("%1 images you were editing were not saved when Velmaris Images last quit.")
                              .arg(recoverable.size()),
                    QMessageBox::NoButton);
    box.setObjectName(QStringLiteral("RecoveryQuestion"));
    box.setInformativeText(recoverable.size() == 1 ? QStringLiteral("Recover it to keep your changes.")
                                                   : QStringLiteral("Recover them to keep your changes."));
    QAbstractButton* recover = box.addButton(QStringLiteral("Recover"), QMessageBox::AcceptRole);
    QAbstractButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.addButton(QStringLiteral("Not Now"), QMessageBox::RejectRole);
    box.setDefaultButton(static_cast<QPushButton*>(recover));
    box.exec();
    for (const RecoverableDocument& document : recoverable) {
        if (box.clickedButton() == discard) {
            documents_.discardRecovered(document);
        } else if (box.clickedButton() == recover) {
            FileResult<ImageDocument*> reopened = documents_.reopenRecovered(document);
            if (const FileError* error = std::get_if<FileError>(&reopened))
                showReadError(nullptr, document.originalPath.isEmpty() ? document.autosavePath : document.originalPath,
                              *error);
            else
                showDocument(std::get<ImageDocument*>(reopened));
        }
    }
}

void Application::revertToSaved()
{
    DocumentWindow* window = activeDocumentWindow();
    ImageDocument* document = window ? window->document() : nullptr;
    if (!document || document->filePath().isEmpty() || !document->isEdited())
        return;
    const auto answer = QMessageBox::question(
        window, QStringLiteral("Revert to Saved"),
        QStringLiteral("Do you want to revert to the most recently saved version of “%1”?")
            .arg(QFileInfo(document->filePath()).fileName()),
        QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;
    if (const std::optional<FileError> error = document->readFromFile(document->filePath(), document->fileType()))
        showReadError(window, document->filePath(), *error);
}

void Application::printDocument()
{
    DocumentWindow* window = activeDocumentWindow();
    if (!window || !window->document())
        return;
    const FileResult<Bitmap> image = window->document()->printImage();
    if (const FileError* error = std::get_if<FileError>(&image)) {
        QMessageBox::warning(window, QStringLiteral("Print"), error->message);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(window->windowTitle().remove(QStringLiteral("[*]")));
    QPrintDialog dialog(&printer, window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!printImage(std::get<Bitmap>(image), printer))
        QMessageBox::warning(window, QStringLiteral("Print"), QStringLiteral("The image could not be printed."));
}

void Application::quit()
{
    terminating_ = true;
    if (welcome_)
        welcome_->hide();
    closeNextWindowForQuit();
}

void Application::closeNextWindowForQuit()
{
    if (!terminating_)
        return;
    const QList<DocumentWindow*> windows = documentWindows();
    if (windows.isEmpty()) {
        documents_.waitForSaves();
        Q_EMIT quitFinished();
        return;
    }
    DocumentWindow* window = windows.first();
    auto closed = std::make_shared<QMetaObject::Connection>(
        connect(window, &QObject::destroyed, this, &Application::closeNextWindowForQuit, Qt::QueuedConnection));
    auto cancelled = std::make_shared<QMetaObject::Connection>();
    *cancelled = connect(window, &DocumentWindow::closeCancelled, this, [this, closed, cancelled] {
        terminating_ = false;
        disconnect(*closed);
        disconnect(*cancelled);
    });
    window->raise();
    window->close();
}

bool Application::eventFilter(QObject* watched, QEvent* event)
{
    // The filter also sees the events of the welcome window's destruction, when it is a WelcomeWindow
    // no more: qobject_cast tells that, where reading welcome_ would cast to what is gone.
    if (event->type() == QEvent::Close && qobject_cast<WelcomeWindow*>(watched) && documentWindows().isEmpty())
        QTimer::singleShot(0, this, &Application::quit);
    return QObject::eventFilter(watched, event);
}

}  // namespace velmaris
