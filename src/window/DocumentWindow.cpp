#include "window/DocumentWindow.h"

#include "canvas/CanvasView.h"
#include "document/ImageDocument.h"
#include "document/TextEditingSession.h"
#include "platform/Preferences.h"
#include "platform/ToolCatalogue.h"
#include "window/AdjustmentPanel.h"
#include "window/ColorWells.h"
#include "window/DocumentActions.h"
#include "window/DocumentSaver.h"
#include "window/HistoryPanel.h"
#include "window/LayersPanel.h"
#include "window/Sidebar.h"
#include "window/SymbolIcons.h"
#include "window/ViewStateKeeper.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace velmaris {

namespace {

constexpr int kSidebarMinimumWidth = 105;
constexpr int kSidebarMaximumWidth = 360;
// Wide enough for a layer's name such as "Background" beside its toggles and thumbnail.
constexpr int kSidebarDefaultWidth = 260;
constexpr int kContentMinimumWidth = 300;
const QString kSplitViewKey = QStringLiteral("VelmarisImagesDocumentSplitView");

bool sidebarOnLeft()
{
    return Preferences().sidebarOnLeft().value_or(false);
}

QWidget* stretch()
{
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return spacer;
}

}  // namespace

DocumentWindow::DocumentWindow(ImageDocument* document, QWidget* parent)
    : QMainWindow(parent), document_(document), undoBridge_(document), canvas_(new CanvasView(document))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("DocumentWindow"));
    canvas_->setInteractionDelegate(this);
    actions_ = new DocumentActions(document, this,
                                   [this](CommandID command, const QString& argument) { runCommand(command, argument); });
    saver_ = new DocumentSaver(document, this);
    buildSplitView();
    buildToolbar();
    resize(1100, 760);

    connect(saver_, &DocumentSaver::progressVisibilityChanged, savingIndicator_, &QAction::setVisible);
    for (auto signal : {&ImageDocument::stateDidChange, &ImageDocument::selectionDidChange,
                        &ImageDocument::textEditingDidChange, &ImageDocument::transformDidChange})
        connect(document, signal, this, &DocumentWindow::refresh);
    connect(document, &ImageDocument::editedChanged, this, &DocumentWindow::updateTitle);
    // The panels change layers directly: they wait with the commands.
    sidebar_->setEnabled(!document->isWaitingForLayers());
    connect(document, &ImageDocument::layersDidLoad, this, [this] {
        sidebar_->setEnabled(true);
        runCommandsAwaitingLayers();
    });
    connect(document, &ImageDocument::filePathDidChange, this, &DocumentWindow::updateTitle);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &DocumentWindow::refresh);
    // Cut also serves the focused text field.
    connect(qApp, &QApplication::focusChanged, this, &DocumentWindow::refresh);
    connect(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange, this, [this](const QString& name) {
        if (name == QLatin1String(PreferenceName::sidebarOnLeft))
            applySidebarPosition();
    });
    updateTitle();
    selectTool(EditorTool::move);
    refresh();
    viewState_ = new ViewStateKeeper(document, this, canvas_);
    Q_EMIT document->windowDidOpen(this);
}

DocumentWindow::~DocumentWindow()
{
    // Deleting the child widgets below moves the focus; this window must not hear of it any more.
    disconnect(qApp, nullptr, this, nullptr);
    if (adjustmentPanel_)
        adjustmentPanel_->close();
}

AdjustmentPanel* DocumentWindow::adjustmentPanel() const
{
    return adjustmentPanel_;
}

