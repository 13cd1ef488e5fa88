#include "canvas/tools/BrushTool.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/HaloCursor.h"
#include "canvas/tools/PaintableLayer.h"
#include "platform/CurrentColorStore.h"

#include <QPainter>
#include <QPointer>

#include <cmath>

namespace velmaris {

namespace {

// The engine follows fast strokes in steps of at most this long.
constexpr double kLongestStepSeconds = 0.1;

// A circle of the brush's size on screen with a dot at its centre, the hot spot.
QCursor outlineCursor(int diameter)
{
    const int side = diameter + 4;
    const QRectF circle(2, 2, diameter, diameter);
    return haloCursor(side, QPoint(side / 2, side / 2), 3, 1, [circle](QPainter& painter) {
        painter.drawEllipse(circle);
        painter.drawPoint(circle.center());
    });
}

}  // namespace

BrushTool::BrushTool(CanvasView& view, bool erases) : CanvasTool(view), erases_(erases)
{
    // A finished stroke stays drawn from its tiles until the composite shows it.
    QObject::connect(&view_, &CanvasView::compositeShown, &view_, [this] {
        if (!painting_ && !isCommitting() && stroke_ && view_.isShowingNewestComposite())
            dropStroke();
    });
}

BrushTool::~BrushTool()
{
    if (pendingResult_.valid())
        pendingResult_.wait();
}

void BrushTool::press(const ToolPointer& pointer)
{
    ImageDocument* document = view_.document();
    if (!document)
        return;
    // The last stroke goes into the layer before the next one starts from it.
    finishCommit();
    dropStroke();
    const CurrentColorStore& colors = CurrentColorStore::shared();
    BrushInk ink{colors.color(), erases_};
    if (erases_ && (pointer.modifiers & Qt::ShiftModifier))
        ink = BrushInk{colors.backgroundColor(), false};
    if (!primaryLayerPaintable(view_))
        return;
    std::variant<BrushStrokeStart, PaintRefusal> start = startBrushStroke(*document, settings_, ink);
    if (std::holds_alternative<PaintRefusal>(start))
        return;
    BrushStrokeStart& started = std::get<BrushStrokeStart>(start);
    layerID_ = started.layerID;
    stroke_ = std::shared_ptr<BrushStroke>(std::move(started.stroke));
    live_ = std::make_unique<LiveStroke>(view_, document->state(), layerID_);
    painting_ = true;
    lastTimestamp_ = pointer.timestamp;
    step(pointer);
}

void BrushTool::move(const ToolPointer& pointer)
{
    if (painting_)
        step(pointer);
}

void BrushTool::step(const ToolPointer& pointer)
{
    const double seconds = std::min(double(pointer.timestamp - std::min(lastTimestamp_, pointer.timestamp)) / 1000,
                                    kLongestStepSeconds);
    lastTimestamp_ = pointer.timestamp;
    const QSet<QPoint> tiles = stroke_->strokeTo(pointer.point, pointer.pressure.value_or(kMousePressure), seconds);
    if (tiles.isEmpty())
        return;
    live_->invalidate(tiles);
    QRect changed;
    for (const QPoint& tile : tiles)
        changed |= BrushStroke::tileRect(tile);
    view_.redrawCanvasRect(changed);
}

void BrushTool::release(const ToolPointer& pointer)
{
    if (!painting_)
        return;
    step(pointer);
    painting_ = false;
    // Making the layer's new pixels copies the whole layer: a worker does it while the stroke
    // stays on screen from its tiles, and the history step follows on the main thread.
    QPointer<CanvasView> view(&view_);
    pendingResult_ = std::async(std::launch::async, [this, view, stroke = stroke_] {
        std::optional<PaintedLayer> painted = stroke->result();
        QMetaObject::invokeMethod(view.data(), [this] { finishCommit(); }, Qt::QueuedConnection);
        return painted;
    });
}

void BrushTool::finishCommit()
{
    if (!pendingResult_.valid())
        return;
    std::optional<PaintedLayer> painted = pendingResult_.get();
    ImageDocument* document = view_.document();
    const QString name = erases_ ? QStringLiteral("Erase") : QStringLiteral("Brush Stroke");
    if (!document || !painted || !commitBrushStroke(*document, layerID_, *stroke_, std::move(*painted), name))
        dropStroke();
}

void BrushTool::cancel()
{
    painting_ = false;
    dropStroke();
}

void BrushTool::dropStroke()
{
    if (!stroke_)
        return;
    const QRectF area = touchedArea();
    stroke_.reset();
    live_.reset();
    view_.redrawCanvasRect(area);
}

QRectF BrushTool::touchedArea() const
{
    QRect area;
    for (const QPoint& tile : stroke_->touchedTiles())
        area |= BrushStroke::tileRect(tile);
    return area;
}

void BrushTool::paintCanvas(QPainter& painter, const QRectF& area)
{
    if (stroke_)
        live_->paint(painter, area, *stroke_);
}

QCursor BrushTool::cursor(QPointF) const
{
    // The outline shows the brush's size on screen; too small to see, or larger than a cursor can
    // be, a cross shows instead.
    const int diameter = int(std::lround(settings_.size * view_.magnification()));
    if (diameter < 5 || diameter > 250)
        return Qt::CrossCursor;
    static int cachedDiameter = 0;
    static QCursor cached;
    if (diameter != cachedDiameter) {
        cached = outlineCursor(diameter);
        cachedDiameter = diameter;
    }
    return cached;
}

}  // namespace velmaris
