#pragma once

#include "document/DocumentController.h"
#include "platform/CommandRegistry.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>

class QAction;
class QMainWindow;
class QWidget;

namespace velmaris {

class BareKeyShortcuts;
class DocumentWindow;
class ShortcutCheatSheet;
class UpdateController;
class WelcomeWindow;

// The running editor: the open documents and their windows, the welcome window while none is
// open, the application's own commands (New, Open, Import, Quit …) and the review of unsaved
// documents when quitting.
class Application : public QObject {
    Q_OBJECT
public:
    // Chooses files to open or import; empty when cancelled.
    using FileChooser = std::function<QStringList(QWidget* parent)>;

    // `autosaveFolder` empty: the standard one.
    explicit Application(const QString& autosaveFolder = {}, QObject* parent = nullptr);
    ~Application() override;

    // Offers what a crashed session left behind, opens `files` and shows the welcome window when
    // nothing opened.
    void launch(const QStringList& files);

    DocumentController& documents() { return documents_; }
    UpdateController& updates() { return *updates_; }
    QList<DocumentWindow*> documentWindows() const;
    WelcomeWindow* welcomeWindow() const;
    bool isTerminating() const { return terminating_; }
    // The action of one of the application's commands; null for the document windows' commands.
    QAction* action(CommandID command) const;
    // Runs one of the application's commands; `argument` is the file of Open Recent.
    void runCommand(CommandID command, const QString& argument = {});
    // What a command does for the application; null for the document windows' commands.
    using CommandHandler = void (*)(Application& application, const QString& argument);
    static CommandHandler commandHandler(CommandID command);

    // Opens the file in a document window (or brings its window forward); the file is read on a
    // worker, so the windows stay responsive. A file that cannot be read shows the reason and
    // opens nothing.
    void openFile(const QString& path);
    DocumentWindow* showDocument(ImageDocument* document);
    void showWelcomeWindow();
    // Closes every window, asking about each edited document; Cancel stops the quit.
    void quit();

    void setOpenChooser(FileChooser chooser) { chooseFilesToOpen_ = std::move(chooser); }
    void setImportChooser(FileChooser chooser) { chooseFilesToImport_ = std::move(chooser); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    void documentWindowOpened(velmaris::DocumentWindow* window);
    // A file asked for could not be opened (after its error was shown).
    void openFailed(const QString& path);
    // Every window closed and every save ended: the event loop may end.
    void quitFinished();

private:
    void createActions();
    void showAbout();
    void minimizeActiveWindow();
    void zoomActiveWindow();
    void bringAllToFront();
    void showPreferences();
    void newImage();
    void newFromClipboard();
    void openWithDialog();
    void importImages();
    void offerRecovery();
    void reportUnrecoverable(const RecoverableDocument& document, const FileError& error);
    void revertToSaved();
    void printDocument();
    void closeNextWindowForQuit();
    void documentWindowClosed();
    void showWelcomeUnlessBusy();
    void applyShortcuts();
    void applyShortcuts(DocumentWindow* window);
    DocumentWindow* activeDocumentWindow() const;
    QWidget* dialogParent() const;

    DocumentController documents_;
    std::map<CommandID, QAction*> actions_;
    BareKeyShortcuts* bareKeys_;
    ShortcutCheatSheet* cheatSheet_;
    UpdateController* updates_;
    QPointer<WelcomeWindow> welcome_;
    QList<QPointer<DocumentWindow>> windows_;
    FileChooser chooseFilesToOpen_;
    FileChooser chooseFilesToImport_;
    bool terminating_ = false;
};

}  // namespace velmaris
