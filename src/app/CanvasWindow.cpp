#include "app/CanvasWindow.h"

#include "canvas/CanvasView.h"
#include "document/ImageDocument.h"
#include "document/TransformSession.h"

#include <QActionGroup>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace velmaris {

CanvasWindow::CanvasWindow(ImageDocument& document, const QString& title, QWidget* parent)
    : QMainWindow(parent), canvas_(new CanvasView(&document)), readout_(new QLabel)
{
    setWindowTitle(title + QStringLiteral(" — Velmaris Images"));
    setCentralWidget(canvas_);
    canvas_->setInteractionDelegate(this);
    statusBar()->addPermanentWidget(readout_);

    QToolBar* tools = addToolBar(QStringLiteral("Tools"));
    auto* toolGroup = new QActionGroup(this);
    const std::pair<QString, EditorTool> toolActions[] = {
        {QStringLiteral("Move"), EditorTool::move},
        {QStringLiteral("Select"), EditorTool::select},
        {QStringLiteral("Text"), EditorTool::text},
    };
    for (const auto& [name, tool] : toolActions) {
        QAction* action = tools->addAction(name, this, [this, tool = tool] { canvas_->setTool(tool); });
        action->setCheckable(true);
        action->setChecked(tool == EditorTool::move);
        toolGroup->addAction(action);
    }
    tools->addSeparator();
    tools->addAction(QStringLiteral("Zoom In"), QKeySequence::ZoomIn, canvas_, &CanvasView::zoomIn);
    tools->addAction(QStringLiteral("Zoom Out"), QKeySequence::ZoomOut, canvas_, &CanvasView::zoomOut);
    tools->addAction(QStringLiteral("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0), canvas_,
                     &CanvasView::zoomActualSize);
    tools->addAction(QStringLiteral("Zoom to Fit"), QKeySequence(Qt::CTRL | Qt::Key_9), canvas_,
                     &CanvasView::zoomToFit);
    tools->addSeparator();
    QAction* transform = tools->addAction(QStringLiteral("Free Transform"), QKeySequence(Qt::CTRL | Qt::Key_T),
                                          this, [&document] {
                                              if (document.transform())
                                                  commitTransform(document);
                                              else
                                                  beginTransform(document);
                                          });
    connect(&document, &ImageDocument::transformDidChange, transform, [transform, &document] {
        transform->setText(document.transform() ? QStringLiteral("Commit Transform")
                                                : QStringLiteral("Free Transform"));
    });
    tools->addAction(QStringLiteral("Undo"), QKeySequence::Undo, &document, &ImageDocument::undoHistory);
    tools->addAction(QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &document,
                     &ImageDocument::redoHistory);
    tools->addAction(QStringLiteral("Select All"), QKeySequence::SelectAll, canvas_, &CanvasView::selectAll);
    resize(1100, 800);
    QTimer::singleShot(0, canvas_, &CanvasView::zoomToFit);
}

void CanvasWindow::canvasPixelReadoutChanged(const std::optional<PixelReadout>& readout)
{
    readout_->setText(readout ? pixelReadoutText(*readout) : QString());
}

}  // namespace velmaris
