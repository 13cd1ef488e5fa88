#include "canvas/CanvasPainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>

namespace velmaris {

namespace {

constexpr double kCheckerSquare = 8;  // screen points
constexpr double kAntsDash = 5;
constexpr double kOutlineDash = 4;

QPen dashedPen(const QColor& color, double point, double dash, double phase)
{
    QPen pen(color, point);
    pen.setCapStyle(Qt::FlatCap);
    pen.setDashPattern({dash, dash});  // in units of the pen width, one point
    pen.setDashOffset(phase);
    return pen;
}

// Two squares by two of the pattern, one grey on each row.
const QPixmap& checkerTile()
{
    static const QPixmap tile = [] {
        constexpr int side = int(kCheckerSquare);
        QPixmap pixmap(2 * side, 2 * side);
        pixmap.fill(Qt::white);
        QPainter painter(&pixmap);
        const QColor grey = QColor::fromRgbF(0.8f, 0.8f, 0.8f);
        painter.fillRect(0, 0, side, side, grey);
        painter.fillRect(side, side, side, side, grey);
        return pixmap;
    }();
    return tile;
}

}  // namespace

void drawCheckerboard(QPainter& painter, const QRectF& canvas, const QRectF& area, double point)
{
    const QRectF visible = canvas.intersected(area);
    if (visible.isEmpty())
        return;
    QBrush brush(checkerTile());
    // The tile is drawn in points: scale it to canvas units and anchor it at the canvas corner.
    brush.setTransform(QTransform::fromTranslate(canvas.left(), canvas.top()).scale(point, point));
    painter.fillRect(visible, brush);
}

void drawMarchingAnts(QPainter& painter, const QPainterPath& path, double phase, double point)
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(dashedPen(Qt::black, point, kAntsDash, phase));
    painter.drawPath(path);
    painter.setPen(dashedPen(Qt::white, point, kAntsDash, phase + kAntsDash));
    painter.drawPath(path);
    painter.restore();
}

void drawLayerOutline(QPainter& painter, const QRectF& rect, const QColor& color, double point)
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(dashedPen(color, point, kOutlineDash, 0));
    const double outset = 0.5 * point;
    painter.drawRect(rect.adjusted(-outset, -outset, outset, outset));
    painter.restore();
}

void drawHandle(QPainter& painter, QPointF centre, double point)
{
    painter.save();
    const double side = kHandleSide * point;
    painter.setPen(QPen(Qt::black, point));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side));
    painter.restore();
}

void drawCenteredNote(QPainter& painter, const QRectF& area, const QString& text)
{
    painter.save();
    const QFontMetricsF metrics(painter.font());
    const QSizeF padding(16, 8);
    const QSizeF size(metrics.horizontalAdvance(text) + 2 * padding.width(), metrics.height() + 2 * padding.height());
    QRectF label(QPointF(), size);
    label.moveCenter(area.center());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 160));
    painter.drawRoundedRect(label, 6, 6);
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignCenter, text);
    painter.restore();
}

}  // namespace velmaris
