#include "render/ClipMask.h"

#include "render/Bitmap.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstring>

namespace velmaris {

AlphaPlane makeClipMask(int width, int height, const QRectF& rect, MaskShape shape, bool inverted)
{
    if (!bitmapSizeAllowed(width, height))
        return {};
    QImage coverage(width, height, QImage::Format_Alpha8);
    if (coverage.isNull())
        return {};
    coverage.fill(0);

    QPainterPath path;
    path.setFillRule(inverted ? Qt::OddEvenFill : Qt::WindingFill);
    if (inverted)
        path.addRect(0, 0, width, height);
    if (shape == MaskShape::ellipse)
        path.addEllipse(rect.normalized());
    else
        path.addRect(rect.normalized());
    {
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(path, Qt::black);
    }

    AlphaPlane plane(width, height);
    for (int y = 0; y < height; ++y)
        std::memcpy(plane.row(y), coverage.constScanLine(y), std::size_t(width));
    return plane;
}

}  // namespace velmaris
