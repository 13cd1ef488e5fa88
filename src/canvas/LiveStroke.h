#pragma once

#include "model/CanvasState.h"
#include "render/BrushStroke.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QSet>

#include <future>
#include <optional>

class QPainter;

namespace velmaris {

class CanvasView;

// What the canvas shows over each tile a stroke in progress touched, instead of compositing the
// whole canvas per pointer event: the layers under the painted one (rendered once per stroke, off
// the main thread), the stroke's pixels with the layer's blend mode and opacity, then the layers
// above with their effects. The painted layer's own effects show once the stroke is committed.
class LiveStroke {
public:
    // Starts rendering what lies under the layer; the view is redrawn once that is ready.
    LiveStroke(CanvasView& view, const CanvasState& state, const QUuid& layerID);

    // The tiles changed since they were last drawn.
    void invalidate(const QSet<QPoint>& tiles);
    // Draws the touched tiles inside `area` (canvas units): nothing until the layers under the
    // stroke are ready, the composite already on screen showing meanwhile.
    void paint(QPainter& painter, const QRectF& area, const BrushStroke& stroke);
    // Builds the image of every stale tile now, as a paint would.
    void composeStale(const BrushStroke& stroke);

private:
    QImage compose(QPoint tile, const BrushStroke& stroke) const;
    bool underReady();

    CanvasView& view_;
    QSizeF canvas_;
    Layer layer_;
    QVector<std::pair<Layer, Bitmap>> above_;
    std::shared_future<std::optional<Bitmap>> underFuture_;
    std::optional<Bitmap> under_;  // null bitmap: nothing under the layer
    bool underKnown_ = false;
    QHash<QPoint, QImage> tiles_;
    QSet<QPoint> stale_;
};

}  // namespace velmaris
