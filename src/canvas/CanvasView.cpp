#include "canvas/CanvasView.h"

#include "canvas/CanvasPainting.h"
#include "canvas/CanvasTextEditor.h"
#include "canvas/ViewGeometry.h"
#include "canvas/tools/CanvasTools.h"
#include "canvas/tools/ColorPickerTool.h"
#include "canvas/tools/MoveTool.h"
#include "canvas/tools/TransformTool.h"
#include "document/FilterPreview.h"
#include "document/LayerTargets.h"
#include "document/TextEditingSession.h"
#include "document/TransformSession.h"
#include "platform/Preferences.h"
#include "platform/ToolCatalogue.h"
#include "render/Compositor.h"
#include "render/ReducedImages.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QPainter>
#include <QScrollBar>
#include <QThreadPool>

#include <cmath>

namespace velmaris {

namespace {

constexpr int kAntsIntervalMs = 80;

}  // namespace

CanvasView::CanvasView(ImageDocument* document, QWidget* parent)
    : QGraphicsView(parent), document_(document), scene_(new QGraphicsScene(this))
{
    setScene(scene_);
    setAlignment(Qt::AlignCenter);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setResizeAnchor(QGraphicsView::AnchorViewCenter);
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setOptimizationFlags(QGraphicsView::DontAdjustForAntialiasing);
    setCacheMode(QGraphicsView::CacheNone);
    setBackgroundBrush(palette().color(QPalette::Dark));
    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);  // drops are delivered to the viewport, not the scroll area
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents, false);
    scene_->setSceneRect(canvasRect());
    scene_->setItemIndexMethod(QGraphicsScene::NoIndex);
    for (const ToolRow& row : allToolRows()) {
        const auto index = static_cast<size_t>(row.tool);
        tools_.resize(std::max(tools_.size(), index + 1));
        tools_[index] = makeCanvasTool(row.tool, *this);
    }
    transformTool_ = std::make_unique<TransformTool>(*this);

    antsTimer_.setInterval(kAntsIntervalMs);
    connect(&antsTimer_, &QTimer::timeout, this, &CanvasView::antsTick);
    connect(&display_, &CompositeDisplay::updated, this, [this] {
        if (!fastDragActive_ && !display_.isRendering())
            dragImages_.reset();
        if (display_.hasImage())
            awaitingFirstComposite_ = false;
        redrawAll();
        Q_EMIT compositeShown();
    });
    if (document_) {
        awaitingFirstComposite_ = document_->isWaitingForLayers();
        connect(document_, &ImageDocument::stateDidChange, this, &CanvasView::stateChanged);
        connect(document_, &ImageDocument::selectionDidChange, this, &CanvasView::selectionChanged);
        connect(document_, &ImageDocument::textEditingDidChange, this, &CanvasView::textEditingChanged);
        connect(document_, &ImageDocument::transformDidChange, this, &CanvasView::transformChanged);
        connect(document_, &ImageDocument::previewDidChange, this, &CanvasView::invalidateComposite);
    }
    checkerboardHidden_ = Preferences().checkerboardHidden().value_or(false);
    connect(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange, this, [this](const QString& name) {
        if (name != QLatin1String(PreferenceName::checkerboardHidden))
            return;
        checkerboardHidden_ = Preferences().checkerboardHidden().value_or(false);
        redrawAll();
    });
    updateCursor({});
    invalidateComposite();
    updateSelectionAnimation();
}

CanvasView::~CanvasView()
{
    if (document_ && textEditor_)
        document_->setEditorStyleApplier({});
}

// Geometry --------------------------------------------------------------------------------------

double CanvasView::magnification() const
{
    return transform().m11();
}

double CanvasView::pointSize() const
{
    return velmaris::pointSize(magnification());
}

QColor CanvasView::accentColor(double alpha) const
{
    QColor color = palette().color(QPalette::Highlight);
    color.setAlphaF(float(alpha));
    return color;
}

QRectF CanvasView::canvasRect() const
{
    return document_ ? QRectF(QPointF(0, 0), document_->state().size) : QRectF();
}

QPointF CanvasView::canvasPoint(QPointF viewportPoint) const
{
    return viewportTransform().inverted().map(viewportPoint);
}

