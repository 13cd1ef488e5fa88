#include "canvas/tools/GradientTool.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/PaintableLayer.h"
#include "document/FillOperations.h"
#include "platform/CurrentColorStore.h"

#include <QLineF>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace velmaris {

namespace {

constexpr double kSnapStep = std::numbers::pi / 12;  // 15°
// The end marks' radius and the line's width, in screen points.
constexpr double kMarkRadius = 3.5;
constexpr double kLineWidth = 1.5;

}  // namespace

QPointF snappedGradientEnd(QPointF start, QPointF end)
{
    const QPointF delta = end - start;
    const double length = std::hypot(delta.x(), delta.y());
    const double angle = std::round(std::atan2(delta.y(), delta.x()) / kSnapStep) * kSnapStep;
    return start + QPointF(std::cos(angle), std::sin(angle)) * length;
}

void GradientTool::press(const ToolPointer& pointer)
{
    if (!primaryLayerPaintable(view_))
        return;
    drag_ = Drag{pointer.point, pointer.point};
}

void GradientTool::setEnd(const ToolPointer& pointer)
{
    view_.redrawCanvasRect(dragBox());
    drag_->end = pointer.modifiers & Qt::ShiftModifier ? snappedGradientEnd(drag_->start, pointer.point)
                                                       : pointer.point;
    view_.redrawCanvasRect(dragBox());
}

void GradientTool::move(const ToolPointer& pointer)
{
    if (drag_)
        setEnd(pointer);
}

void GradientTool::release(const ToolPointer& pointer)
{
    if (!drag_)
        return;
    setEnd(pointer);
    view_.redrawCanvasRect(dragBox());
    const Drag drag = *std::exchange(drag_, std::nullopt);
    // A click without a drag paints nothing.
    if (QLineF(drag.start, drag.end).length() < 0.5)
        return;
    const CurrentColorStore& colors = CurrentColorStore::shared();
    const std::array<std::uint8_t, 4> to =
        settings_.toBackgroundColor ? colors.backgroundColor().premultipliedRgba8() : std::array<std::uint8_t, 4>{};
    fillGradient(*view_.document(),
                 GradientDrawing{settings_.shape, drag.start, drag.end, colors.color().premultipliedRgba8(), to});
}

void GradientTool::cancel()
{
    if (!drag_)
        return;
    view_.redrawCanvasRect(dragBox());
    drag_.reset();
}

QRectF GradientTool::dragBox() const
{
    if (!drag_)
        return {};
    const double margin = (kMarkRadius + kLineWidth) * view_.pointSize();
    QRectF box = QRectF(drag_->start, drag_->end).normalized();
    if (settings_.shape == GradientShape::radial) {
        const double radius = QLineF(drag_->start, drag_->end).length();
        box = QRectF(drag_->start - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    }
    return box.adjusted(-margin, -margin, margin, margin);
}

void GradientTool::paintOverlay(QPainter& painter)
{
    if (!drag_)
        return;
    const double point = view_.pointSize();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // A dark line under a light one reads on any image.
    const std::pair<QColor, double> strokes[] = {{QColor(0, 0, 0, 160), 3 * kLineWidth}, {Qt::white, kLineWidth}};
    for (const auto& [color, width] : strokes) {
        painter.setPen(QPen(color, width * point, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(drag_->start, drag_->end);
        if (settings_.shape == GradientShape::radial) {
            const double radius = QLineF(drag_->start, drag_->end).length();
            painter.drawEllipse(drag_->start, radius, radius);
        }
    }
    painter.setPen(QPen(QColor(0, 0, 0, 160), point));
    painter.setBrush(view_.accentColor(1));
    for (const QPointF end : {drag_->start, drag_->end})
        painter.drawEllipse(end, kMarkRadius * point, kMarkRadius * point);
    painter.restore();
}

}  // namespace velmaris
