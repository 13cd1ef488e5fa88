#include "canvas/LayerDragImages.h"

#include "render/Blend.h"
#include "render/Compositor.h"
#include "render/LayerRasterization.h"
#include "render/ReducedImages.h"

#include <cmath>
#include <cstring>

namespace velmaris {

namespace {

Bitmap reduced(const Bitmap& image, int halvings)
{
    if (halvings == 0)
        return image;
    const QVector<QImage> levels = halvedImages(image.image(), halvings);
    return levels.isEmpty() ? image : Bitmap::fromImage(levels.last());
}

std::optional<int> indexOf(const CanvasState& state, const QUuid& id)
{
    for (int i = 0; i < state.layers.size(); ++i)
        if (state.layers[i].id == id)
            return i;
    return std::nullopt;
}

}  // namespace

std::optional<LayerDragImages> LayerDragImages::build(const CanvasState& state, const QSet<QUuid>& moving,
                                                      int halvings)
{
    const std::optional<Bitmap> composite = renderComposite(state, nullptr, moving);
    if (!composite)
        return std::nullopt;
    LayerDragImages images;
    images.staticComposite = reduced(*composite, halvings);
    images.scale = double(images.staticComposite.width()) / composite->width();
    for (const Layer& layer : state.layers) {
        if (!moving.contains(layer.id) || !layer.isVisible)
            continue;
        const std::optional<Bitmap> pixels = layerPixels(layer);
        if (!pixels)
            continue;
        images.movingLayers.append(
            DragLayerCache{layer.id, reduced(*pixels, halvings), layer.opacity, layer.blendMode, layer.box()});
    }
    return images;
}

QImage LayerDragImages::compose(const CanvasState& state, const QRectF& area, QRectF& drawnArea) const
{
    const QRect bounds(0, 0, staticComposite.width(), staticComposite.height());
    const QRectF scaled(area.left() * scale, area.top() * scale, area.width() * scale, area.height() * scale);
    const QRect pixels = scaled.toAlignedRect().intersected(bounds);
    drawnArea = QRectF(pixels.left() / scale, pixels.top() / scale, pixels.width() / scale, pixels.height() / scale);
    std::optional<BitmapBuilder> target = BitmapBuilder::create(pixels.width(), pixels.height());
    if (!target)
        return {};
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(target->row(y), staticComposite.row(pixels.top() + y) + 4 * pixels.left(),
                    std::size_t(pixels.width()) * 4);
    for (const DragLayerCache& layer : movingLayers) {
        const std::optional<int> index = indexOf(state, layer.id);
        if (!index)
            continue;
        const QPointF origin = state.layers[*index].origin * scale;
        const QPoint topLeft(int(std::round(origin.x())) - pixels.left(), int(std::round(origin.y())) - pixels.top());
        blendInto(*target, layer.image, topLeft, layer.blendMode, layer.opacity);
    }
    return std::move(*target).build().image();
}

}  // namespace velmaris