void CanvasView::redrawCanvasRect(const QRectF& rect)
{
    viewport()->update(viewportTransform().mapRect(rect).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void CanvasView::redrawAll()
{
    viewport()->update();
}

void CanvasView::setZoom(double value)
{
    const double clamped = clampedMagnification(value);
    setTransform(QTransform::fromScale(clamped, clamped));
    centerOn(canvasRect().center());
    redrawAll();
    Q_EMIT magnificationChanged(clamped);
}

void CanvasView::zoomIn()
{
    setZoom(magnification() * kZoomStep);
}

void CanvasView::zoomOut()
{
    setZoom(magnification() / kZoomStep);
}

void CanvasView::zoomActualSize()
{
    setZoom(1);
}

void CanvasView::zoomToFit()
{
    if (const std::optional<double> fit = fitMagnification(canvasRect().size(), viewport()->size()))
        setZoom(*fit);
}

void CanvasView::zoomAbout(double value, QPointF viewportAnchor)
{
    const QPointF anchored = canvasPoint(viewportAnchor);
    const double clamped = clampedMagnification(value);
    setTransform(QTransform::fromScale(clamped, clamped));
    // Scroll so that the canvas point under the anchor stays under it.
    const QPointF drift = mapFromScene(anchored) - viewportAnchor;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + int(std::round(drift.x())));
    verticalScrollBar()->setValue(verticalScrollBar()->value() + int(std::round(drift.y())));
    redrawAll();
    Q_EMIT magnificationChanged(clamped);
}

void CanvasView::scrollContentsBy(int dx, int dy)
{
    QGraphicsView::scrollContentsBy(dx, dy);
    if (std::abs(magnification() - lastAdornmentMagnification_) > 0.0001) {
        lastAdornmentMagnification_ = magnification();
        redrawAll();
    }
}

// Tool ------------------------------------------------------------------------------------------

void CanvasView::setTool(EditorTool tool)
{
    if (tool != tool_ && document_) {
        if (gestureTool_) {
            gestureTool_->cancel();
            gestureTool_ = nullptr;
        }
        tool_ = tool;
        commitTextEditing(*document_);
        commitTransform(*document_);
    }
    tool_ = tool;
    updateCursor(canvasPoint(viewport()->mapFromGlobal(QCursor::pos())));
    redrawAll();
}

CanvasTool& CanvasView::activeTool() const
{
    if (document_ && document_->transform())
        return *transformTool_;
    return toolObject(tool_);
}

void CanvasView::updateCursor(QPointF point)
{
    if (panLast_)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (spaceHeld_)
        viewport()->setCursor(Qt::OpenHandCursor);
    else
        viewport()->setCursor(toolObject(tool_).cursor(point));
}

// Layer drag images ------------------------------------------------------------------------------

void CanvasView::startFastLayerDrag()
{
    if (fastDragRequested_)
        return;
    fastDragRequested_ = true;
    dragLastFrames_.clear();
    if (document_->filterPreview())
        return;  // with a live preview every step re-renders the whole composite
    const QSet<QUuid> moving = movableSelectedLayerIDs(document_->state());
    if (moving.isEmpty())
        return;
    fastDragActive_ = true;
    const CanvasState state = document_->state();
    const int halvings = std::min(reductionLevelFor(magnification(), 5), 5);
    const quint64 generation = ++fastDragGeneration_;
    QPointer<CanvasView> self(this);
    QThreadPool::globalInstance()->start([self, state, moving, halvings, generation] {
        std::optional<LayerDragImages> images = LayerDragImages::build(state, moving, halvings);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, images = std::move(images), generation]() mutable {
                if (!self || !images || self->fastDragGeneration_ != generation || !self->fastDragRequested_)
                    return;
                self->dragImages_ = std::make_shared<const LayerDragImages>(std::move(*images));
                self->redrawAll();
            },
            Qt::QueuedConnection);
    });
}

void CanvasView::endFastLayerDrag()
{
    fastDragRequested_ = false;
    fastDragActive_ = false;
    dragLastFrames_.clear();
}

void CanvasView::setActiveSnapLines(std::optional<double> x, std::optional<double> y)
{
    if (activeSnapLines_ == std::pair(x, y))
        return;
    const double halfWidth = snapGuideHalfWidth(magnification());
    const QSizeF size = canvasRect().size();
    for (const std::optional<double>& line : {activeSnapLines_.first, x})
        if (line)
            redrawCanvasRect(QRectF(*line - halfWidth, 0, 2 * halfWidth, size.height()));
    for (const std::optional<double>& line : {activeSnapLines_.second, y})
        if (line)
            redrawCanvasRect(QRectF(0, *line - halfWidth, size.width(), 2 * halfWidth));
    activeSnapLines_ = {x, y};
}

// Composite -------------------------------------------------------------------------------------

