#include "canvas/tools/TransformTool.h"

#include "canvas/CanvasPainting.h"
#include "canvas/CanvasView.h"
#include "document/TransformSession.h"

#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace velmaris {

void TransformTool::press(const ToolPointer& pointer)
{
    ImageDocument& document = *view_.document();
    if (pointer.doubleClick) {
        commitTransform(document);
        return;
    }
    drag_ = transformDragAt(*document.transform(), pointer.point, kTransformHandleReach * view_.pointSize());
}

void TransformTool::move(const ToolPointer& pointer)
{
    ImageDocument& document = *view_.document();
    if (!drag_ || !document.transform())
        return;
    document.replaceTransform(
        draggedTransform(*document.transform(), *drag_, pointer.point, pointer.modifiers & Qt::ShiftModifier));
    document.announceTransformChange();
}

bool TransformTool::key(QKeyEvent& event)
{
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        commitTransform(*view_.document());
        return true;
    }
    if (event.key() == Qt::Key_Escape) {
        cancelTransform(*view_.document());
        return true;
    }
    return false;
}

void TransformTool::sessionChanged()
{
    const ImageDocument* document = view_.document();
    if (!document || !document->transform())
        layerImage_ = QImage();
    else if (layerImage_.isNull())
        layerImage_ = document->transform()->raster.image();
}

void TransformTool::paintOverlay(QPainter& painter)
{
    const TransformSession& session = *view_.document()->transform();
    const double width = session.originalSize.width() * session.scaleX;
    const double height = session.originalSize.height() * session.scaleY;
    painter.save();
    painter.translate(session.center);
    painter.rotate(session.rotation * 180 / M_PI);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(-width / 2, -height / 2, width, height), layerImage_);
    painter.restore();

    const std::array<QPointF, 8> handles = handlePoints(session);
    painter.setPen(QPen(view_.accentColor(1), view_.pointSize()));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(handles.data(), 4);
    for (const QPointF& handle : handles)
        drawHandle(painter, handle, view_.pointSize());
}

}  // namespace velmaris
