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
#include "platform/FileDialogFolders.h"
#include "platform/Pasteboard.h"
#include "window/DocumentActions.h"
#include "window/DocumentWindow.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
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
    QMessageBox box(QMessageBox::Warning, QFileInfo(path).fileName(), error.message, QMessageBox::Ok, parent);
    box.setInformativeText(error.detail);
    box.exec();
}

}  // namespace

Application::Application(const QString& autosaveFolder, QObject* parent)
    : QObject(parent),
      documents_(autosaveFolder),
      bareKeys_(new BareKeyShortcuts(AppShortcutPreferences::shared(), this)),
      cheatSheet_(new ShortcutCheatSheet(AppShortcutPreferences::shared(), this)),
      updates_(new UpdateController(this)),
      chooseFilesToOpen_(
          [](QWidget* window) { return chooseWithFileDialog(window, QStringLiteral("Open"), fileDialogFolder()); }),
      chooseFilesToImport_(
          [](QWidget* window) { return chooseWithFileDialog(window, QStringLiteral("Import"), picturesFolder()); })
{
    createActions();
    qApp->installEventFilter(bareKeys_);
    bareKeys_->setApplicationCommandHandler([this](CommandID command) {
        if (QAction* found = action(command); found && found->isEnabled())
            found->trigger();
    });
    connect(&AppShortcutPreferences::shared(), &AppShortcutPreferences::didChange, this,
            qOverload<>(&Application::applyShortcuts));
    applyShortcuts();
    connect(&documents_, &DocumentController::layersFailedToLoad, this,
            [this](ImageDocument* document, const QString& path, const FileError& error) {
                const auto windows = documentWindows();
                const auto shown = std::find_if(windows.begin(), windows.end(),
                                                [document](DocumentWindow* window) { return window->document() == document; });
                showReadError(shown != windows.end() ? *shown : dialogParent(), path, error);
                // Its window closing closes the document; one never shown is closed here.
                if (shown != windows.end())
                    (*shown)->close();
                else
                    documents_.closeDocument(document);
            });
}

void Application::applyShortcuts()
{
    applyEffectiveShortcuts([this](CommandID command) { return action(command); });
    for (DocumentWindow* window : documentWindows())
        applyShortcuts(window);
}

void Application::applyShortcuts(DocumentWindow* window)
{
    const ShortcutActionLookup own = documentActionLookup(*window->actions());
    applyEffectiveShortcuts([this, own](CommandID command) {
        QAction* found = own(command);
        return found ? found : action(command);
    });
}

Application::~Application()
{
    for (const QPointer<DocumentWindow>& window : windows_)
        delete window.data();
    delete welcome_.data();
}

void Application::createActions()
{
    for (const CommandRow& row : allCommandRows()) {
        if (row.scope == CommandScope::document || row.argument != CommandArgument::none)
            continue;
        auto* action = new QAction(QString::fromUtf8(row.title), this);
        action->setObjectName(QLatin1String(row.name));
        action->setShortcut(defaultKeySequence(row.id));
        connect(action, &QAction::triggered, this, [this, id = row.id] { runCommand(id); });
        actions_.emplace(row.id, action);
    }
}

