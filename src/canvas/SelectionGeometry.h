#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <optional>

namespace velmaris {

enum class SelectionHandle { topLeft, top, topRight, left, right, bottomLeft, bottom, bottomRight };
inline constexpr std::array<SelectionHandle, 8> kSelectionHandles{
    SelectionHandle::topLeft, SelectionHandle::top,        SelectionHandle::topRight, SelectionHandle::left,
    SelectionHandle::right,   SelectionHandle::bottomLeft, SelectionHandle::bottom,   SelectionHandle::bottomRight};

// Screen points: the side of a drawn handle, and of the square a press must hit to grab one.
inline constexpr double kHandleSide = 8;
inline constexpr double kHandleHitSide = 12;

QPointF handleCenter(SelectionHandle handle, const QRectF& rect);
// The first handle (in kSelectionHandles order) whose hit square of `side` canvas units holds the point.
std::optional<SelectionHandle> handleAt(QPointF point, const QRectF& rect, double side);
// The corner that stays put while `handle` is dragged.
QPointF anchorPoint(SelectionHandle handle, const QRectF& rect);
// The pointer of a resize with an edge handle, moved so that the other dimension keeps its extent.
QPointF resizePointer(SelectionHandle handle, QPointF pointer, const QRectF& selection);

// The rectangle spanned by `anchor` and `point`, held to `aspect` (width : height) when one is set
// so that it reaches at least as far as the pointer, and cut to the canvas.
QRectF selectionRect(QPointF anchor, QPointF point, const std::optional<QSizeF>& aspect, QSizeF canvasSize);
// The same size moved to lie inside the canvas as far as it fits.
QRectF clampedIntoCanvas(const QRectF& rect, QSizeF canvasSize);
// The smallest whole-pixel rectangle holding `rect`.
QRectF integralExpansion(const QRectF& rect);

}  // namespace velmaris
