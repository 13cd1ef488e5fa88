#include "render/ClipMask.h"

#include "model/Bitmap.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace velmaris {

namespace {

// Paints `path` (filled, or stroked with `pen`) straight into a plane: a QImage over the plane's
// packed rows saves a copy.
AlphaPlane paintCoverage(int width, int height, const QPainterPath& path, const QPen* pen)
{
    if (!bitmapSizeAllowed(width, height))
        return {};
    AlphaPlane plane(width, height);
    QImage coverage(plane.values.data(), width, height, width, QImage::Format_Alpha8);
    if (coverage.isNull())
        return {};
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing);
    if (pen)
        painter.strokePath(path, *pen);
    else
        painter.fillPath(path, Qt::black);
    return plane;
}

void addShape(QPainterPath& path, const QRectF& rect, MaskShape shape)
{
    if (shape == MaskShape::ellipse)
        path.addEllipse(rect);
    else
        path.addRect(rect);
}

}  // namespace

AlphaPlane makeClipMask(int width, int height, const QRectF& rect, MaskShape shape, bool inverted)
{
    QPainterPath path;
    path.setFillRule(inverted ? Qt::OddEvenFill : Qt::WindingFill);
    if (inverted)
        path.addRect(0, 0, width, height);
    addShape(path, rect.normalized(), shape);
    return paintCoverage(width, height, path, nullptr);
}

AlphaPlane makeStrokeMask(int width, int height, const QRectF& rect, MaskShape shape, double lineWidth)
{
    QPainterPath path;
    if (rect.width() >= 0 && rect.height() >= 0)
        addShape(path, rect, shape);
    const QPen pen(Qt::black, lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    return paintCoverage(width, height, path, &pen);
}

}  // namespace velmaris
