// Pointer, keyboard and wheel input of the canvas.
#include "canvas/CanvasTextEditor.h"
#include "canvas/CanvasView.h"
#include "canvas/Snapping.h"
#include "canvas/ViewGeometry.h"
#include "render/ReducedImages.h"
#include "document/LayerSelection.h"
#include "document/SelectionOperations.h"
#include "document/TextEditingSession.h"
#include "platform/CurrentColorStore.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QPointer>
#include <QScrollBar>
#include <QThreadPool>

#include <cmath>

namespace velmaris {

namespace {

constexpr double kDeadZone = 3;  // screen points a press may move and still be a click

std::optional<Layer> topmostLayerAt(const CanvasState& state, QPointF point, bool textOnly)
{
    for (auto layer = state.layers.crbegin(); layer != state.layers.crend(); ++layer)
        if (layer->isVisible && (!textOnly || layer->isText()) && layer->box().contains(point))
            return *layer;
    return std::nullopt;
}

QPointF roundedPoint(QPointF point)
{
    return {std::round(point.x()), std::round(point.y())};
}

}  // namespace

QSet<QUuid> CanvasView::movingLayerIDs() const
{
    QSet<QUuid> ids;
    if (!document_)
        return ids;
    const CanvasState& state = document_->state();
    const std::optional<Layer> primary = state.selectedLayer();
    if (!primary)
        return ids;
    if (!primary->isLocked)
        ids.insert(primary->id);
    for (const Layer& layer : state.extraSelectedLayers())
        if (!layer.isLocked)
            ids.insert(layer.id);
    return ids;
}

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        panLast_ = event->position();
        viewport()->setCursor(Qt::ClosedHandCursor);
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
    pressWithTool(event, canvasPoint(event->position()));
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (textEditor_ && textEditor_->contains(canvasPoint(event->position()))) {
        QGraphicsView::mouseDoubleClickEvent(event);
        return;
    }
    mousePressEvent(event);
}

void CanvasView::pressWithTool(QMouseEvent* event, QPointF point)
{
    dragMode_ = std::monostate{};
    if ((event->modifiers() & Qt::AltModifier) && !document_->transform()) {
        const std::optional<StoredColor> color = sampleColor(point);
        if (color && *color != StoredColor{0, 0, 0, 0})
            CurrentColorStore::shared().setColor(*color);
        return;
    }
    if (document_->transform()) {
        handleTransformPress(event, point);
        return;
    }
    // A press anywhere outside the editor ends the text edit first.
    commitTextEditing(*document_);
    switch (tool_) {
    case EditorTool::move: pressWithMoveTool(event, point); break;
    case EditorTool::select: pressWithSelectTool(point); break;
    case EditorTool::text: pressWithTextTool(point); break;
    }
}

void CanvasView::pressWithMoveTool(QMouseEvent* event, QPointF point)
{
    const CanvasState& state = document_->state();
    if (const std::optional<Layer> hit = topmostLayerAt(state, point, false)) {
        const bool selected = state.selectedLayerID == hit->id || state.extraSelectedLayerIDs.contains(hit->id);
        if (!selected) {
            if (state.extraSelectedLayerIDs.isEmpty())
                selectLayer(*document_, hit->id);
            else
                pendingAutoSelectLayerID_ = hit->id;
        }
        if (event->type() == QEvent::MouseButtonDblClick && hit->isText())
            pendingTextEditLayerID_ = hit->id;
    }
    mouseDownViewportPoint_ = event->position();
    dragPointerStart_ = point;
    dragOriginalOrigins_.clear();
    const QSet<QUuid> moving = movingLayerIDs();
    const QSizeF size = document_->state().size;
    dragSnapTargetsX_ = {0, size.width() / 2, size.width()};
    dragSnapTargetsY_ = {0, size.height() / 2, size.height()};
    for (const Layer& layer : document_->state().layers) {
        if (moving.contains(layer.id)) {
            dragOriginalOrigins_.insert(layer.id, layer.origin);
        } else if (layer.isVisible) {
            const QRectF box = layer.box();
            dragSnapTargetsX_ << box.left() << box.center().x() << box.right();
            dragSnapTargetsY_ << box.top() << box.center().y() << box.bottom();
        }
    }
    dragMode_ = MovingLayer{point, false};
}

void CanvasView::pressWithSelectTool(QPointF point)
{
    const std::optional<QRectF> selection = document_->selection().rect;
    if (selection) {
        if (const std::optional<SelectionHandle> handle = handleAt(point, *selection, kHandleHitSide * this->point())) {
            dragMode_ = ResizingSelection{*handle, anchorPoint(*handle, *selection)};
            return;
        }
        if (selection->contains(point)) {
            dragMode_ = MovingSelection{point - selection->topLeft()};
            return;
        }
    }
    deselect(*document_);
    dragMode_ = CreatingSelection{point};
}

