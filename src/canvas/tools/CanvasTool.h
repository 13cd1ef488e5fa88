#pragma once

#include <QCursor>
#include <QPointF>
#include <QRectF>
#include <QVector>

#include <optional>

class QKeyEvent;
class QPainter;

namespace velmaris {

class CanvasView;

// One pointer event as a tool sees it: where on the canvas, where in the viewport, which
// modifiers, whether it is the second press of a double click, the pen's pressure (0–1) when a
// tablet reports one, and the event's time in milliseconds.
struct ToolPointer {
    QPointF point;
    QPointF viewportPoint;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    bool doubleClick = false;
    std::optional<double> pressure;
    quint64 timestamp = 0;
};

// A tool of the canvas. The view keeps zoom, scrolling and the composite and routes the left
// button's gestures, keys and hover to the active tool; the tool changes the document only through
// document operations, one gesture being one history step.
class CanvasTool {
public:
    explicit CanvasTool(CanvasView& view) : view_(view) {}
    virtual ~CanvasTool() = default;
    CanvasTool(const CanvasTool&) = delete;
    CanvasTool& operator=(const CanvasTool&) = delete;

    virtual void press(const ToolPointer& pointer) = 0;
    virtual void move(const ToolPointer&) {}
    virtual void release(const ToolPointer&) {}
    // True when the tool used the key.
    virtual bool key(QKeyEvent&) { return false; }
    virtual void hover(QPointF) {}
    virtual QCursor cursor(QPointF) const { return Qt::CrossCursor; }
    // Drawn in place of the composite over `area` (canvas units) where the tool shows pixels of
    // its own, such as a stroke in progress.
    virtual void paintCanvas(QPainter&, const QRectF& /*area*/) {}
    // Drawn over the composite and the selection, in canvas units.
    virtual void paintOverlay(QPainter&) {}
    // Canvas areas the overlay covers that follow the document; redrawn when it changes.
    virtual QVector<QRectF> overlayBoxes() const { return {}; }
    // Abandons a gesture in progress, leaving the document as it was before it.
    virtual void cancel() {}
    // Between a press and its release.
    virtual bool hasGesture() const { return false; }

protected:
    CanvasView& view_;
};

}  // namespace velmaris
