#include "canvas/CanvasView.h"
#include "document/SelectionOperations.h"
#include "render/Compositor.h"
#include "QtWait.h"
#include "ShownCanvas.h"

#include <QNativeGestureEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace velmaris {
namespace {

using test::ShownCanvas;
using test::waitUntil;

// The viewport's pixels over the canvas rectangle `area`.
QImage canvasPart(const ShownCanvas& canvas, const QImage& viewport, const QRect& area)
{
    const QPoint from = canvas.at(QRectF(area).topLeft()), to = canvas.at(QRectF(area).bottomRight());
    return viewport.copy(QRect(from, to - QPoint(1, 1)));
}

// The largest difference of any colour component between two images of one size, leaving out
// the band along the edges of `outlined` where the layer outline is drawn.
int largestDifference(const QImage& a, const QImage& b, const QRect& outlined)
{
    if (a.size() != b.size())
        return INT_MAX;
    const QRect outer = outlined.adjusted(-2, -2, 2, 2), inner = outlined.adjusted(2, 2, -2, -2);
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (outer.contains(x, y) && !inner.contains(x, y))
                continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

TEST(CanvasDisplay, ShowsTheCompositePixelForPixelAndSharpWhenZoomedIn)
{
    Layer overlay = test::solidLayer(QStringLiteral("Overlay"), 40, 30, {10, 20}, {0, 0, 200, 200});
    overlay.blendMode = LayerBlendMode::multiply;
    overlay.opacity = 0.6;
    ShownCanvas canvas({120, 80}, {test::bitmapLayer(test::opaqueRandomBitmap(120, 80, 7)), overlay});
    canvas.view->setTool(EditorTool::select);  // no layer outline over the pixels
    const std::optional<Bitmap> composite = renderComposite(canvas.document->state());
    ASSERT_TRUE(composite);
    const QImage expected = composite->image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(largestDifference(canvasPart(canvas, canvas.screen(), {0, 0, 120, 80}), expected, {}), 0);

    // Zoomed in, every canvas pixel is a square of its own colour.
    canvas.view->setZoom(3);
    canvas.waitForComposite();
    const QImage screen = canvas.screen();
    const QPoint origin = canvas.at({0, 0});
    int mismatches = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            for (int corner = 0; corner < 9; ++corner)
                if (screen.pixel(origin + QPoint(3 * x + corner % 3, 3 * y + corner / 3)) != expected.pixel(x, y))
                    ++mismatches;
    EXPECT_EQ(mismatches, 0);
}

TEST(CanvasDisplay, FastLayerDragShowsTheLayerWhereThePointerPutsIt)
{
    Layer moving = test::solidLayer(QStringLiteral("Moving"), 40, 30, {20, 20}, {0, 0, 200, 200});
    moving.blendMode = LayerBlendMode::multiply;
    moving.opacity = 0.5;
    ShownCanvas canvas({300, 200}, {test::bitmapLayer(test::opaqueRandomBitmap(300, 200, 3)), moving});
    test::DocumentSpy spy(*canvas.document);
    const QRect whole(0, 0, 300, 200);
    auto composite = [&] {
        return renderComposite(canvas.document->state())->image().convertToFormat(QImage::Format_RGB32);
    };

    canvas.send(QEvent::MouseButtonPress, {30, 30}, Qt::LeftButton);
    // To (117, 57): no edge within reach of a snap guide.
    for (int step = 1; step <= 4; ++step)
        canvas.send(QEvent::MouseMove, QPointF(30, 30) + QPointF(97, 37) * step / 4, Qt::LeftButton);
    EXPECT_EQ(canvas.document->state().layers[1].origin, QPointF(117, 57));
    EXPECT_EQ(spy.newEntries(), 0);
    // While the button is held the moved layer is drawn from the drag's images with its blend
    // mode and opacity, over the layers that stay put.
    const QImage during = composite();
    const QRect moved(117, 57, 40, 30);
    EXPECT_TRUE(waitUntil(
        [&] { return largestDifference(canvasPart(canvas, canvas.screen(), whole), during, moved) <= 1; }));

    canvas.send(QEvent::MouseButtonRelease, {127, 67}, Qt::NoButton);
    EXPECT_EQ(canvas.document->state().layers[1].origin, QPointF(117, 57));
    EXPECT_EQ(spy.recordedNames(), QStringList{"Move Layer"});
    canvas.waitForComposite();
    EXPECT_TRUE(waitUntil(
        [&] { return largestDifference(canvasPart(canvas, canvas.screen(), whole), composite(), moved) == 0; }));
}

TEST(CanvasDisplay, SelectionChangesLeaveNoStaleOutline)
{
    // An ellipse replaced by Select All or removed by Deselect, also while inverted: what the
    // window shows must match a fresh rendering of the canvas, away from the ants that stay.
    enum class Change { selectAll, deselect, deselectInverted };
    for (const double magnification : {1.0, 2.5, 0.4}) {
        for (const Change change : {Change::selectAll, Change::deselect, Change::deselectInverted}) {
            const QString label = QStringLiteral("magnification %1, change %2").arg(magnification).arg(int(change));
            ShownCanvas canvas({200, 150},
                               {test::solidLayer(QStringLiteral("Layer"), 200, 150, {0, 0}, {40, 120, 200, 255})},
                               magnification);
            canvas.document->setSelectionShape(SelectionShape::ellipse);
            canvas.document->setSelectionInverted(change == Change::deselectInverted);
            canvas.document->setSelectionRect(QRectF(20, 20, 160, 110));
            const QRgb layer = qRgb(40, 120, 200);
            auto outlinePixels = [&](const QImage& part) {
                int count = 0;
                for (int y = 0; y < part.height(); ++y)
                    for (int x = 0; x < part.width(); ++x)
                        count += part.pixel(x, y) != layer;
                return count;
            };
            const QRect inside(4, 4, 192, 142);
            ASSERT_TRUE(waitUntil([&] { return outlinePixels(canvasPart(canvas, canvas.shown(), inside)) > 100; }))
                << label.toStdString();

            if (change == Change::selectAll)
                selectAll(*canvas.document);
            else
                deselect(*canvas.document);
            // With no selection left the canvas's border is compared too.
            const QRect compared = change == Change::selectAll ? inside : QRect(-3, -3, 206, 156);
            EXPECT_TRUE(waitUntil([&] {
                return canvasPart(canvas, canvas.shown(), compared) == canvasPart(canvas, canvas.screen(), compared);
            })) << label.toStdString();
            EXPECT_EQ(outlinePixels(canvasPart(canvas, canvas.shown(), inside)), 0) << label.toStdString();
        }
    }
}

// Sends a wheel turn of `notches` (positive away from the user) at a viewport point.
void turnWheel(ShownCanvas& canvas, QPointF position, double notches, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent wheel(position, canvas.surface()->mapToGlobal(position), QPoint(), QPoint(0, int(120 * notches)),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(canvas.surface(), &wheel);
}

void pinch(ShownCanvas& canvas, QPointF position, double value)
{
    QNativeGestureEvent gesture(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, position,
                                position, canvas.surface()->mapToGlobal(position), value, QPointF());
    QCoreApplication::sendEvent(canvas.surface(), &gesture);
}

TEST(CanvasDisplay, WheelAndPinchZoomAboutThePointerWithinTheLimits)
{
    ShownCanvas canvas({2000, 1500}, {test::solidLayer(QStringLiteral("Layer"), 2000, 1500, {0, 0})});
    const QPointF pointer(100, 100);
    const QPointF under = canvas.view->canvasPoint(pointer);

    // Without Ctrl the wheel scrolls.
    turnWheel(canvas, pointer, -1, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 1);
    EXPECT_GT(canvas.view->canvasPoint(pointer).y(), under.y());
    turnWheel(canvas, pointer, 1, Qt::NoModifier);
    const QPointF held = canvas.view->canvasPoint(pointer);

    turnWheel(canvas, pointer, 1, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 1.5);
    // The canvas point under the pointer stays there, up to the whole-point scroll.
    EXPECT_NEAR(canvas.view->canvasPoint(pointer).x(), held.x(), 1);
    EXPECT_NEAR(canvas.view->canvasPoint(pointer).y(), held.y(), 1);
    turnWheel(canvas, pointer, -2, Qt::ControlModifier);
    EXPECT_NEAR(canvas.view->magnification(), 1.5 / 2.25, 1e-9);
    EXPECT_NEAR(canvas.view->canvasPoint(pointer).x(), held.x(), 2);

    canvas.view->zoomActualSize();
    const QPointF pinched(300, 200);
    const QPointF pinchedAt = canvas.view->canvasPoint(pinched);
    pinch(canvas, pinched, 0.5);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 1.5);
    EXPECT_NEAR(canvas.view->canvasPoint(pinched).x(), pinchedAt.x(), 1);
    EXPECT_NEAR(canvas.view->canvasPoint(pinched).y(), pinchedAt.y(), 1);
    pinch(canvas, pinched, -0.5);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 0.75);

    for (int i = 0; i < 20; ++i)
        pinch(canvas, pinched, 1);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 32);
    for (int i = 0; i < 20; ++i)
        turnWheel(canvas, pinched, -3, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 0.05);
}

