#include "app/DocumentPrinting.h"

#include "document/ImageDocument.h"

#include <QPainter>
#include <QPrinter>

namespace velmaris {

bool printImage(const Bitmap& image, QPrinter& printer)
{
    QPainter painter;
    if (image.isNull() || !painter.begin(&printer))
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF page(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    painter.drawImage(printedImageRect(QSizeF(image.image().size()), page), image.image());
    return painter.end();
}

}  // namespace velmaris
