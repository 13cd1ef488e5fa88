#pragma once

#include "canvas/CanvasInteractionDelegate.h"
#include "canvas/CompositeDisplay.h"
#include "canvas/LayerDragImages.h"
#include "canvas/tools/CanvasTool.h"
#include "document/ImageDocument.h"

#include <QGraphicsView>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QGraphicsScene;

namespace velmaris {

class CanvasTextEditor;
class TransformTool;

// The editing surface of one document: a zooming, scrolling view of the canvas with its
// checkerboard, composite, layer outlines, marching ants, handles, snap guides and transform
// overlay. Pointer and keyboard input goes to the active tool (canvas/tools/), except panning with
// the middle button or with Space held. One view unit is one canvas pixel; zoom is the view's
// scale. The composite renders off the main thread.
class CanvasView : public QGraphicsView {
    Q_OBJECT
public:
    explicit CanvasView(ImageDocument* document, QWidget* parent = nullptr);
    ~CanvasView() override;

    ImageDocument* document() const { return document_; }
    void setInteractionDelegate(CanvasInteractionDelegate* delegate) { interactionDelegate_ = delegate; }

    EditorTool tool() const { return tool_; }
    // Switching to another tool commits a running text edit and transform.
    void setTool(EditorTool tool);
    // The object of a tool (its settings live there), and the one that gets input now: the free
    // transform while one runs, else the chosen tool.
    CanvasTool& toolObject(EditorTool tool) const { return *tools_.at(static_cast<size_t>(tool)); }
    CanvasTool& activeTool() const;
    // Space held down or the middle button pans, whatever the tool.
    bool isPanReady() const { return spaceHeld_ || panLast_.has_value(); }

    double magnification() const;
    // Clamped to 0.05–32, centred on the middle of the canvas.
    void setZoom(double magnification);
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomToFit();

    // The canvas's colour at a canvas point (un-premultiplied); nothing outside the canvas.
    std::optional<StoredColor> sampleColor(QPointF point) const;
    // The composite at the canvas's size (premultiplied): the one on screen when it is at full
    // size, else rendered now.
    QImage fullSizeComposite() const;
    // Renders the composite again (in the background) and redraws once it is ready.
    void invalidateComposite();
    void selectAll();

    // Canvas coordinates of a point in the viewport.
    QPointF canvasPoint(QPointF viewportPoint) const;
    bool isCompositeRendering() const { return display_.isRendering(); }
    // The composite on screen shows the newest state, though perhaps still at reduced size.
    bool isShowingNewestComposite() const { return display_.isShowingNewest(); }
    bool hasTextEditor() const { return textEditor_ != nullptr; }
    CanvasTextEditor* textEditor() const { return textEditor_.get(); }

    // For the tools.
    // The size of one screen point in canvas units.
    double pointSize() const;
    QColor accentColor(double alpha) const;
    void redrawCanvasRect(const QRectF& rect);
    // What shows through transparent pixels (the checkerboard, or white), over `area` of the canvas.
    void drawBackdrop(QPainter& painter, const QRectF& area) const;
    void setActiveSnapLines(std::optional<double> x, std::optional<double> y);
    // Shows the selected layers moving from images of them while a layer drag runs (once per drag).
    void startFastLayerDrag();
    void endFastLayerDrag();

Q_SIGNALS:
    // A finished composite reached the screen.
    void compositeShown();
    void magnificationChanged(double magnification);

protected:
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Document notifications.
    void stateChanged();
    void selectionChanged();
    void textEditingChanged();
    void transformChanged();

    // Drawing.
    QRectF canvasRect() const;
    void redrawAll();
    void drawComposite(QPainter& painter, const QRectF& area);
    void updateSelectionAnimation();
    // Marks where the selection outline is drawn now for redraw and remembers it.
    void redrawSelectionOutline();
    void antsTick();

    // Pointer and keys (CanvasPointer.cpp).
    ToolPointer toolPointer(const QMouseEvent& event) const;
    void pressTool(QMouseEvent* event);
    void panBy(QPointF viewportPoint);
    void zoomAbout(double magnification, QPointF viewportAnchor);
    void reportPixel(QPointF viewportPoint);
    void updateCursor(QPointF point);

    QPointer<ImageDocument> document_;
    CanvasInteractionDelegate* interactionDelegate_ = nullptr;
    QGraphicsScene* scene_;
    EditorTool tool_ = EditorTool::move;
    CompositeDisplay display_;
    bool checkerboardHidden_ = false;
    // A document opened before its layers were decoded: until its first composite is drawn the
    // canvas keeps its loading note, and that composite comes first at the size the view draws.
    bool awaitingFirstComposite_ = false;

    double antsPhase_ = 0;
    QTimer antsTimer_;
    // Where the selection outline was last drawn, as computed for the shape and inversion it had
    // then: a change of shape or inversion must still clear the old outline.
    QVector<QRectF> lastSelectionDrawAreas_;
    QVector<QRectF> lastToolOverlayBoxes_;
    double lastAdornmentMagnification_ = 0;

    std::unique_ptr<CanvasTextEditor> textEditor_;

    // Indexed by EditorTool.
    std::vector<std::unique_ptr<CanvasTool>> tools_;
    std::unique_ptr<TransformTool> transformTool_;
    // The tool that took the press of the gesture running now.
    CanvasTool* gestureTool_ = nullptr;

    // The fast layer drag: images being built, then ready. A drag step before they are ready
    // moves the layers in the document and waits for the images to show it.
    bool fastDragRequested_ = false;
    bool fastDragActive_ = false;
    quint64 fastDragGeneration_ = 0;
    std::shared_ptr<const LayerDragImages> dragImages_;
    QVector<QRectF> dragLastFrames_;
    std::pair<std::optional<double>, std::optional<double>> activeSnapLines_;

    std::optional<QPoint> lastHoverPixel_;
    // The pressure of the pen's last tablet event; its mouse events, which drive the tools, have none.
    std::optional<double> penPressure_;
    std::optional<QPointF> panLast_;
    bool spaceHeld_ = false;
};

}  // namespace velmaris