void DocumentWindow::buildSplitView()
{
    auto* layers = new LayersPanel(document_);
    auto* history = new HistoryPanel(document_);
    // The sidebar's section headers title the two panels already.
    layers->header()->hide();
    history->header()->hide();
    sidebar_ = new Sidebar(document_, layers, history);
    sidebar_->setMinimumWidth(kSidebarMinimumWidth);
    sidebar_->setMaximumWidth(kSidebarMaximumWidth);
    connect(sidebar_, &Sidebar::commandRequested, this, &DocumentWindow::runCommand);
    canvas_->setMinimumWidth(kContentMinimumWidth);
    canvasPane_ = new QWidget;
    auto* column = new QVBoxLayout(canvasPane_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(canvas_, 1);
    statusLine_ = new StatusLine(document_, canvas_);
    column->addWidget(statusLine_);

    splitter_ = new QSplitter(Qt::Horizontal);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(canvasPane_);
    splitter_->addWidget(sidebar_);
    // The sidebar keeps its width while the window is resized.
    splitter_->setStretchFactor(splitter_->indexOf(canvasPane_), 1);
    splitter_->setStretchFactor(splitter_->indexOf(sidebar_), 0);
    setCentralWidget(splitter_);
    applySidebarPosition();
    const int storedWidth = QSettings().value(kSplitViewKey, kSidebarDefaultWidth).toInt();
    const int sidebarWidth = std::clamp(storedWidth, kSidebarMinimumWidth, kSidebarMaximumWidth);
    QList<int> sizes{1100 - sidebarWidth, sidebarWidth};
    if (splitter_->indexOf(sidebar_) == 0)
        std::reverse(sizes.begin(), sizes.end());
    splitter_->setSizes(sizes);
    connect(splitter_, &QSplitter::splitterMoved, this, &DocumentWindow::rememberSidebarWidth);
}

void DocumentWindow::rememberSidebarWidth()
{
    if (sidebar_->isVisible())
        QSettings().setValue(kSplitViewKey, sidebar_->width());
}

void DocumentWindow::applySidebarPosition()
{
    const bool left = sidebarOnLeft();
    const int wanted = left ? 0 : splitter_->count() - 1;
    if (splitter_->indexOf(sidebar_) != wanted) {
        const QList<int> sizes = splitter_->sizes();
        splitter_->insertWidget(wanted, sidebar_);
        QList<int> reversed(sizes.rbegin(), sizes.rend());
        splitter_->setSizes(reversed);
    }
    if (QAction* toggle = actions_->action(CommandID::toggleSidebarPanels))
        toggle->setIcon(symbolIcon(left ? QStringLiteral("sidebar.leading") : QStringLiteral("sidebar.trailing")));
}

void DocumentWindow::toggleSidebar()
{
    sidebar_->setVisible(!sidebar_->isVisible());
}

QToolButton* DocumentWindow::addToolbarButtons(ToolbarGroup toolbarGroup, const QString& label, bool exclusive)
{
    auto* box = new QWidget;
    box->setAccessibleName(label);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    QActionGroup* group = exclusive ? new QActionGroup(box) : nullptr;
    QToolButton* first = nullptr;
    QVector<CommandRow> commands;
    for (const CommandRow& command : allCommandRows())
        if (command.toolbar.group == toolbarGroup)
            commands.append(command);
    std::stable_sort(commands.begin(), commands.end(),
                     [](const CommandRow& a, const CommandRow& b) { return a.toolbar.order < b.toolbar.order; });
    for (const CommandRow& command : commands) {
        QAction* action = actions_->action(command.id);
        auto* button = new QToolButton;
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        button->setObjectName(QStringLiteral("toolbar.") + QLatin1String(command.name));
        row->addWidget(button);
        if (group)
            group->addAction(action);
        if (!first)
            first = button;
    }
    toolbar_->addWidget(box)->setObjectName(label);
    return first;
}

void DocumentWindow::buildToolbar()
{
    toolbar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolbar_->setObjectName(QStringLiteral("VelmarisImagesDocumentToolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolbar_->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, toolbar_);

    toolbar_->addWidget(stretch());
    addToolbarButtons(ToolbarGroup::tools, QStringLiteral("Tools"), true);
    toolbar_->addSeparator();
    addToolbarButtons(ToolbarGroup::marquee, QStringLiteral("Marquee"), true);
    addToolbarButtons(ToolbarGroup::selection, QStringLiteral("Selection"), false);
    toolbar_->addSeparator();
    addToolbarButtons(ToolbarGroup::crop, QStringLiteral("Crop"), false);
    addToolbarButtons(ToolbarGroup::rotate, QStringLiteral("Rotate"), false);
    toolbar_->addSeparator();
    colorWells_ = new ColorWells;
    toolbar_->addWidget(colorWells_)->setObjectName(QStringLiteral("Colors"));
    addToolbarButtons(ToolbarGroup::colors, QStringLiteral("Color Commands"), false);
    toolbar_->addSeparator();
    addToolbarButtons(ToolbarGroup::align, QStringLiteral("Align"), false);
    toolbar_->addWidget(stretch());

    auto* saving = new QWidget;
    auto* savingRow = new QHBoxLayout(saving);
    savingRow->setContentsMargins(0, 0, 8, 0);
    auto* savingBar = new QProgressBar;
    savingBar->setRange(0, 0);
    savingBar->setMaximumWidth(80);
    savingBar->setMaximumHeight(10);
    savingBar->setTextVisible(false);
    savingRow->addWidget(new QLabel(QStringLiteral("Saving…")));
    savingRow->addWidget(savingBar);
    savingIndicator_ = toolbar_->addWidget(saving);
    savingIndicator_->setObjectName(QStringLiteral("SavingIndicator"));
    savingIndicator_->setVisible(false);

    addToolbarButtons(ToolbarGroup::panels, QStringLiteral("Panels"), false);
    addToolbarButtons(ToolbarGroup::preferences, QStringLiteral("Preferences"), false);
}

void DocumentWindow::refresh()
{
    if (!document_)
        return;
    actions_->refresh();
    const bool editorOpen = canvas_->hasTextEditor();
    QAction* undo = actions_->action(CommandID::undo);
    undo->setEnabled(undoBridge_.canUndo() && !editorOpen);
    undo->setText(undoBridge_.undoMenuItemTitle());
    QAction* redo = actions_->action(CommandID::redo);
    redo->setEnabled(undoBridge_.canRedo() && !editorOpen);
    redo->setText(undoBridge_.redoMenuItemTitle());
    QWidget* focus = QApplication::focusWidget();
    if ((qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus)) && isAncestorOf(focus))
        actions_->action(CommandID::cut)->setEnabled(true);
}

void DocumentWindow::updateTitle()
{
    if (!document_)
        return;
    setWindowTitle(documentName() + QStringLiteral("[*] — Velmaris Images"));
    setWindowFilePath(document_->filePath());
    setWindowModified(document_->isEdited());
}

QString DocumentWindow::documentName() const
{
    if (document_ && !document_->filePath().isEmpty())
        return QFileInfo(document_->filePath()).fileName();
    return untitledNumber_ > 1 ? QStringLiteral("Untitled %1").arg(untitledNumber_) : QStringLiteral("Untitled");
}

void DocumentWindow::setUntitledNumber(int number)
{
    untitledNumber_ = number;
    updateTitle();
}

void DocumentWindow::selectTool(EditorTool tool)
{
    canvas_->setTool(tool);
    for (const ToolRow& row : allToolRows())
        actions_->action(row.command)->setChecked(row.tool == tool);
    statusLine_->toolChanged();
}

void DocumentWindow::canvasPixelReadoutChanged(const std::optional<PixelReadout>& readout)
{
    statusLine_->setPixelReadout(readout);
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    if (document_ && document_->textEditing())
        commitTextEditing(*document_);
    if (!closeConfirmed_ && document_ && document_->isEdited()) {
        event->ignore();
        askToSaveBeforeClosing();
        return;
    }
    if (adjustmentPanel_)
        adjustmentPanel_->close();
    viewState_->saveNow();
    Q_EMIT windowWillClose(document_);
    QMainWindow::closeEvent(event);
}

void DocumentWindow::askToSaveBeforeClosing()
{
    if (closeQuestion_ && closeQuestion_->isVisible())
        return;
    const QString name = documentName();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Velmaris Images"),
                                QStringLiteral("Do you want to save the changes made to “%1”?").arg(name),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("CloseQuestion"));
    box->setInformativeText(QStringLiteral("Your changes will be lost if you don't save them."));
    QPushButton* save = box->addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
    QPushButton* discard = box->addButton(QStringLiteral("Don't Save"), QMessageBox::DestructiveRole);
    box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(save);
    box->setAttribute(Qt::WA_DeleteOnClose);
    closeQuestion_ = box;
    connect(box, &QMessageBox::buttonClicked, this, [this, save, discard](QAbstractButton* button) {
        if (button == discard) {
            closeConfirmed_ = true;
            close();
        } else if (button == save) {
            saver_->save([window = QPointer<DocumentWindow>(this)](bool saved) {
                if (!window)
                    return;
                if (!saved) {
                    Q_EMIT window->closeCancelled();
                    return;
                }
                window->closeConfirmed_ = true;
                window->close();
            });
        } else {
            Q_EMIT closeCancelled();
        }
    });
    box->open();
}

}  // namespace velmaris
