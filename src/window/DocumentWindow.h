#pragma once

#include "canvas/CanvasInteractionDelegate.h"
#include "document/HistoryUndoBridge.h"
#include "platform/CommandRegistry.h"
#include "window/StatusLine.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QSplitter;
class QToolBar;
class QToolButton;

namespace velmaris {

class AdjustmentPanel;
class ColorWells;
class CanvasView;
class DocumentActions;
class DocumentSaver;
class ImageDocument;
class Sidebar;
class ViewStateKeeper;

// The one window of a document: the canvas with its status line beside the side panels, the
// toolbar, and every document command as an action with its shortcut and enabled state.
class DocumentWindow : public QMainWindow, public CanvasInteractionDelegate {
    Q_OBJECT
public:
    // The window does not own the document; it deletes itself when closed.
    explicit DocumentWindow(ImageDocument* document, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    ImageDocument* document() const { return document_; }
    CanvasView* canvas() const { return canvas_; }
    Sidebar* sidebar() const { return sidebar_; }
    QSplitter* splitter() const { return splitter_; }
    QToolBar* toolbar() const { return toolbar_; }
    StatusLine* statusLine() const { return statusLine_; }
    ColorWells* colorWells() const { return colorWells_; }
    QLabel* sizeLabel() const { return statusLine_->sizeLabel(); }
    QLabel* infoLabel() const { return statusLine_->pointerLabel(); }
    DocumentActions* actions() const { return actions_; }
    DocumentSaver* saver() const { return saver_; }
    ViewStateKeeper* viewState() const { return viewState_; }
    AdjustmentPanel* adjustmentPanel() const;
    // The name the window shows: the file's, or for a document without a file "Untitled",
    // "Untitled 2" … by the number the application gives it among the untitled windows open.
    QString documentName() const;
    int untitledNumber() const { return untitledNumber_; }
    void setUntitledNumber(int number);

    // Runs a command, as its action, menu item or sidebar button would; `argument` is the filter's
    // identifier for Apply Filter. Commands of the application do nothing here.
    void runCommand(CommandID command, const QString& argument = {});
    // What a command does in a document window; null for the application's commands.
    using CommandHandler = void (*)(DocumentWindow& window, const QString& argument);
    static CommandHandler commandHandler(CommandID command);
    // Applies a filter without parameters at once; opens the adjustment panel for the others.
    void openFilter(const QString& identifier);

    void canvasPixelReadoutChanged(const std::optional<PixelReadout>& readout) override;

Q_SIGNALS:
    void preferencesRequested();
    // The window is closing for good (after any question about unsaved changes).
    void windowWillClose(velmaris::ImageDocument* document);
    // The question about unsaved changes was answered with Cancel, or the save it asked for did
    // not happen: the window stays open.
    void closeCancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Commands given while a document's layers are still loading run once they are in.
    void runCommandsAwaitingLayers();
    QVector<std::pair<CommandID, QString>> commandsAwaitingLayers_;
    void buildToolbar();
    QToolButton* addToolbarButtons(ToolbarGroup group, const QString& label, bool exclusive);
    void buildSplitView();
    void applySidebarPosition();
    void toggleSidebar();
    void refresh();
    void updateTitle();
    void selectTool(EditorTool tool);
    void cutSelectionOrText();
    void askToSaveBeforeClosing();
    void rememberSidebarWidth();

    QPointer<ImageDocument> document_;
    HistoryUndoBridge undoBridge_;
    CanvasView* canvas_;
    Sidebar* sidebar_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QWidget* canvasPane_ = nullptr;
    StatusLine* statusLine_ = nullptr;
    ColorWells* colorWells_ = nullptr;
    QAction* savingIndicator_ = nullptr;
    DocumentActions* actions_ = nullptr;
    DocumentSaver* saver_ = nullptr;
    ViewStateKeeper* viewState_ = nullptr;
    QPointer<AdjustmentPanel> adjustmentPanel_;
    QPointer<QWidget> closeQuestion_;
    bool closeConfirmed_ = false;
    int untitledNumber_ = 1;
};

}  // namespace velmaris
