#pragma once

#include "document/DocumentController.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

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
    // The application's command of that name ("newImage", "openDocument", "terminate" …).
    QAction* action(const QString& name) const { return actions_.value(name); }

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
    QAction* addAction(const QString& name, const QString& title, const QKeySequence& shortcut,
                       std::function<void()> run);
    void createActions();
    void showPreferences();
    void newImage();
    void newFromClipboard();
    void openWithDialog();
    void importImages();
    void offerRecovery();
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
    QHash<QString, QAction*> actions_;
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
