#pragma once

#include "canvas/CanvasInteractionDelegate.h"

#include <QMainWindow>

class QLabel;

namespace velmaris {

class CanvasView;
class ImageDocument;

// A plain window around the canvas of one document, with the tools, zoom, transform and undo,
// until the full document window takes its place.
class CanvasWindow : public QMainWindow, public CanvasInteractionDelegate {
    Q_OBJECT
public:
    explicit CanvasWindow(ImageDocument& document, const QString& title, QWidget* parent = nullptr);

    CanvasView* canvas() const { return canvas_; }
    void canvasPixelReadoutChanged(const std::optional<PixelReadout>& readout) override;

private:
    CanvasView* canvas_;
    QLabel* readout_;
};

}  // namespace velmaris