void CanvasView::pressWithTextTool(QPointF point)
{
    if (const std::optional<Layer> text = topmostLayerAt(document_->state(), point, true))
        editTextLayer(*document_, text->id);
    else
        addTextLayer(*document_, point);
}

bool CanvasView::handleTransformPress(QMouseEvent* event, QPointF point)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        commitTransform(*document_);
        return true;
    }
    transformDrag_ = transformDragAt(*document_->transform(), point, kTransformHandleReach * this->point());
    return true;
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    if (panLast_) {
        const QPointF delta = event->position() - *panLast_;
        panLast_ = event->position();
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - int(std::round(delta.x())));
        verticalScrollBar()->setValue(verticalScrollBar()->value() - int(std::round(delta.y())));
        return;
    }
    const QPointF point = canvasPoint(event->position());
    if (!(event->buttons() & Qt::LeftButton)) {
        reportPixel(event->position());
        updateCursor(point);
        QGraphicsView::mouseMoveEvent(event);
        return;
    }
    if (!document_)
        return;
    if (textEditor_ && std::holds_alternative<std::monostate>(dragMode_) && !document_->transform()) {
        QGraphicsView::mouseMoveEvent(event);  // selecting text in the editor
        return;
    }
    dragTo(event, point);
}

void CanvasView::dragTo(QMouseEvent* event, QPointF point)
{
    if (document_->transform()) {
        if (transformDrag_) {
            document_->replaceTransform(draggedTransform(*document_->transform(), *transformDrag_, point,
                                                         event->modifiers() & Qt::ShiftModifier));
            document_->announceTransformChange();
        }
        return;
    }
    const QSizeF size = document_->state().size;
    const std::optional<QSizeF> aspect = document_->selection().aspect;
    if (const auto* creating = std::get_if<CreatingSelection>(&dragMode_)) {
        document_->setSelectionRect(selectionRect(creating->anchor, point, aspect, size));
    } else if (const auto* moving = std::get_if<MovingSelection>(&dragMode_)) {
        if (const std::optional<QRectF> selection = document_->selection().rect)
            document_->setSelectionRect(
                clampedIntoCanvas(QRectF(point - moving->grabOffset, selection->size()), size));
    } else if (const auto* resizing = std::get_if<ResizingSelection>(&dragMode_)) {
        const QRectF selection = document_->selection().rect.value_or(QRectF());
        document_->setSelectionRect(
            selectionRect(resizing->anchor, resizePointer(resizing->handle, point, selection), aspect, size));
    } else if (auto* layers = std::get_if<MovingLayer>(&dragMode_)) {
        dragLayersTo(event, point, *layers);
    }
}

void CanvasView::dragLayersTo(QMouseEvent* event, QPointF point, MovingLayer& gesture)
{
    if (!gesture.moved) {
        const QPointF travel = event->position() - mouseDownViewportPoint_;
        if (std::hypot(travel.x(), travel.y()) <= kDeadZone)
            return;
        pendingTextEditLayerID_.reset();
    }
    if (point == gesture.lastPoint)
        return;
    if (!fastDragRequested_)
        startFastDrag();
    const QSet<QUuid> moving = movingLayerIDs();
    if (moving.isEmpty())
        return;
    const QPointF delta = point - dragPointerStart_;
    Snap snapX, snapY;
    const std::optional<Layer> primary = document_->state().selectedLayer();
    if (!(event->modifiers() & Qt::ControlModifier) && primary && dragOriginalOrigins_.contains(primary->id)) {
        const QRectF box(dragOriginalOrigins_.value(primary->id) + delta, primary->box().size());
        const double threshold = kSnapDistance * this->point();
        snapX = snapOffset({box.left(), box.center().x(), box.right()}, dragSnapTargetsX_, threshold);
        snapY = snapOffset({box.top(), box.center().y(), box.bottom()}, dragSnapTargetsY_, threshold);
    }
    CanvasState state = document_->state();
    for (Layer& layer : state.layers)
        if (moving.contains(layer.id) && dragOriginalOrigins_.contains(layer.id))
            layer.origin = dragOriginalOrigins_.value(layer.id) + delta + QPointF(snapX.offset, snapY.offset);
    document_->setLiveState(std::move(state));
    setActiveSnapLines(snapX.line, snapY.line);
    gesture = MovingLayer{point, true};
}

