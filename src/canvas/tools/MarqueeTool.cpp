#include "canvas/tools/MarqueeTool.h"

#include "canvas/CanvasPainting.h"
#include "canvas/CanvasView.h"
#include "canvas/ViewGeometry.h"
#include "document/SelectionOperations.h"

#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace velmaris {

void MarqueeTool::press(const ToolPointer& pointer)
{
    ImageDocument& document = *view_.document();
    const std::optional<QRectF> selection = document.selection().rect;
    selectionBefore_ = selection;
    if (selection) {
        if (const std::optional<SelectionHandle> handle =
                handleAt(pointer.point, *selection, kHandleHitSide * view_.pointSize())) {
            gesture_ = Resizing{*handle, anchorPoint(*handle, *selection)};
            return;
        }
        if (selection->contains(pointer.point)) {
            gesture_ = Moving{pointer.point - selection->topLeft()};
            return;
        }
    }
    deselect(document);
    gesture_ = Creating{pointer.point};
}

void MarqueeTool::move(const ToolPointer& pointer)
{
    ImageDocument& document = *view_.document();
    const QSizeF size = document.state().size;
    const std::optional<QSizeF> aspect = document.selection().aspect;
    const QPointF point = pointer.point;
    if (const auto* creating = std::get_if<Creating>(&gesture_)) {
        document.setSelectionRect(selectionRect(creating->anchor, point, aspect, size));
    } else if (const auto* moving = std::get_if<Moving>(&gesture_)) {
        if (const std::optional<QRectF> selection = document.selection().rect)
            document.setSelectionRect(clampedIntoCanvas(QRectF(point - moving->grabOffset, selection->size()), size));
    } else if (const auto* resizing = std::get_if<Resizing>(&gesture_)) {
        const QRectF selection = document.selection().rect.value_or(QRectF());
        document.setSelectionRect(
            selectionRect(resizing->anchor, resizePointer(resizing->handle, point, selection), aspect, size));
    }
}

void MarqueeTool::release(const ToolPointer&)
{
    if (!hasGesture())
        return;
    gesture_ = std::monostate{};
    ImageDocument& document = *view_.document();
    std::optional<QRectF> selection = document.selection().rect;
    if (selection) {
        selection = integralExpansion(*selection);
        if (selection->width() < 1 || selection->height() < 1)
            selection.reset();
    }
    document.setSelectionRect(selection);
}

void MarqueeTool::cancel()
{
    if (!hasGesture())
        return;
    gesture_ = std::monostate{};
    view_.document()->setSelectionRect(selectionBefore_);
}

bool MarqueeTool::key(QKeyEvent& event)
{
    ImageDocument& document = *view_.document();
    const std::optional<QRectF> selection = document.selection().rect;
    QPointF direction;
    switch (event.key()) {
    case Qt::Key_Left: direction = {-1, 0}; break;
    case Qt::Key_Right: direction = {1, 0}; break;
    case Qt::Key_Down: direction = {0, 1}; break;
    case Qt::Key_Up: direction = {0, -1}; break;
    default: return false;
    }
    if (!selection)
        return false;
    double step = std::max(1.0, std::floor(view_.pointSize()));
    if (event.modifiers() & Qt::ShiftModifier)
        step *= 10;
    const QRectF moved = clampedIntoCanvas(selection->translated(direction * step), document.state().size);
    document.setSelectionRect(integralExpansion(moved));
    return true;
}

void MarqueeTool::paintOverlay(QPainter& painter)
{
    if (const std::optional<QRectF> selection = view_.document()->selection().rect)
        for (SelectionHandle handle : kSelectionHandles)
            drawHandle(painter, handleCenter(handle, *selection), view_.pointSize());
}

}  // namespace velmaris
