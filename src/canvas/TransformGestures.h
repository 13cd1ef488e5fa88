#pragma once

#include "document/TransformSession.h"

#include <QPointF>

#include <array>
#include <optional>
#include <variant>

namespace velmaris {

// A pointer drag of a free transform: a handle (0–3 corners, 4–7 edge middles), the whole box, or a
// rotation that keeps the angle between the pointer and the box where it was at the press.
struct TransformScaleDrag {
    int handle = 0;
};
struct TransformMoveDrag {
    QPointF last;
};
struct TransformRotateDrag {
    double grabAngle = 0;
};
using TransformDrag = std::variant<TransformScaleDrag, TransformMoveDrag, TransformRotateDrag>;

inline constexpr double kTransformHandleReach = 8;  // screen points
inline constexpr double kMinTransformScale = 0.01;

// The eight handle points on the canvas: corners clockwise from top-left, then edge middles
// clockwise from the top.
std::array<QPointF, 8> handlePoints(const TransformSession& session);
// A canvas point in the box's own frame: centred on the box, unturned.
QPointF localPoint(const TransformSession& session, QPointF point);

// What a press at `point` starts: a handle within `handleReach` canvas units, a move inside the
// box, a rotation outside it.
TransformDrag transformDragAt(const TransformSession& session, QPointF point, double handleReach);
// The session after the pointer moved to `point`; `drag` is updated for moves. Shift keeps corner
// scaling free and snaps rotation to 15° steps.
TransformSession draggedTransform(const TransformSession& session, TransformDrag& drag, QPointF point, bool shift);

}  // namespace velmaris