void CanvasView::startFastDrag()
{
    fastDragRequested_ = true;
    dragLastFrames_.clear();
    if (document_->filterPreview())
        return;  // with a live preview every step re-renders the whole composite
    const QSet<QUuid> moving = movingLayerIDs();
    if (moving.isEmpty())
        return;
    fastDragActive_ = true;
    const CanvasState state = document_->state();
    const int halvings = std::min(reductionLevelFor(magnification(), 5), 5);
    const quint64 generation = ++fastDragGeneration_;
    QPointer<CanvasView> self(this);
    QThreadPool::globalInstance()->start([self, state, moving, halvings, generation] {
        std::optional<LayerDragImages> images = LayerDragImages::build(state, moving, halvings);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, images = std::move(images), generation]() mutable {
                if (!self || !images || self->fastDragGeneration_ != generation || !self->fastDragRequested_)
                    return;
                self->dragImages_ = std::make_shared<const LayerDragImages>(std::move(*images));
                self->redrawAll();
            },
            Qt::QueuedConnection);
    });
}

void CanvasView::setActiveSnapLines(std::optional<double> x, std::optional<double> y)
{
    if (activeSnapLines_ == std::pair(x, y))
        return;
    const double halfWidth = snapGuideHalfWidth(magnification());
    const QSizeF size = canvasRect().size();
    for (const std::optional<double>& line : {activeSnapLines_.first, x})
        if (line)
            redrawCanvasRect(QRectF(*line - halfWidth, 0, 2 * halfWidth, size.height()));
    for (const std::optional<double>& line : {activeSnapLines_.second, y})
        if (line)
            redrawCanvasRect(QRectF(0, *line - halfWidth, size.width(), 2 * halfWidth));
    activeSnapLines_ = {x, y};
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && panLast_) {
        panLast_.reset();
        updateCursor(canvasPoint(event->position()));
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (textEditor_ && std::holds_alternative<std::monostate>(dragMode_) && document_ && !document_->transform()) {
        QGraphicsView::mouseReleaseEvent(event);
        return;
    }
    release();
}

void CanvasView::release()
{
    if (!document_) {
        dragMode_ = std::monostate{};
        return;
    }
    if (document_->transform()) {
        transformDrag_.reset();
        return;
    }
    if (std::holds_alternative<CreatingSelection>(dragMode_) || std::holds_alternative<MovingSelection>(dragMode_)
        || std::holds_alternative<ResizingSelection>(dragMode_)) {
        std::optional<QRectF> selection = document_->selection().rect;
        if (selection) {
            selection = integralExpansion(*selection);
            if (selection->width() < 1 || selection->height() < 1)
                selection.reset();
        }
        document_->setSelectionRect(selection);
    } else if (const auto* layers = std::get_if<MovingLayer>(&dragMode_)) {
        const bool moved = layers->moved;
        // The drag images stay on screen until the composite with the layers in place is ready.
        fastDragRequested_ = false;
        fastDragActive_ = false;
        dragLastFrames_.clear();
        setActiveSnapLines(std::nullopt, std::nullopt);
        dragOriginalOrigins_.clear();
        if (!moved) {
            if (pendingTextEditLayerID_)
                editTextLayer(*document_, *pendingTextEditLayerID_);
            else if (pendingAutoSelectLayerID_)
                selectLayer(*document_, *pendingAutoSelectLayerID_);
        } else {
            const QSet<QUuid> moving = movingLayerIDs();
            CanvasState state = document_->state();
            for (Layer& layer : state.layers)
                if (moving.contains(layer.id))
                    layer.origin = roundedPoint(layer.origin);
            document_->commitState(std::move(state),
                                   moving.size() == 1 ? QStringLiteral("Move Layer") : QStringLiteral("Move Layers"));
        }
    }
    pendingTextEditLayerID_.reset();
    pendingAutoSelectLayerID_.reset();
    dragMode_ = std::monostate{};
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
    if (document_->transform()) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitTransform(*document_);
            return;
        }
        if (key == Qt::Key_Escape) {
            cancelTransform(*document_);
            return;
        }
    }
    if (key == Qt::Key_Escape) {
        deselect(*document_);
        return;
    }
    const std::optional<QRectF> selection = document_->selection().rect;
    QPointF direction;
    switch (key) {
    case Qt::Key_Left: direction = {-1, 0}; break;
    case Qt::Key_Right: direction = {1, 0}; break;
    case Qt::Key_Down: direction = {0, 1}; break;
    case Qt::Key_Up: direction = {0, -1}; break;
    default: break;
    }
    if (tool_ == EditorTool::select && selection && !direction.isNull()) {
        double step = std::max(1.0, std::floor(point()));
        if (event->modifiers() & Qt::ShiftModifier)
            step *= 10;
        const QRectF moved = clampedIntoCanvas(selection->translated(direction * step), document_->state().size);
        document_->setSelectionRect(integralExpansion(moved));
        return;
    }
    QGraphicsView::keyPressEvent(event);
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
