#include "canvas/LiveStroke.h"

#include "canvas/CanvasView.h"
#include "render/Blend.h"
#include "render/Compositor.h"
#include "render/LayerRasterization.h"

#include <QPainter>
#include <QPointer>
#include <QThreadPool>

#include <cstring>

namespace velmaris {

LiveStroke::LiveStroke(CanvasView& view, const CanvasState& state, const QUuid& layerID)
    : view_(view), canvas_(state.size)
{
    int index = 0;
    while (index < state.layers.size() && state.layers[index].id != layerID)
        ++index;
    Q_ASSERT(index < state.layers.size());
    layer_ = state.layers[index];
    QSet<QUuid> notUnder;
    for (int i = index; i < state.layers.size(); ++i) {
        const Layer& layer = state.layers[i];
        notUnder.insert(layer.id);
        if (i > index && layer.isVisible)
            if (const std::optional<Bitmap> pixels = layerPixels(layer))
                above_.append({layer, *pixels});
    }
    bool anythingUnder = false;
    for (int i = 0; i < index; ++i)
        anythingUnder = anythingUnder || state.layers[i].isVisible;
    if (!anythingUnder) {
        under_ = Bitmap();
        underKnown_ = true;
        return;
    }
    auto promise = std::make_shared<std::promise<std::optional<Bitmap>>>();
    underFuture_ = promise->get_future().share();
    QPointer<CanvasView> target(&view);
    QThreadPool::globalInstance()->start([promise, state, notUnder, target] {
        promise->set_value(renderComposite(state, nullptr, notUnder));
        QMetaObject::invokeMethod(target.data(), [target] {
            if (target)
                target->viewport()->update();
        }, Qt::QueuedConnection);
    });
}

bool LiveStroke::underReady()
{
    if (!underKnown_ && underFuture_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        under_ = underFuture_.get().value_or(Bitmap());
        underKnown_ = true;
    }
    return underKnown_;
}

void LiveStroke::invalidate(const QSet<QPoint>& tiles)
{
    stale_ += tiles;
}

QImage LiveStroke::compose(QPoint tile, const BrushStroke& stroke) const
{
    const QRect rect = BrushStroke::tileRect(tile);
    std::optional<BitmapBuilder> image = BitmapBuilder::create(rect.width(), rect.height());
    if (!image)
        return {};
    if (under_ && !under_->isNull()) {
        const QRect covered = rect.intersected(QRect(QPoint(0, 0), under_->size()));
        for (int y = covered.top(); y <= covered.bottom(); ++y)
            std::memcpy(image->row(y - rect.top()) + 4 * (covered.left() - rect.left()),
                        under_->row(y) + 4 * covered.left(), std::size_t(covered.width()) * 4);
    }
    if (layer_.isVisible)
        blendInto(*image, Bitmap::fromImage(stroke.tilePixels(tile)), QPoint(0, 0), layer_.blendMode, layer_.opacity);
    for (const auto& [layer, pixels] : above_)
        drawLayer(*image, pixels, layer, QPointF(rect.topLeft()));
    return std::move(*image).build().image();
}

void LiveStroke::composeStale(const BrushStroke& stroke)
{
    if (!underReady())
        return;
    for (const QPoint& tile : std::as_const(stale_))
        tiles_.insert(tile, compose(tile, stroke));
    stale_.clear();
}

void LiveStroke::paint(QPainter& painter, const QRectF& area, const BrushStroke& stroke)
{
    if (!underReady())
        return;
    const QRectF canvas(QPointF(0, 0), canvas_);
    painter.save();
    // Zoomed out, the tiles are smoothed like the composite's reduced copies.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, view_.magnification() < 1);
    for (const QPoint& tile : stroke.touchedTiles()) {
        const QRectF rect = QRectF(BrushStroke::tileRect(tile)).intersected(canvas);
        if (!rect.intersects(area))
            continue;
        if (stale_.remove(tile) || !tiles_.contains(tile))
            tiles_.insert(tile, compose(tile, stroke));
        view_.drawBackdrop(painter, rect);
        painter.drawImage(rect, tiles_.value(tile), rect.translated(-QPointF(BrushStroke::tileRect(tile).topLeft())));
    }
    painter.restore();
}

}  // namespace velmaris
