#include "canvas/tools/HaloCursor.h"

#include <QPainter>
#include <QPixmap>

namespace velmaris {

QCursor haloCursor(int side, QPoint hotSpot, double haloWidth, double lineWidth,
                   const std::function<void(QPainter&)>& lines, const std::function<void(QPainter&)>& onTop)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& [color, width] : {std::pair{QColor(Qt::white), haloWidth}, std::pair{QColor(Qt::black), lineWidth}}) {
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        lines(painter);
    }
    if (onTop)
        onTop(painter);
    painter.end();
    return QCursor(pixmap, hotSpot.x(), hotSpot.y());
}

}  // namespace velmaris