void CanvasView::invalidateComposite()
{
    // A document still loading its layers has nothing to composite yet: the canvas says so.
    if (!document_ || document_->isWaitingForLayers())
        return;
    QSet<QUuid> excluded;
    if (document_->textEditing())
        excluded.insert(document_->textEditing()->layerID);
    if (document_->transform())
        excluded.insert(document_->transform()->layerID);
    const std::optional<FilterPreview>& filter = document_->filterPreview();
    if (!filter) {
        std::optional<CompositeDisplay::ReducedPass> reducedFirst;
        if (const int halvings = reductionLevelFor(magnification(), CompositeDisplay::kHalvings);
            awaitingFirstComposite_ && halvings > 0)
            reducedFirst = CompositeDisplay::ReducedPass{halvings, std::nullopt};
        display_.request(document_->state(), std::nullopt, excluded, std::move(reducedFirst));
        return;
    }
    // A filter preview shows first at the size the view draws, its lengths scaled to match; the
    // full-size render follows.
    std::optional<CompositeDisplay::ReducedPass> reducedFirst;
    if (const int halvings = reductionLevelFor(magnification(), CompositeDisplay::kHalvings); halvings > 0)
        reducedFirst = CompositeDisplay::ReducedPass{halvings, filter->compositorPreview(std::ldexp(1.0, -halvings))};
    display_.request(document_->state(), filter->compositorPreview(), excluded, std::move(reducedFirst));
}

QImage CanvasView::fullSizeComposite() const
{
    if (!document_)
        return {};
    const QSize size = document_->state().size.toSize();
    if (display_.hasImage() && display_.imageHalvings() == 0 && display_.image().size() == size)
        return display_.image();
    const std::optional<Bitmap> composite = renderComposite(document_->state());
    return composite ? composite->image() : QImage();
}

std::optional<StoredColor> CanvasView::sampleColor(QPointF point) const
{
    return sampleCanvasColor(*this, point, 1, ColorSampleSource::composite);
}

// Notifications ---------------------------------------------------------------------------------

void CanvasView::stateChanged()
{
    if (!document_)
        return;
    // A layer deleted or merged away takes its text edit or transform with it.
    if (document_->textEditing() && !layerIndex(document_->state(), document_->textEditing()->layerID))
        commitTextEditing(*document_);
    if (document_->transform() && !layerIndex(document_->state(), document_->transform()->layerID))
        cancelTransform(*document_);
    if (fastDragActive_) {
        // A fast drag redraws only where the moving layers were and are.
        for (const QRectF& frame : std::as_const(dragLastFrames_))
            redrawCanvasRect(frame.adjusted(-2 * pointSize() - 2, -2 * pointSize() - 2, 2 * pointSize() + 2, 2 * pointSize() + 2));
        dragLastFrames_.clear();
        for (const QUuid& id : movableSelectedLayerIDs(document_->state())) {
            for (const Layer& layer : document_->state().layers)
                if (layer.id == id) {
                    const QRectF box = layer.box();
                    redrawCanvasRect(box.adjusted(-2 * pointSize() - 2, -2 * pointSize() - 2, 2 * pointSize() + 2, 2 * pointSize() + 2));
                    dragLastFrames_.append(box);
                }
        }
        return;
    }
    invalidateComposite();
    if (scene_->sceneRect() != canvasRect()) {
        scene_->setSceneRect(canvasRect());
        redrawAll();
        return;
    }
    // The composite redraws everything once it is ready; until then only the tool's overlay (the
    // outlines of the selected layers) may have moved.
    const QVector<QRectF> boxes = activeTool().overlayBoxes();
    for (const QRectF& box : std::as_const(lastToolOverlayBoxes_) + boxes)
        redrawCanvasRect(box.adjusted(-pointSize(), -pointSize(), pointSize(), pointSize()));
    lastToolOverlayBoxes_ = boxes;
}

void CanvasView::selectionChanged()
{
    updateSelectionAnimation();
}

void CanvasView::transformChanged()
{
    if (!document_)
        return;
    transformTool_->sessionChanged();
    invalidateComposite();
    redrawAll();
}

void CanvasView::textEditingChanged()
{
    if (!document_)
        return;
    if (!document_->textEditing()) {
        if (textEditor_) {
            document_->setEditorStyleApplier({});
            const bool hadFocus = textEditor_->hasFocus();
            textEditor_.reset();
            if (hadFocus)
                setFocus();
        }
    } else {
        const bool created = !textEditor_;
        if (created)
            textEditor_ = std::make_unique<CanvasTextEditor>(*this, *document_);
        textEditor_->showSession(*document_->textEditing());
        if (created)
            textEditor_->begin();
    }
    invalidateComposite();
    redrawAll();
}

