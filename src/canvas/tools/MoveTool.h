#pragma once

#include "canvas/tools/CanvasTool.h"
#include "model/CanvasState.h"

#include <QHash>
#include <QSet>
#include <QUuid>

#include <optional>

namespace velmaris {

// The unlocked layers among the selected ones: what a layer drag moves.
QSet<QUuid> movableSelectedLayerIDs(const CanvasState& state);

// Drags the selected layers, snapping to the canvas and the other layers (Ctrl turns snapping
// off); a click selects the layer under the pointer, a double click on text edits it.
class MoveTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;

    void press(const ToolPointer& pointer) override;
    void move(const ToolPointer& pointer) override;
    void release(const ToolPointer& pointer) override;
    QCursor cursor(QPointF) const override { return Qt::ArrowCursor; }
    void paintOverlay(QPainter& painter) override;
    QVector<QRectF> overlayBoxes() const override;
    void cancel() override;
    bool hasGesture() const override { return dragging_; }

private:
    void finishGesture();

    bool dragging_ = false;
    bool moved_ = false;
    QPointF lastPoint_;
    QPointF pointerStart_;
    QPointF viewportStart_;
    QHash<QUuid, QPointF> originalOrigins_;
    QVector<double> snapTargetsX_;
    QVector<double> snapTargetsY_;
    std::optional<QUuid> pendingAutoSelectLayerID_;
    std::optional<QUuid> pendingTextEditLayerID_;
};

}  // namespace velmaris
