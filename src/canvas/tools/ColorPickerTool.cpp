#include "canvas/tools/ColorPickerTool.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/HaloCursor.h"
#include "platform/CurrentColorStore.h"
#include "render/Compositor.h"

#include <QPainter>

#include <cmath>

namespace velmaris {

std::optional<StoredColor> averageColor(const QImage& image, QPoint pixel, int side, const QRect& area)
{
    if (!area.contains(pixel))
        return std::nullopt;
    const QRect square = QRect(pixel.x() - side / 2, pixel.y() - side / 2, side, side).intersected(area);
    const QRect covered = square.intersected(image.rect());
    double red = 0, green = 0, blue = 0, alpha = 0;
    for (int y = covered.top(); y <= covered.bottom(); ++y)
        for (int x = covered.left(); x <= covered.right(); ++x) {
            const QRgb value = image.pixel(x, y);
            red += qRed(value);
            green += qGreen(value);
            blue += qBlue(value);
            alpha += qAlpha(value);
        }
    if (alpha <= 0)
        return StoredColor{0, 0, 0, 0};
    // Premultiplied sums: dividing by the summed alpha weighs each pixel by its coverage.
    const double count = double(square.width()) * square.height();
    return StoredColor{red / alpha, green / alpha, blue / alpha, alpha / 255.0 / count};
}

std::optional<StoredColor> sampleCanvasColor(const CanvasView& view, QPointF point, int side, ColorSampleSource source)
{
    const ImageDocument* document = view.document();
    if (!document)
        return std::nullopt;
    const QPoint pixel(int(std::floor(point.x())), int(std::floor(point.y())));
    if (!QRectF(QPointF(0, 0), document->state().size).contains(point))
        return std::nullopt;
    if (source == ColorSampleSource::composite) {
        const QImage composite = view.fullSizeComposite();
        return averageColor(composite, pixel, side, composite.rect());
    }
    const std::optional<Layer> layer = document->state().selectedLayer();
    if (!layer)
        return std::nullopt;
    const QPoint origin(int(std::round(layer->origin.x())), int(std::round(layer->origin.y())));
    const QRect canvas(QPoint(0, 0), document->state().size.toSize());
    if (const Bitmap* bitmap = layer->bitmap())
        return averageColor(bitmap->image(), pixel - origin, side, canvas.translated(-origin));
    // Text keeps no pixels: the layer is drawn alone on the canvas.
    CanvasState alone = document->state();
    alone.layers = {*layer};
    const std::optional<Bitmap> drawn = renderComposite(alone);
    return drawn ? averageColor(drawn->image(), pixel, side, canvas) : std::nullopt;
}

void ColorPickerTool::pick(QPointF point) const
{
    const std::optional<StoredColor> color = sampleCanvasColor(view_, point, sampleSide_, source_);
    if (color && color->alpha > 0)
        CurrentColorStore::shared().previewColor(*color);
}

void ColorPickerTool::release(const ToolPointer&)
{
    picking_ = false;
    // One drag adds one colour to the recent ones: the one it ended on.
    CurrentColorStore::shared().rememberCurrentColor();
}

void ColorPickerTool::press(const ToolPointer& pointer)
{
    picking_ = true;
    pick(pointer.point);
}

void ColorPickerTool::move(const ToolPointer& pointer)
{
    if (picking_)
        pick(pointer.point);
}

QCursor ColorPickerTool::cursor(QPointF) const
{
    // A pipette whose tip, the hot spot, sits at the bottom left.
    static const QCursor pipette = haloCursor(
        20, QPoint(1, 18), 5, 2.5,
        [](QPainter& painter) {
            painter.drawLine(QPointF(2, 18), QPointF(13, 7));
            painter.drawLine(QPointF(11, 5), QPointF(15, 9));
        },
        [](QPainter& painter) {
            painter.setPen(QPen(Qt::white, 1));
            painter.setBrush(Qt::black);
            painter.drawEllipse(QPointF(15.5, 4.5), 3.5, 3.5);
        });
    return pipette;
}

}  // namespace velmaris