// Marching ants ---------------------------------------------------------------------------------

void CanvasView::updateSelectionAnimation()
{
    if (!document_)
        return;
    const bool selected = document_->selection().rect.has_value();
    if (selected && !antsTimer_.isActive())
        antsTimer_.start();
    else if (!selected)
        antsTimer_.stop();
    for (const QRectF& area : std::as_const(lastSelectionDrawAreas_))
        redrawCanvasRect(area);
    redrawSelectionOutline();
}

void CanvasView::antsTick()
{
    antsPhase_ += 1;
    redrawSelectionOutline();
}

void CanvasView::redrawSelectionOutline()
{
    lastSelectionDrawAreas_.clear();
    if (!document_ || !document_->selection().rect)
        return;
    const DocumentSelection& selection = document_->selection();
    lastSelectionDrawAreas_ = antsInvalidation(selectionOutlineArea(*selection.rect, pointSize()), selection.shape,
                                               selection.inverted, canvasRect().size(), pointSize());
    for (const QRectF& area : std::as_const(lastSelectionDrawAreas_))
        redrawCanvasRect(area);
}

// Drawing ---------------------------------------------------------------------------------------

void CanvasView::drawBackground(QPainter* painter, const QRectF& rect)
{
    painter->fillRect(rect, backgroundBrush());
    if (!document_)
        return;
    const QRectF canvas = canvasRect();
    const QRectF area = canvas.intersected(rect);
    if (area.isEmpty())
        return;
    drawBackdrop(*painter, area);
    drawComposite(*painter, area);
    activeTool().paintCanvas(*painter, area);
    if (document_->isWaitingForLayers() || awaitingFirstComposite_) {
        painter->save();
        painter->resetTransform();
        drawCenteredNote(*painter, viewport()->rect(), QStringLiteral("Loading layers…"));
        painter->restore();
    }
}

void CanvasView::drawBackdrop(QPainter& painter, const QRectF& area) const
{
    if (checkerboardHidden_)
        painter.fillRect(area, Qt::white);
    else
        drawCheckerboard(painter, canvasRect(), area, pointSize());
}

void CanvasView::drawComposite(QPainter& painter, const QRectF& area)
{
    const QRectF pixels = integralExpansion(area);
    if (dragImages_) {
        QRectF drawn;
        const QImage image = dragImages_->compose(document_->state(), pixels, drawn);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, dragImages_->scale < 1);
        painter.drawImage(drawn, image);
        return;
    }
    if (!display_.hasImage())
        return;
    const auto [image, scale] = display_.imageFor(magnification());
    const QRectF source(pixels.left() * scale, pixels.top() * scale, pixels.width() * scale,
                        pixels.height() * scale);
    // Zoomed in, pixels stay sharp squares; zoomed out, the halved image is smoothed the last step.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, magnification() < 1);
    painter.drawImage(pixels, *image, source);
}

void CanvasView::drawForeground(QPainter* painter, const QRectF& rect)
{
    Q_UNUSED(rect);
    if (!document_)
        return;
    QPainter& p = *painter;
    p.setRenderHint(QPainter::Antialiasing, false);
    const double unit = pointSize();
    const CanvasState& state = document_->state();

    if (document_->transform())
        transformTool_->paintOverlay(p);

    QColor guide = Qt::red;
    guide.setAlphaF(0.8f);
    p.setPen(QPen(guide, unit));
    const QSizeF size = state.size;
    if (activeSnapLines_.first)
        p.drawLine(QPointF(*activeSnapLines_.first, 0), QPointF(*activeSnapLines_.first, size.height()));
    if (activeSnapLines_.second)
        p.drawLine(QPointF(0, *activeSnapLines_.second), QPointF(size.width(), *activeSnapLines_.second));

    const DocumentSelection& selection = document_->selection();
    if (selection.rect) {
        QPainterPath path;
        if (selection.shape == SelectionShape::ellipse)
            path.addEllipse(*selection.rect);
        else
            path.addRect(*selection.rect);
        drawMarchingAnts(p, path, antsPhase_, unit);
        if (selection.inverted) {
            QPainterPath border;
            border.addRect(canvasRect());
            drawMarchingAnts(p, border, antsPhase_, unit);
        }
    }
    toolObject(tool_).paintOverlay(p);
}

}  // namespace velmaris
