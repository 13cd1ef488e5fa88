#pragma once

#include "canvas/CanvasInteractionDelegate.h"
#include "canvas/CompositeDisplay.h"
#include "canvas/LayerDragImages.h"
#include "canvas/SelectionGeometry.h"
#include "canvas/TransformGestures.h"
#include "document/ImageDocument.h"

#include <QGraphicsView>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>
#include <variant>

class QGraphicsScene;

namespace velmaris {

class CanvasTextEditor;

// The editing surface of one document: a zooming, scrolling view of the canvas with its
// checkerboard, composite, layer outlines, marching ants, handles, snap guides and transform
// overlay; it turns pointer and keyboard input into document operations. One view unit is one
// canvas pixel; zoom is the view's scale. The composite renders off the main thread.
class CanvasView : public QGraphicsView {
    Q_OBJECT
public:
    // Pointer gestures of the move and select tools.
    struct CreatingSelection {
        QPointF anchor;
    };
    struct MovingSelection {
        QPointF grabOffset;
    };
    struct ResizingSelection {
        SelectionHandle handle;
        QPointF anchor;
    };
    struct MovingLayer {
        QPointF lastPoint;
        bool moved = false;
    };
    using DragMode = std::variant<std::monostate, CreatingSelection, MovingSelection, ResizingSelection, MovingLayer>;

    explicit CanvasView(ImageDocument* document, QWidget* parent = nullptr);
    ~CanvasView() override;

    ImageDocument* document() const { return document_; }
    void setInteractionDelegate(CanvasInteractionDelegate* delegate) { interactionDelegate_ = delegate; }

    EditorTool tool() const { return tool_; }
    // Switching to another tool commits a running text edit and transform.
    void setTool(EditorTool tool);

    double magnification() const;
    // Clamped to 0.05–32, centred on the middle of the canvas.
    void setZoom(double magnification);
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomToFit();

    // The canvas's colour at a canvas point (un-premultiplied); nothing outside the canvas.
    std::optional<StoredColor> sampleColor(QPointF point) const;
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
    double point() const;
    QRectF canvasRect() const;
    void redrawCanvasRect(const QRectF& rect);
    void redrawAll();
    void drawComposite(QPainter& painter, const QRectF& area);
    void drawTransformOverlay(QPainter& painter);
    // The boxes of the selected layers, outlined while the move tool is active.
    QVector<QRectF> layerOutlines() const;
    void updateSelectionAnimation();
    // Marks where the selection outline is drawn now for redraw and remembers it.
    void redrawSelectionOutline();
    void antsTick();

    // Pointer and keys (CanvasPointer.cpp).
    void pressWithTool(QMouseEvent* event, QPointF point);
    void pressWithMoveTool(QMouseEvent* event, QPointF point);
    void pressWithSelectTool(QPointF point);
    void pressWithTextTool(QPointF point);
    void dragTo(QMouseEvent* event, QPointF point);
    void dragLayersTo(QMouseEvent* event, QPointF point, MovingLayer& gesture);
    void release();
    QSet<QUuid> movingLayerIDs() const;
    void startFastDrag();
    void setActiveSnapLines(std::optional<double> x, std::optional<double> y);
    bool handleTransformPress(QMouseEvent* event, QPointF point);
    void zoomAbout(double magnification, QPointF viewportAnchor);
    void reportPixel(QPointF viewportPoint);
    void updateCursor(QPointF point);

    QPointer<ImageDocument> document_;
    CanvasInteractionDelegate* interactionDelegate_ = nullptr;
    QGraphicsScene* scene_;
    EditorTool tool_ = EditorTool::move;
    CompositeDisplay display_;
    bool checkerboardHidden_ = false;

    double antsPhase_ = 0;
    QTimer antsTimer_;
    // Where the selection outline was last drawn, as computed for the shape and inversion it had
    // then: a change of shape or inversion must still clear the old outline.
    QVector<QRectF> lastSelectionDrawAreas_;
    QVector<QRectF> lastLayerOutlines_;
    double lastAdornmentMagnification_ = 0;

    std::unique_ptr<CanvasTextEditor> textEditor_;

    DragMode dragMode_;
    QPointF dragPointerStart_;
    QPointF mouseDownViewportPoint_;
    QHash<QUuid, QPointF> dragOriginalOrigins_;
    QVector<double> dragSnapTargetsX_;
    QVector<double> dragSnapTargetsY_;
    std::pair<std::optional<double>, std::optional<double>> activeSnapLines_;
    std::optional<QUuid> pendingAutoSelectLayerID_;
    std::optional<QUuid> pendingTextEditLayerID_;
    // The fast layer drag: images being built, then ready. A drag step before they are ready
    // moves the layers in the document and waits for the images to show it.
    bool fastDragRequested_ = false;
    bool fastDragActive_ = false;
    quint64 fastDragGeneration_ = 0;
    std::shared_ptr<const LayerDragImages> dragImages_;
    QVector<QRectF> dragLastFrames_;

    std::optional<TransformDrag> transformDrag_;
    QImage transformLayerImage_;

    std::optional<QPoint> lastHoverPixel_;
    std::optional<QPointF> panLast_;
};

}  // namespace velmaris
