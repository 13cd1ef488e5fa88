#pragma once

#include "canvas/LiveStroke.h"
#include "canvas/tools/CanvasTool.h"
#include "document/BrushPainting.h"
#include "render/BrushStroke.h"

#include <QUuid>

#include <future>
#include <memory>
#include <optional>

namespace velmaris {

// The brush and the eraser: drag to paint the current colour on the current layer, or to erase it
// to transparency (with Shift, to paint the background colour). Each stroke is one history step,
// clipped to the selection; the canvas shows it live from the stroke's tiles.
class BrushTool : public CanvasTool {
public:
    BrushTool(CanvasView& view, bool erases);
    ~BrushTool() override;

    bool erases() const { return erases_; }
    const BrushSettings& settings() const { return settings_; }
    void setSettings(const BrushSettings& settings) { settings_ = settings; }

    // A mouse has no pressure: it paints as a pen pressed fully down, so that a brush at full
    // opacity paints solid colour (the presets tie opacity to pressure).
    static constexpr double kMousePressure = 1.0;

    void press(const ToolPointer& pointer) override;
    void move(const ToolPointer& pointer) override;
    void release(const ToolPointer& pointer) override;
    QCursor cursor(QPointF) const override;
    void paintCanvas(QPainter& painter, const QRectF& area) override;
    void cancel() override;
    bool hasGesture() const override { return painting_; }

    // The stroke still drawn from its tiles: while painting, and after it until the composite
    // showing it is on screen.
    bool isShowingStroke() const { return stroke_ != nullptr; }
    // The finished stroke's pixels are being made off the main thread; its history step follows.
    bool isCommitting() const { return pendingResult_.valid(); }

private:
    void step(const ToolPointer& pointer);
    void dropStroke();
    // Commits the finished stroke, waiting for its pixels if they are not made yet.
    void finishCommit();
    QRectF touchedArea() const;

    bool erases_;
    BrushSettings settings_;
    bool painting_ = false;
    QUuid layerID_;
    std::shared_ptr<BrushStroke> stroke_;
    std::unique_ptr<LiveStroke> live_;
    quint64 lastTimestamp_ = 0;
    std::future<std::optional<PaintedLayer>> pendingResult_;
};

}  // namespace velmaris
