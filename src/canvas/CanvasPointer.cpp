// Pointer, keyboard and wheel input of the canvas: panning and zooming here, the rest routed to
// the tools.
#include "canvas/CanvasTextEditor.h"
#include "canvas/CanvasView.h"
#include "canvas/ViewGeometry.h"
#include "canvas/tools/TransformTool.h"
#include "document/SelectionOperations.h"
#include "document/TextEditingSession.h"
#include "document/TransformSession.h"
#include "platform/CurrentColorStore.h"

#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QTabletEvent>
#include <QScrollBar>

#include <cmath>

namespace velmaris {

ToolPointer CanvasView::toolPointer(const QMouseEvent& event) const
{
    ToolPointer pointer{canvasPoint(event.position()), event.position(), event.modifiers(),
                        event.type() == QEvent::MouseButtonDblClick, std::nullopt, event.timestamp()};
    // A pen's events reach the canvas again as mouse events from the pen.
    const QPointingDevice* device = event.pointingDevice();
    if (device && (device->type() == QInputDevice::DeviceType::Stylus ||
                   device->type() == QInputDevice::DeviceType::Airbrush))
        pointer.pressure = penPressure_;
    return pointer;
}

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panLast_ = event->position();
        updateCursor({});
        return;
    }
    // The tools change layers, which are not there until a document has loaded them.
    if (!document_ || event->button() != Qt::LeftButton || document_->isWaitingForLayers())
        return;
    // Presses inside the text editor position its caret and select its text.
    if (textEditor_ && textEditor_->contains(canvasPoint(event->position()))) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    setFocus();
    pressTool(event);
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (textEditor_ && textEditor_->contains(canvasPoint(event->position()))) {
        QGraphicsView::mouseDoubleClickEvent(event);
        return;
    }
    mousePressEvent(event);
}

void CanvasView::pressTool(QMouseEvent* event)
{
    const ToolPointer pointer = toolPointer(*event);
    if (gestureTool_)
        gestureTool_->cancel();
    gestureTool_ = nullptr;
    // Alt-click picks a colour with any tool, for desktops that let Alt-clicks through.
    if ((event->modifiers() & Qt::AltModifier) && !document_->transform()) {
        const std::optional<StoredColor> color = sampleColor(pointer.point);
        if (color && color->alpha > 0)
            CurrentColorStore::shared().setColor(*color);
        return;
    }
    // A press anywhere outside the editor ends the text edit first.
    if (!document_->transform())
        commitTextEditing(*document_);
    CanvasTool& tool = activeTool();
    tool.press(pointer);
    if (tool.hasGesture())
        gestureTool_ = &tool;
}

void CanvasView::panBy(QPointF viewportPoint)
{
    // Whole pixels only, the remainder kept for the next step: the canvas stays under the pointer.
    const QPoint step = (viewportPoint - *panLast_).toPoint();
    *panLast_ += step;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - step.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - step.y());
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    if (panLast_) {
        panBy(event->position());
        return;
    }
    const QPointF point = canvasPoint(event->position());
    if (!(event->buttons() & Qt::LeftButton)) {
        reportPixel(event->position());
        if (document_)
            activeTool().hover(point);
        updateCursor(point);
        QGraphicsView::mouseMoveEvent(event);
        return;
    }
    if (!document_)
        return;
    if (!gestureTool_) {
        if (textEditor_)
            QGraphicsView::mouseMoveEvent(event);  // selecting text in the editor
        return;
    }
    gestureTool_->move(toolPointer(*event));
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (panLast_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panLast_.reset();
        updateCursor(canvasPoint(event->position()));
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (!gestureTool_) {
        if (textEditor_ && document_)
            QGraphicsView::mouseReleaseEvent(event);
        return;
    }
    CanvasTool* tool = std::exchange(gestureTool_, nullptr);
    if (document_)
        tool->release(toolPointer(*event));
}

void CanvasView::keyPressEvent(QKeyEvent* event)
{
    if (!document_) {
        QGraphicsView::keyPressEvent(event);
        return;
    }
    if (textEditor_ && textEditor_->hasFocus()) {
        QGraphicsView::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Space && !(event->modifiers() & ~Qt::KeypadModifier)) {
        if (!event->isAutoRepeat()) {
            spaceHeld_ = true;
            updateCursor({});
        }
        return;
    }
    if (document_->transform() && transformTool_->key(*event))
        return;
    if (key == Qt::Key_Escape) {
        if (gestureTool_) {
            std::exchange(gestureTool_, nullptr)->cancel();
            return;
        }
        deselect(*document_);
        return;
    }
    if (toolObject(tool_).key(*event))
        return;
    // Keypad plus and minus zoom like the menu's keys.
    if (event->modifiers() == Qt::KeypadModifier && (key == Qt::Key_Plus || key == Qt::Key_Minus)) {
        key == Qt::Key_Plus ? zoomIn() : zoomOut();
        return;
    }
    QGraphicsView::keyPressEvent(event);
}

void CanvasView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && spaceHeld_) {
        spaceHeld_ = false;
        if (!panLast_)
            updateCursor(canvasPoint(viewport()->mapFromGlobal(QCursor::pos())));
        return;
    }
    QGraphicsView::keyReleaseEvent(event);
}

void CanvasView::focusOutEvent(QFocusEvent* event)
{
    // The release of a Space held while the focus left never comes here.
    if (spaceHeld_) {
        spaceHeld_ = false;
        updateCursor(canvasPoint(viewport()->mapFromGlobal(QCursor::pos())));
    }
    QGraphicsView::focusOutEvent(event);
}

void CanvasView::selectAll()
{
    if (!document_)
        return;
    velmaris::selectAll(*document_);
}

void CanvasView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const double steps = event->angleDelta().y() / 120.0;
        zoomAbout(magnification() * std::pow(kZoomStep, steps), event->position());
        return;
    }
    QGraphicsView::wheelEvent(event);
}

bool CanvasView::viewportEvent(QEvent* event)
{
    // Leaving the viewport, also for a scroll bar of the view, ends the readout.
    if (event->type() == QEvent::Leave) {
        lastHoverPixel_.reset();
        if (interactionDelegate_)
            interactionDelegate_->canvasPixelReadoutChanged(std::nullopt);
    }
    // Left unaccepted, a tablet event comes back as a mouse event, which takes its pressure.
    if (event->type() == QEvent::TabletPress || event->type() == QEvent::TabletMove ||
        event->type() == QEvent::TabletRelease) {
        penPressure_ = static_cast<QTabletEvent*>(event)->pressure();
        event->ignore();
        return false;
    }
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            zoomAbout(magnification() * (1 + gesture->value()), gesture->position());
            return true;
        }
    }
    return QGraphicsView::viewportEvent(event);
}

void CanvasView::reportPixel(QPointF viewportPoint)
{
    if (!interactionDelegate_ || !document_)
        return;
    const QPointF point = canvasPoint(viewportPoint);
    // Rounded down, so that just left of or above the canvas is not taken for its first pixel.
    const QPoint pixel(int(std::floor(point.x())), int(std::floor(point.y())));
    if (lastHoverPixel_ == pixel)
        return;
    lastHoverPixel_ = pixel;
    const std::optional<StoredColor> color = sampleColor(point);
    if (!color) {
        interactionDelegate_->canvasPixelReadoutChanged(std::nullopt);
        return;
    }
    interactionDelegate_->canvasPixelReadoutChanged(
        PixelReadout{pixel.x(), pixel.y(), color->alpha > 0 ? color : std::nullopt});
}

}  // namespace velmaris
