#include "canvas/CanvasView.h"
#include "canvas/tools/BrushTool.h"
#include "document/LayerSelection.h"
#include "document/TestDocuments.h"
#include "platform/CurrentColorStore.h"
#include "QtWait.h"
#include "ShownCanvas.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTabletEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace velmaris {
namespace {

using test::ShownCanvas;
using test::solidLayer;

constexpr QPointF kFrom(30, 60);
constexpr QPointF kTo(170, 60);

BrushTool& brushTool(ShownCanvas& canvas, EditorTool tool)
{
    auto& brush = static_cast<BrushTool&>(canvas.view->toolObject(tool));
    brush.setSettings(BrushSettings{BrushPreset::hardRound, 12, 1, 1});
    canvas.view->setTool(tool);
    return brush;
}

// A drag along the path with the chosen tool, once its history step is in.
void paintPath(ShownCanvas& canvas, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    canvas.drag(kFrom, kTo, modifiers, 20);
    const auto& tool = static_cast<const BrushTool&>(canvas.view->toolObject(canvas.view->tool()));
    EXPECT_TRUE(test::waitUntil([&] { return !tool.isCommitting(); }));
}

QRgb pixelAt(const CanvasState& state, int index, QPoint canvasPixel)
{
    const Layer& layer = state.layers[index];
    return layer.bitmap()->image().pixel(canvasPixel - layer.origin.toPoint());
}

// Distance from a point to the stroke's segment.
double distanceToPath(QPointF point)
{
    const QPointF along = kTo - kFrom;
    const double t = std::clamp(QPointF::dotProduct(point - kFrom, along) / QPointF::dotProduct(along, along), 0.0, 1.0);
    const QPointF nearest = kFrom + t * along;
    return std::hypot(point.x() - nearest.x(), point.y() - nearest.y());
}

// Every pixel of the layer that differs between the two states, in canvas coordinates.
QVector<QPoint> changedPixels(const CanvasState& before, const CanvasState& after, int index)
{
    QVector<QPoint> changed;
    const QSize size = before.size.toSize();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (pixelAt(before, index, {x, y}) != pixelAt(after, index, {x, y}))
                changed.append({x, y});
    return changed;
}

TEST(BrushTool, AStrokeChangesPixelsNearItsPathInsideTheSelectionAsOneHistoryStep)
{
    ShownCanvas canvas({200, 120}, {solidLayer(QStringLiteral("Paper"), 200, 120, {}, test::kBlue)});
    selectLayer(*canvas.document, canvas.document->state().layers.first().id);
    CurrentColorStore::shared().setColor(StoredColor{1, 1, 0, 1});
    brushTool(canvas, EditorTool::brush);
    const CanvasState before = canvas.document->state();
    const Bitmap original = *before.layers.first().bitmap();
    const qsizetype steps = canvas.document->history().entries().size();

    paintPath(canvas, Qt::NoModifier);
    const CanvasState painted = canvas.document->state();
    const QVector<QPoint> changed = changedPixels(before, painted, 0);
    ASSERT_FALSE(changed.isEmpty());
    for (const QPoint& pixel : changed)
        ASSERT_LE(distanceToPath(QPointF(pixel) + QPointF(0.5, 0.5)), 6 + 3) << pixel.x() << "," << pixel.y();
    EXPECT_EQ(qRed(pixelAt(painted, 0, {100, 60})), 255);  // yellow under the middle of the path
    EXPECT_EQ(qGreen(pixelAt(painted, 0, {100, 60})), 255);
    ASSERT_EQ(canvas.document->history().entries().size(), steps + 1);
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Brush Stroke"));

    // Undo gives back the very bitmap.
    canvas.document->undoHistory();
    EXPECT_TRUE(canvas.document->state().layers.first().bitmap()->sharesPixelsWith(original));

    // With a selection of the left half, nothing right of it changes; inverted, nothing left of it.
    for (const bool inverted : {false, true}) {
        canvas.document->setSelectionRect(QRectF(0, 0, 100, 120));
        canvas.document->setSelectionInverted(inverted);
        paintPath(canvas, Qt::NoModifier);
        const QVector<QPoint> clipped = changedPixels(before, canvas.document->state(), 0);
        ASSERT_FALSE(clipped.isEmpty()) << inverted;
        for (const QPoint& pixel : clipped)
            ASSERT_EQ(pixel.x() >= 100, inverted) << pixel.x() << "," << pixel.y();
        canvas.document->undoHistory();
    }
}

TEST(BrushTool, TheStrokeShowsWhilePaintingUnderTheLayersAboveAndEscapeDropsIt)
{
    // A red strip above the painted layer covers the right end of the path.
    ShownCanvas canvas({200, 120}, {solidLayer(QStringLiteral("Paper"), 200, 120, {}, test::kBlue),
                                    solidLayer(QStringLiteral("Strip"), 40, 120, {150, 0}, test::kRed)});
    selectLayer(*canvas.document, canvas.document->state().layers.first().id);
    CurrentColorStore::shared().setColor(StoredColor{1, 1, 0, 1});
    auto& brush = brushTool(canvas, EditorTool::brush);
    const CanvasState before = canvas.document->state();
    const qsizetype steps = canvas.document->history().entries().size();

    canvas.send(QEvent::MouseButtonPress, kFrom, Qt::LeftButton);
    for (int i = 1; i <= 20; ++i)
        canvas.send(QEvent::MouseMove, kFrom + (kTo - kFrom) * i / 20, Qt::LeftButton);
    EXPECT_EQ(canvas.document->state(), before);  // nothing committed mid-stroke
    EXPECT_EQ(canvas.screenPixel({100, 60}), qRgb(255, 255, 0));
    EXPECT_EQ(canvas.screenPixel({165, 60}), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.screenPixel({100, 20}), qRgb(0, 0, 255));

    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    canvas.send(QEvent::MouseButtonRelease, kTo, Qt::NoButton);
    EXPECT_FALSE(brush.isShowingStroke());
    EXPECT_EQ(canvas.document->state(), before);
    EXPECT_EQ(canvas.document->history().entries().size(), steps);
    EXPECT_EQ(canvas.screenPixel({100, 60}), qRgb(0, 0, 255));

    // A finished stroke stays on screen while it is committed and until the composite shows it.
    canvas.drag(kFrom, kTo, Qt::NoModifier, 20);
    EXPECT_EQ(canvas.screenPixel({100, 60}), qRgb(255, 255, 0));
    // A stroke begun at once starts from the pixels of the one before: both are kept, as two steps.
    canvas.drag(kFrom + QPointF(0, 30), kTo + QPointF(0, 30), Qt::NoModifier, 20);
    EXPECT_TRUE(test::waitUntil([&] { return !brush.isCommitting(); }));
    ASSERT_EQ(canvas.document->history().entries().size(), steps + 2);
    EXPECT_EQ(pixelAt(canvas.document->state(), 0, {100, 60}), qRgb(255, 255, 0));
    EXPECT_EQ(pixelAt(canvas.document->state(), 0, {100, 90}), qRgb(255, 255, 0));
    EXPECT_TRUE(test::waitUntil([&] { return !brush.isShowingStroke(); }));
    EXPECT_TRUE(canvas.view->isShowingNewestComposite());
    EXPECT_EQ(canvas.screenPixel({100, 60}), qRgb(255, 255, 0));
    EXPECT_EQ(canvas.screenPixel({100, 90}), qRgb(255, 255, 0));
}

TEST(BrushTool, TheEraserClearsToTransparencyOrWithShiftPaintsTheBackgroundColour)
{
    ShownCanvas canvas({200, 120}, {solidLayer(QStringLiteral("Paper"), 200, 120, {}, test::kRed)});
    selectLayer(*canvas.document, canvas.document->state().layers.first().id);
    CurrentColorStore::shared().setBackgroundColor(StoredColor{0, 1, 0, 1});
    brushTool(canvas, EditorTool::eraser);
    const qsizetype steps = canvas.document->history().entries().size();

    paintPath(canvas, Qt::NoModifier);
    EXPECT_EQ(qAlpha(pixelAt(canvas.document->state(), 0, {100, 60})), 0);
    EXPECT_EQ(pixelAt(canvas.document->state(), 0, {100, 20}), qRgb(255, 0, 0));
    ASSERT_EQ(canvas.document->history().entries().size(), steps + 1);
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Erase"));
    canvas.document->undoHistory();

    paintPath(canvas, Qt::ShiftModifier);
    EXPECT_EQ(pixelAt(canvas.document->state(), 0, {100, 60}), qRgb(0, 255, 0));
    CurrentColorStore::shared().setBackgroundColor(StoredColor{1, 1, 1, 1});
}

TEST(BrushTool, LockedAndTextLayersAreRefusedAndATextLayerCanBeRasterized)
{
    Layer locked = solidLayer(QStringLiteral("Locked"), 200, 120, {}, test::kRed);
    locked.isLocked = true;
    ShownCanvas canvas({200, 120}, {locked, test::textLayer(QStringLiteral("Words"), {20, 40})});
    brushTool(canvas, EditorTool::brush);
    const qsizetype steps = canvas.document->history().entries().size();
    const auto refusal = [&](const QUuid& layer) {
        selectLayer(*canvas.document, layer);
        const CanvasState before = canvas.document->state();
        paintPath(canvas);
        EXPECT_EQ(canvas.document->state(), before);
        auto* box = canvas.view->findChild<QMessageBox*>(QStringLiteral("PaintRefusal"));
        EXPECT_TRUE(box && box->isVisible());
        return box;
    };
    QMessageBox* lockedBox = refusal(canvas.document->state().layers[0].id);
    ASSERT_TRUE(lockedBox);
    EXPECT_TRUE(lockedBox->text().contains(QStringLiteral("locked")));
    lockedBox->button(QMessageBox::Ok)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QMessageBox* textBox = refusal(canvas.document->state().layers[1].id);
    ASSERT_TRUE(textBox);
    EXPECT_TRUE(textBox->text().contains(QStringLiteral("text layer")));
    EXPECT_EQ(canvas.document->history().entries().size(), steps);
    textBox->defaultButton()->click();
    EXPECT_TRUE(canvas.document->state().layers[1].bitmap());
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Rasterize Layer"));

    // Now a bitmap, the layer takes the stroke.
    paintPath(canvas);
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Brush Stroke"));
}

TEST(BrushTool, APensPressureShapesTheStrokeAndAMousePaintsFullyPressed)
{
    ShownCanvas canvas({200, 120}, {solidLayer(QStringLiteral("Clear"), 200, 120, {}, test::kClear)});
    selectLayer(*canvas.document, canvas.document->state().layers.first().id);
    auto& brush = brushTool(canvas, EditorTool::brush);
    const QPointingDevice pen(QStringLiteral("Pen"), 4711, QInputDevice::DeviceType::Stylus,
                              QPointingDevice::PointerType::Pen,
                              QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 2);
    // As the platform delivers a pen: a tablet event, which the canvas leaves to come back as a
    // mouse event from the pen.
    const auto penEvent = [&](QEvent::Type tablet, QEvent::Type mouse, QPointF point, Qt::MouseButtons buttons) {
        const QPointF position = canvas.view->mapFromScene(point);
        const QPointF global = canvas.surface()->mapToGlobal(position);
        QTabletEvent pressed(tablet, &pen, position, global, 0.15, 0, 0, 0, 0, 0, Qt::NoModifier, Qt::LeftButton, buttons);
        QCoreApplication::sendEvent(canvas.surface(), &pressed);
        QMouseEvent moved(mouse, position, global, Qt::LeftButton, buttons, Qt::NoModifier, &pen);
        QCoreApplication::sendEvent(canvas.surface(), &moved);
    };
    penEvent(QEvent::TabletPress, QEvent::MouseButtonPress, kFrom, Qt::LeftButton);
    for (int i = 1; i <= 20; ++i)
        penEvent(QEvent::TabletMove, QEvent::MouseMove, kFrom + (kTo - kFrom) * i / 20, Qt::LeftButton);
    penEvent(QEvent::TabletRelease, QEvent::MouseButtonRelease, kTo, Qt::NoButton);
    EXPECT_TRUE(test::waitUntil([&] { return !brush.isCommitting(); }));
    const int light = qAlpha(pixelAt(canvas.document->state(), 0, {100, 60}));
    EXPECT_GT(light, 0);
    EXPECT_LT(light, 128);

    canvas.document->undoHistory();
    paintPath(canvas);
    EXPECT_EQ(qAlpha(pixelAt(canvas.document->state(), 0, {100, 60})), 255);
}

TEST(BrushTool, TheCursorOutlinesTheBrushAtTheZoom)
{
    ShownCanvas canvas({200, 120}, {solidLayer(QStringLiteral("Paper"), 200, 120)});
    auto& brush = brushTool(canvas, EditorTool::brush);
    canvas.send(QEvent::MouseMove, {50, 50}, Qt::NoButton);
    EXPECT_EQ(canvas.surface()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(canvas.surface()->cursor().pixmap().width(), 12 + 4);
    brush.setSettings(BrushSettings{BrushPreset::hardRound, 2, 1, 1});
    canvas.send(QEvent::MouseMove, {51, 50}, Qt::NoButton);
    EXPECT_EQ(canvas.surface()->cursor().shape(), Qt::CrossCursor);
}

}  // namespace
}  // namespace velmaris