QAction* Application::action(CommandID command) const
{
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

void Application::runCommand(CommandID command, const QString& argument)
{
    if (const CommandHandler handler = commandHandler(command))
        handler(*this, argument);
}

// A switch without a default: a command missing here does not compile, and a test checks that
// exactly the rows of the application's scope get a handler.
Application::CommandHandler Application::commandHandler(CommandID command)
{
    switch (command) {
    case CommandID::showAboutPanel:
        return [](Application& application, const QString&) { application.showAbout(); };
    case CommandID::checkForUpdates:
        return [](Application& application, const QString&) { application.updates_->checkNow(); };
    case CommandID::openPreferences:
        return [](Application& application, const QString&) { application.showPreferences(); };
    case CommandID::terminate:
        return [](Application& application, const QString&) { application.quit(); };
    case CommandID::newImage:
        return [](Application& application, const QString&) { application.newImage(); };
    case CommandID::newFromClipboard:
        return [](Application& application, const QString&) { application.newFromClipboard(); };
    case CommandID::openDocument:
        return [](Application& application, const QString&) { application.openWithDialog(); };
    case CommandID::openRecentDocument:
        return [](Application& application, const QString& path) { application.openFile(path); };
    case CommandID::importFromPhotos:
        return [](Application& application, const QString&) { application.importImages(); };
    case CommandID::revertDocumentToSaved:
        return [](Application& application, const QString&) { application.revertToSaved(); };
    case CommandID::printDocument:
        return [](Application& application, const QString&) { application.printDocument(); };
    case CommandID::performMiniaturize:
        return [](Application& application, const QString&) { application.minimizeActiveWindow(); };
    case CommandID::performZoom:
        return [](Application& application, const QString&) { application.zoomActiveWindow(); };
    case CommandID::arrangeInFront:
        return [](Application& application, const QString&) { application.bringAllToFront(); };
    case CommandID::showHelp:
        return [](Application&, const QString&) { HelpWindow::showWindow(); };
    case CommandID::showShortcutCheatSheet:
        return [](Application& application, const QString&) { application.cheatSheet_->show(); };
    case CommandID::openWebsite:
        return [](Application&, const QString&) { QDesktopServices::openUrl(kWebsite); };
    case CommandID::performClose:
    case CommandID::saveDocument:
    case CommandID::saveDocumentAs:
    case CommandID::exportAs:
    case CommandID::undo:
    case CommandID::redo:
    case CommandID::cut:
    case CommandID::copy:
    case CommandID::paste:
    case CommandID::fillSelection:
    case CommandID::strokeSelection:
    case CommandID::swapColors:
    case CommandID::resetColors:
    case CommandID::selectAll:
    case CommandID::deselect:
    case CommandID::marqueeRectangle:
    case CommandID::marqueeEllipse:
    case CommandID::invertSelection:
    case CommandID::fixedSizeSelection:
    case CommandID::aspectRatioSelection:
    case CommandID::showImageSize:
    case CommandID::showCanvasSize:
    case CommandID::cropToSelection:
    case CommandID::trimCanvas:
    case CommandID::flipImageHorizontal:
    case CommandID::flipImageVertical:
    case CommandID::rotateClockwise:
    case CommandID::rotateCounterclockwise:
    case CommandID::newLayer:
    case CommandID::newTextLayer:
    case CommandID::editTextLayer:
    case CommandID::duplicateLayer:
    case CommandID::freeTransform:
    case CommandID::flipLayerHorizontal:
    case CommandID::flipLayerVertical:
    case CommandID::showLayerEffects:
    case CommandID::toggleLayerLock:
    case CommandID::deleteLayer:
    case CommandID::groupLayers:
    case CommandID::ungroupLayers:
    case CommandID::mergeLayers:
    case CommandID::flattenImage:
    case CommandID::alignLeft:
    case CommandID::alignCenterHorizontal:
    case CommandID::alignRight:
    case CommandID::alignTop:
    case CommandID::alignCenterVertical:
    case CommandID::alignBottom:
    case CommandID::applyFilter:
    case CommandID::selectMoveTool:
    case CommandID::selectSelectTool:
    case CommandID::selectTextTool:
    case CommandID::selectColorPickerTool:
    case CommandID::selectBrushTool:
    case CommandID::selectEraserTool:
    case CommandID::selectFillTool:
    case CommandID::selectGradientTool:
    case CommandID::zoomIn:
    case CommandID::zoomOut:
    case CommandID::zoomActualSize:
    case CommandID::zoomToFit:
    case CommandID::toggleCheckerboard:
    case CommandID::toggleSidebarPanels:
    case CommandID::selectAllCanvas:
        return nullptr;
    }
    return nullptr;
}

void Application::showAbout()
{
    QMessageBox::about(dialogParent(), QStringLiteral("About Velmaris Images"),
                       QStringLiteral("<b>Velmaris Images</b><br>Version %1<br><br>A raster image editor with "
                                      "layers, editable text, effects and filters.")
                           .arg(QApplication::applicationVersion()));
}

void Application::minimizeActiveWindow()
{
    if (QWidget* window = QApplication::activeWindow())
        window->showMinimized();
}

void Application::zoomActiveWindow()
{
    if (QWidget* window = QApplication::activeWindow())
        window->isMaximized() ? window->showNormal() : window->showMaximized();
}

void Application::bringAllToFront()
{
    for (DocumentWindow* window : documentWindows())
        window->raise();
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
    if (document->filePath().isEmpty()) {
        // The lowest number no other untitled window shows.
        const QList<DocumentWindow*> others = documentWindows();
        int number = 1;
        while (std::any_of(others.begin(), others.end(), [number](DocumentWindow* other) {
            return other->document() && other->document()->filePath().isEmpty() && other->untitledNumber() == number;
        }))
            ++number;
        window->setUntitledNumber(number);
    }
    windows_.append(window);
    installMainMenu(window, {[this, window](CommandID command, const QString& argument) -> QAction* {
                                 if (QAction* own = window->actions()->action(command, argument))
                                     return own;
                                 return action(command);
                             },
                             [this](CommandID command, const QString& argument) { runCommand(command, argument); },
                             [this] { return documentWindows(); }});
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
        for (const auto& [command, action] : actions_)
            welcome_->addAction(action);
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
    Pasteboard().readImage(this, [this](std::optional<Bitmap> image) {
        if (!image) {
            QApplication::beep();
            return;
        }
        showDocument(documents_.addDocument(ImageDocument::fromImage(*image, QStringLiteral("Clipboard"))));
    });
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
                reportUnrecoverable(document, *error);
            else
                showDocument(std::get<ImageDocument*>(reopened));
        }
    }
}

void Application::reportUnrecoverable(const RecoverableDocument& document, const FileError& error)
{
    // Under the autosave's own name: the original file is not what failed.
    QMessageBox box(QMessageBox::Warning, QFileInfo(document.autosavePath).fileName(), error.message,
                    QMessageBox::NoButton);
    box.setObjectName(QStringLiteral("UnrecoverableAutosave"));
    const QString copy = document.originalPath.isEmpty()
        ? QStringLiteral("The autosaved copy of an untitled image could not be recovered.")
        : QStringLiteral("The autosaved copy of “%1” could not be recovered; the file itself is untouched.")
              .arg(QFileInfo(document.originalPath).fileName());
    box.setInformativeText(error.detail.isEmpty() ? copy : error.detail + QStringLiteral("\n\n") + copy);
    QAbstractButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.addButton(QStringLiteral("Keep"), QMessageBox::RejectRole);
    box.exec();
    // Either way it is not offered again: kept, it is set aside beside the autosaves.
    if (box.clickedButton() == discard)
        documents_.discardRecovered(document);
    else
        documents_.setAsideRecovered(document);
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
        QMessageBox::warning(window, QStringLiteral("Print"), error->withReason());
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