struct ReadoutRecorder : CanvasInteractionDelegate {
    QStringList texts;  // every readout handed over, "" for none
    void canvasPixelReadoutChanged(const std::optional<PixelReadout>& readout) override
    {
        texts.append(readout ? pixelReadoutText(*readout) : QString());
    }
};

TEST(CanvasDisplay, PixelReadoutNamesThePixelUnderThePointer)
{
    // Half-transparent red reads as red; a transparent pixel as a dash; off the canvas as nothing.
    ShownCanvas canvas({64, 64}, {test::solidLayer(QStringLiteral("Layer"), 32, 64, {0, 0}, {128, 0, 0, 128}),
                                  test::solidLayer(QStringLiteral("Top"), 4, 4, {12, 20}, {0, 51, 102, 255})},
                       4);
    ReadoutRecorder recorder;
    canvas.view->setInteractionDelegate(&recorder);
    canvas.send(QEvent::MouseMove, {13.5, 22.75}, Qt::NoButton);
    canvas.send(QEvent::MouseMove, {13.25, 22.5}, Qt::NoButton);  // the same pixel: no new readout
    canvas.send(QEvent::MouseMove, {3.5, 40.5}, Qt::NoButton);
    canvas.send(QEvent::MouseMove, {40.5, 40.5}, Qt::NoButton);
    canvas.send(QEvent::MouseMove, {-0.25, 40.5}, Qt::NoButton);
    canvas.send(QEvent::MouseMove, {0.25, 40.5}, Qt::NoButton);
    EXPECT_EQ(recorder.texts, (QStringList{"13, 22  #003366", "3, 40  #FF0000", QString::fromUtf8("40, 40  —"), "",
                                           "0, 40  #FF0000"}));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(canvas.surface(), &leave);
    EXPECT_EQ(recorder.texts.last(), "");
    canvas.view->setInteractionDelegate(nullptr);
}

}  // namespace
}  // namespace velmaris
