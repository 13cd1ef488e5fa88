#include "canvas/ViewGeometry.h"

#include <algorithm>

namespace velmaris {

double pointSize(double magnification)
{
    return 1 / std::max(magnification, kMinMagnification);
}

double clampedMagnification(double magnification)
{
    return std::clamp(magnification, kMinMagnification, kMaxMagnification);
}

std::optional<double> fitMagnification(QSizeF canvasSize, QSizeF viewport)
{
    if (!(canvasSize.width() > 0 && canvasSize.height() > 0))
        return std::nullopt;
    return std::min(viewport.width() / canvasSize.width(), viewport.height() / canvasSize.height()) * 0.95;
}

double centredOffset(double zoomedLength, double viewportLength, double scroll)
{
    return zoomedLength < viewportLength ? (viewportLength - zoomedLength) / 2 : -scroll;
}

QRectF selectionOutlineArea(const QRectF& selection, double pointSize)
{
    const double outset = std::max(2.0, 8 * pointSize);
    return selection.adjusted(-outset, -outset, outset, outset);
}

QVector<QRectF> antsInvalidation(const QRectF& outline, SelectionShape shape, bool inverted, QSizeF viewSize,
                                 double pointSize)
{
    QVector<QRectF> areas;
    if (inverted) {
        const double border = std::max(2.0, 2 * pointSize);
        const double width = viewSize.width(), height = viewSize.height();
        areas << QRectF(0, 0, width, border) << QRectF(0, height - border, width, border)
              << QRectF(0, 0, border, height) << QRectF(width - border, 0, border, height);
    }
    const double strip = 2 * std::max(2.0, 8 * pointSize);
    if (shape == SelectionShape::ellipse || outline.width() <= 2 * strip || outline.height() <= 2 * strip) {
        areas << outline;
        return areas;
    }
    areas << QRectF(outline.left(), outline.top(), outline.width(), strip)
          << QRectF(outline.left(), outline.bottom() - strip, outline.width(), strip)
          << QRectF(outline.left(), outline.top(), strip, outline.height())
          << QRectF(outline.right() - strip, outline.top(), strip, outline.height());
    return areas;
}

double snapGuideHalfWidth(double magnification)
{
    return 2 * std::max(1.0, pointSize(magnification));
}

}  // namespace velmaris
