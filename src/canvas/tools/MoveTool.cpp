#include "canvas/tools/MoveTool.h"

#include "canvas/CanvasPainting.h"
#include "canvas/CanvasView.h"
#include "canvas/Snapping.h"
#include "canvas/tools/LayerHit.h"
#include "document/LayerSelection.h"
#include "document/TextEditingSession.h"

#include <QPainter>

#include <cmath>

namespace velmaris {

namespace {

constexpr double kDeadZone = 3;  // screen points a press may move and still be a click

QPointF roundedPoint(QPointF point)
{
    return {std::round(point.x()), std::round(point.y())};
}

}  // namespace

QSet<QUuid> movableSelectedLayerIDs(const CanvasState& state)
{
    QSet<QUuid> ids;
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

void MoveTool::press(const ToolPointer& pointer)
{
    ImageDocument& document = *view_.document();
    const CanvasState& state = document.state();
    if (const std::optional<Layer> hit = topmostLayerAt(state, pointer.point, false)) {
        const bool selected = state.selectedLayerID == hit->id || state.extraSelectedLayerIDs.contains(hit->id);
        if (!selected) {
            if (state.extraSelectedLayerIDs.isEmpty())
                selectLayer(document, hit->id);
            else
                pendingAutoSelectLayerID_ = hit->id;
        }
        if (pointer.doubleClick && hit->isText())
            pendingTextEditLayerID_ = hit->id;
    }
    viewportStart_ = pointer.viewportPoint;
    pointerStart_ = pointer.point;
    originalOrigins_.clear();
    const QSet<QUuid> moving = movableSelectedLayerIDs(document.state());
    const QSizeF size = document.state().size;
    snapTargetsX_ = {0, size.width() / 2, size.width()};
    snapTargetsY_ = {0, size.height() / 2, size.height()};
    for (const Layer& layer : document.state().layers) {
        if (moving.contains(layer.id)) {
            originalOrigins_.insert(layer.id, layer.origin);
        } else if (layer.isVisible) {
            const QRectF box = layer.box();
            snapTargetsX_ << box.left() << box.center().x() << box.right();
            snapTargetsY_ << box.top() << box.center().y() << box.bottom();
        }
    }
    dragging_ = true;
    moved_ = false;
    lastPoint_ = pointer.point;
}

void MoveTool::move(const ToolPointer& pointer)
{
    if (!dragging_)
        return;
    if (!moved_) {
        const QPointF travel = pointer.viewportPoint - viewportStart_;
        if (std::hypot(travel.x(), travel.y()) <= kDeadZone)
            return;
        pendingTextEditLayerID_.reset();
    }
    if (pointer.point == lastPoint_)
        return;
    view_.startFastLayerDrag();
    ImageDocument& document = *view_.document();
    const QSet<QUuid> moving = movableSelectedLayerIDs(document.state());
    if (moving.isEmpty())
        return;
    const QPointF delta = pointer.point - pointerStart_;
    Snap snapX, snapY;
    const std::optional<Layer> primary = document.state().selectedLayer();
    if (!(pointer.modifiers & Qt::ControlModifier) && primary && originalOrigins_.contains(primary->id)) {
        const QRectF box(originalOrigins_.value(primary->id) + delta, primary->box().size());
        const double threshold = kSnapDistance * view_.pointSize();
        snapX = snapOffset({box.left(), box.center().x(), box.right()}, snapTargetsX_, threshold);
        snapY = snapOffset({box.top(), box.center().y(), box.bottom()}, snapTargetsY_, threshold);
    }
    CanvasState state = document.state();
    for (Layer& layer : state.layers)
        if (moving.contains(layer.id) && originalOrigins_.contains(layer.id))
            layer.origin = originalOrigins_.value(layer.id) + delta + QPointF(snapX.offset, snapY.offset);
    document.setLiveState(std::move(state));
    view_.setActiveSnapLines(snapX.line, snapY.line);
    lastPoint_ = pointer.point;
    moved_ = true;
}

void MoveTool::release(const ToolPointer&)
{
    if (!dragging_)
        return;
    ImageDocument& document = *view_.document();
    if (!moved_) {
        if (pendingTextEditLayerID_)
            editTextLayer(document, *pendingTextEditLayerID_);
        else if (pendingAutoSelectLayerID_)
            selectLayer(document, *pendingAutoSelectLayerID_);
        finishGesture();
        return;
    }
    finishGesture();
    const QSet<QUuid> moving = movableSelectedLayerIDs(document.state());
    CanvasState state = document.state();
    for (Layer& layer : state.layers)
        if (moving.contains(layer.id))
            layer.origin = roundedPoint(layer.origin);
    document.commitState(std::move(state),
                         moving.size() == 1 ? QStringLiteral("Move Layer") : QStringLiteral("Move Layers"));
}

void MoveTool::cancel()
{
    if (!dragging_)
        return;
    if (moved_) {
        ImageDocument& document = *view_.document();
        CanvasState state = document.state();
        for (Layer& layer : state.layers)
            if (originalOrigins_.contains(layer.id))
                layer.origin = originalOrigins_.value(layer.id);
        document.setLiveState(std::move(state));
    }
    finishGesture();
}

void MoveTool::finishGesture()
{
    // The drag images stay on screen until the composite with the layers in place is ready.
    view_.endFastLayerDrag();
    view_.setActiveSnapLines(std::nullopt, std::nullopt);
    originalOrigins_.clear();
    pendingTextEditLayerID_.reset();
    pendingAutoSelectLayerID_.reset();
    dragging_ = false;
    moved_ = false;
}

QVector<QRectF> MoveTool::overlayBoxes() const
{
    QVector<QRectF> boxes;
    const ImageDocument* document = view_.document();
    if (!document || document->transform())
        return boxes;
    const CanvasState& state = document->state();
    if (const std::optional<Layer> primary = state.selectedLayer()) {
        boxes.append(primary->box());
        for (const Layer& layer : state.extraSelectedLayers())
            boxes.append(layer.box());
    }
    return boxes;
}

void MoveTool::paintOverlay(QPainter& painter)
{
    const QColor outline = view_.accentColor(0.8);
    for (const QRectF& box : overlayBoxes())
        drawLayerOutline(painter, box, outline, view_.pointSize());
}

}  // namespace velmaris
