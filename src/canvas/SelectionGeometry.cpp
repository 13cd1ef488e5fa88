#include "canvas/SelectionGeometry.h"

#include <cmath>

namespace velmaris {

QPointF handleCenter(SelectionHandle handle, const QRectF& rect)
{
    const double midX = rect.center().x(), midY = rect.center().y();
    switch (handle) {
    case SelectionHandle::topLeft: return {rect.left(), rect.top()};
    case SelectionHandle::top: return {midX, rect.top()};
    case SelectionHandle::topRight: return {rect.right(), rect.top()};
    case SelectionHandle::left: return {rect.left(), midY};
    case SelectionHandle::right: return {rect.right(), midY};
    case SelectionHandle::bottomLeft: return {rect.left(), rect.bottom()};
    case SelectionHandle::bottom: return {midX, rect.bottom()};
    case SelectionHandle::bottomRight: return {rect.right(), rect.bottom()};
    }
    return {};
}

std::optional<SelectionHandle> handleAt(QPointF point, const QRectF& rect, double side)
{
    for (SelectionHandle handle : kSelectionHandles) {
        const QPointF centre = handleCenter(handle, rect);
        if (std::abs(point.x() - centre.x()) <= side / 2 && std::abs(point.y() - centre.y()) <= side / 2)
            return handle;
    }
    return std::nullopt;
}

QPointF anchorPoint(SelectionHandle handle, const QRectF& rect)
{
    switch (handle) {
    case SelectionHandle::topLeft: return {rect.right(), rect.bottom()};
    case SelectionHandle::top:
    case SelectionHandle::topRight: return {rect.left(), rect.bottom()};
    case SelectionHandle::left:
    case SelectionHandle::bottomLeft: return {rect.right(), rect.top()};
    case SelectionHandle::right:
    case SelectionHandle::bottom:
    case SelectionHandle::bottomRight: return {rect.left(), rect.top()};
    }
    return {};
}

QPointF resizePointer(SelectionHandle handle, QPointF pointer, const QRectF& selection)
{
    if (handle == SelectionHandle::left || handle == SelectionHandle::right)
        pointer.setY(selection.bottom());
    else if (handle == SelectionHandle::top || handle == SelectionHandle::bottom)
        pointer.setX(selection.right());
    return pointer;
}

QRectF selectionRect(QPointF anchor, QPointF point, const std::optional<QSizeF>& aspect, QSizeF canvasSize)
{
    double dx = point.x() - anchor.x();
    double dy = point.y() - anchor.y();
    if (aspect && aspect->width() > 0 && aspect->height() > 0) {
        const double ratio = aspect->height() / aspect->width();
        if (std::abs(dy) < std::abs(dx) * ratio)
            dy = std::copysign(std::abs(dx) * ratio, dy < 0 ? -1.0 : 1.0);
        else
            dx = std::copysign(std::abs(dy) / ratio, dx < 0 ? -1.0 : 1.0);
    }
    const QRectF spanned(std::min(anchor.x(), anchor.x() + dx), std::min(anchor.y(), anchor.y() + dy),
                         std::abs(dx), std::abs(dy));
    return spanned.intersected(QRectF(QPointF(0, 0), canvasSize));
}

QRectF clampedIntoCanvas(const QRectF& rect, QSizeF canvasSize)
{
    const double x = std::min(std::max(rect.x(), 0.0), std::max(canvasSize.width() - rect.width(), 0.0));
    const double y = std::min(std::max(rect.y(), 0.0), std::max(canvasSize.height() - rect.height(), 0.0));
    return QRectF(QPointF(x, y), rect.size());
}

QRectF integralExpansion(const QRectF& rect)
{
    const double left = std::floor(rect.left()), top = std::floor(rect.top());
    return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

}  // namespace velmaris
