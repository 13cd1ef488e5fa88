#include "canvas/tools/FillTool.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/HaloCursor.h"
#include "canvas/tools/PaintableLayer.h"
#include "platform/CurrentColorStore.h"

#include <QApplication>
#include <QPainter>

#include <cmath>

namespace velmaris {

void FillTool::press(const ToolPointer& pointer)
{
    if (!primaryLayerPaintable(view_))
        return;
    const QPoint pixel(int(std::floor(pointer.point.x())), int(std::floor(pointer.point.y())));
    // The composite on screen, when it is current and at full size, saves rendering it again.
    const QImage composite = settings_.sampling == FillSampling::composite && view_.isShowingNewestComposite()
                                 ? view_.fullSizeComposite()
                                 : QImage();
    if (!fillRegion(*view_.document(), pixel, settings_, CurrentColorStore::shared().color(), composite))
        QApplication::beep();
}

QCursor FillTool::cursor(QPointF) const
{
    // A tipped bucket pouring from its lower right corner, the hot spot.
    static const QCursor bucket = haloCursor(
        20, QPoint(17, 18), 4, 1.5,
        [](QPainter& painter) {
            painter.drawPolygon(QPolygonF{{8, 2}, {15, 9}, {9, 15}, {2, 8}});
            painter.drawLine(QPointF(2, 8), QPointF(15, 9));
        },
        [](QPainter& painter) {
            painter.setPen(QPen(Qt::white, 1));
            painter.setBrush(Qt::black);
            painter.drawEllipse(QPointF(17, 16), 2, 2.5);
        });
    return bucket;
}

}  // namespace velmaris
