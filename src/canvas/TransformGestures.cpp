#include "canvas/TransformGestures.h"

#include <cmath>
#include <numbers>

namespace velmaris {

namespace {

QPointF halfSize(const TransformSession& session)
{
    return {session.originalSize.width() * session.scaleX / 2, session.originalSize.height() * session.scaleY / 2};
}

double atLeastMinimum(double scale)
{
    return std::max(scale, kMinTransformScale);
}

}  // namespace

std::array<QPointF, 8> handlePoints(const TransformSession& session)
{
    const QPointF half = halfSize(session);
    const double hw = half.x(), hh = half.y();
    const std::array<QPointF, 8> local{QPointF(-hw, -hh), QPointF(hw, -hh), QPointF(hw, hh), QPointF(-hw, hh),
                                       QPointF(0, -hh),   QPointF(hw, 0),   QPointF(0, hh),  QPointF(-hw, 0)};
    const double cosine = std::cos(session.rotation), sine = std::sin(session.rotation);
    std::array<QPointF, 8> points;
    for (std::size_t i = 0; i < local.size(); ++i) {
        const QPointF& p = local[i];
        points[i] = session.center + QPointF(p.x() * cosine - p.y() * sine, p.x() * sine + p.y() * cosine);
    }
    return points;
}

QPointF localPoint(const TransformSession& session, QPointF point)
{
    const QPointF d = point - session.center;
    const double cosine = std::cos(session.rotation), sine = std::sin(session.rotation);
    return {d.x() * cosine + d.y() * sine, d.y() * cosine - d.x() * sine};
}

TransformDrag transformDragAt(const TransformSession& session, QPointF point, double handleReach)
{
    const std::array<QPointF, 8> handles = handlePoints(session);
    for (int i = 0; i < 8; ++i) {
        const QPointF d = point - handles[std::size_t(i)];
        if (std::hypot(d.x(), d.y()) <= handleReach)
            return TransformScaleDrag{i};
    }
    const QPointF local = localPoint(session, point);
    const QPointF half = halfSize(session);
    if (std::abs(local.x()) <= half.x() && std::abs(local.y()) <= half.y())
        return TransformMoveDrag{point};
    const QPointF d = point - session.center;
    return TransformRotateDrag{std::atan2(d.y(), d.x()) - session.rotation};
}

TransformSession draggedTransform(const TransformSession& session, TransformDrag& drag, QPointF point, bool shift)
{
    TransformSession next = session;
    if (auto* move = std::get_if<TransformMoveDrag>(&drag)) {
        next.center += point - move->last;
        move->last = point;
    } else if (const auto* scale = std::get_if<TransformScaleDrag>(&drag)) {
        const QPointF local = localPoint(session, point);
        const double hw0 = session.originalSize.width() / 2, hh0 = session.originalSize.height() / 2;
        if (scale->handle < 4 && !shift) {
            const double factor = std::hypot(local.x() / hw0, local.y() / hh0) / std::numbers::sqrt2;
            next.scaleX = next.scaleY = atLeastMinimum(factor);
        } else if (scale->handle < 4) {
            next.scaleX = atLeastMinimum(std::abs(local.x()) / hw0);
            next.scaleY = atLeastMinimum(std::abs(local.y()) / hh0);
        } else if (scale->handle == 4 || scale->handle == 6) {
            next.scaleY = atLeastMinimum(std::abs(local.y()) / hh0);
        } else {
            next.scaleX = atLeastMinimum(std::abs(local.x()) / hw0);
        }
    } else if (const auto* rotate = std::get_if<TransformRotateDrag>(&drag)) {
        double angle = std::atan2(point.y() - session.center.y(), point.x() - session.center.x()) - rotate->grabAngle;
        if (shift) {
            // Halves round away from zero; the nudge keeps an angle meant as an exact half (22.5°)
            // from falling short through the pointer arithmetic's rounding.
            constexpr double step = std::numbers::pi / 12;
            const double steps = angle / step;
            angle = std::round(steps + std::copysign(1e-9, steps)) * step;
        }
        next.rotation = angle;
    }
    next.scaleX = atLeastMinimum(next.scaleX);
    next.scaleY = atLeastMinimum(next.scaleY);
    return next;
}

}  // namespace velmaris
