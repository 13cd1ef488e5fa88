#include "canvas/tools/FillTool.h"
#include "canvas/tools/GradientTool.h"
#include "platform/CurrentColorStore.h"
#include "ShownCanvas.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <numbers>

namespace velmaris {
namespace {

using test::ShownCanvas;

const test::Rgba kGreenPixels{0, 255, 0, 255};

// 30 × 20: red, a blue band over columns 10 … 14, red again.
Layer bandedLayer()
{
    auto pixels = BitmapBuilder::create(30, 20);
    pixels->fill(255, 0, 0, 255);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 15; ++x)
            std::copy(test::kBlue.begin(), test::kBlue.end(), pixels->row(y) + 4 * x);
    return test::bitmapLayer(std::move(*pixels).build(), {}, QStringLiteral("Banded"));
}

const Bitmap& pixelsOf(const ShownCanvas& canvas)
{
    return *canvas.document->state().layers.last().bitmap();
}

void click(ShownCanvas& canvas, QPointF point)
{
    canvas.send(QEvent::MouseButtonPress, point, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, point, Qt::NoButton);
}

FillTool& fillTool(ShownCanvas& canvas)
{
    return static_cast<FillTool&>(canvas.view->toolObject(EditorTool::fill));
}

TEST(FillTool, ClickFillsOneRegionOrEveryMatchWithinTheSelectionOneStepEach)
{
    ShownCanvas canvas({30, 20}, {bandedLayer()}, 8);
    CurrentColorStore::shared().setColor(StoredColor{0, 1, 0, 1});
    canvas.view->setTool(EditorTool::fill);
    fillTool(canvas).setSettings({{0, true, false}, FillSampling::layer});
    const Bitmap before = pixelsOf(canvas);
    const qsizetype steps = canvas.document->history().entries().size();

    click(canvas, {3.5, 5.5});
    EXPECT_EQ(canvas.document->history().entries().size(), steps + 1);
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Fill"));
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(test::pixelAt(pixelsOf(canvas), x, 12), x < 10 ? kGreenPixels : test::pixelAt(before, x, 12)) << x;
    canvas.document->undoHistory();
    EXPECT_TRUE(pixelsOf(canvas).sharesPixelsWith(before));

    // Global: both red parts, but only inside the selection.
    fillTool(canvas).setSettings({{0, false, false}, FillSampling::layer});
    canvas.document->setSelectionRect(QRectF(0, 0, 30, 10));
    click(canvas, {3.5, 5.5});
    EXPECT_EQ(test::pixelAt(pixelsOf(canvas), 25, 9), kGreenPixels);
    EXPECT_EQ(test::pixelAt(pixelsOf(canvas), 12, 9), test::kBlue);
    EXPECT_EQ(test::pixelAt(pixelsOf(canvas), 25, 10), test::kRed);
    EXPECT_EQ(canvas.document->history().entries().size(), steps + 1);  // the undone step was replaced
}

TEST(FillTool, AllLayersFindsTheRegionInTheCompositeAndPaintsTheEmptyLayerAbove)
{
    Layer empty = test::solidLayer(QStringLiteral("Empty"), 30, 20, {}, test::kClear);
    ShownCanvas canvas({30, 20}, {bandedLayer(), empty}, 8);
    CurrentColorStore::shared().setColor(StoredColor{0, 1, 0, 1});
    canvas.view->setTool(EditorTool::fill);
    fillTool(canvas).setSettings({{0, true, false}, FillSampling::composite});
    click(canvas, {12.5, 5.5});
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(test::pixelAt(pixelsOf(canvas), x, 7), x >= 10 && x < 15 ? kGreenPixels : test::kClear) << x;
    EXPECT_EQ(test::pixelAt(*canvas.document->state().layers.first().bitmap(), 12, 7), test::kBlue);
}

TEST(FillTool, TextLayersAreOfferedRasterizingAndLockedOnesRefused)
{
    ShownCanvas canvas({60, 40}, {bandedLayer(), test::textLayer(QStringLiteral("Hi"), {2, 2})}, 2);
    canvas.view->setTool(EditorTool::fill);
    const qsizetype steps = canvas.document->history().entries().size();
    click(canvas, {5.5, 5.5});
    auto* question = canvas.view->findChild<QMessageBox*>(QStringLiteral("PaintRefusal"));
    ASSERT_TRUE(question);
    EXPECT_TRUE(question->text().contains(QStringLiteral("text layer")));
    click(canvas, {6.5, 5.5});  // a second click while it is up asks nothing more
    EXPECT_EQ(canvas.view->findChildren<QMessageBox*>().size(), 1);
    EXPECT_EQ(canvas.document->history().entries().size(), steps);
    question->button(QMessageBox::Cancel)->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(canvas.document->state().layers.last().isText());

    click(canvas, {5.5, 5.5});
    question = canvas.view->findChild<QMessageBox*>(QStringLiteral("PaintRefusal"));
    ASSERT_TRUE(question);
    static_cast<QPushButton*>(question->buttons().first())->click();  // Rasterize
    QCoreApplication::processEvents();
    EXPECT_FALSE(canvas.document->state().layers.last().isText());
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Rasterize Layer"));
    click(canvas, {50.5, 30.5});
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Fill"));

    CanvasState state = canvas.document->state();
    state.layers.last().isLocked = true;
    canvas.document->commitState(state, QStringLiteral("Lock"));
    click(canvas, {50.5, 30.5});
    question = canvas.view->findChild<QMessageBox*>(QStringLiteral("PaintRefusal"));
    ASSERT_TRUE(question);
    EXPECT_TRUE(question->text().contains(QStringLiteral("locked")));
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Lock"));
    question->close();
}

TEST(GradientTool, DragPaintsFromTheCurrentColourToTransparentOrTheBackgroundWithAGuideLine)
{
    ShownCanvas canvas({40, 20}, {test::solidLayer(QStringLiteral("Clear"), 40, 20, {}, test::kClear)}, 4);
    CurrentColorStore& colors = CurrentColorStore::shared();
    colors.setColor(StoredColor{1, 0, 0, 1});
    colors.setBackgroundColor(StoredColor{0, 0, 1, 1});
    canvas.view->setTool(EditorTool::gradient);
    auto& tool = static_cast<GradientTool&>(canvas.view->toolObject(EditorTool::gradient));
    tool.setSettings({GradientShape::linear, false});
    const Bitmap before = pixelsOf(canvas);
    const qsizetype steps = canvas.document->history().entries().size();

    // While dragging only the guide line shows; the layer is untouched.
    canvas.send(QEvent::MouseButtonPress, {5, 10}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {20, 10}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {35, 10}, Qt::LeftButton);
    EXPECT_TRUE(pixelsOf(canvas).sharesPixelsWith(before));
    // A light line with a dark border, which the checkerboard never is.
    const QImage screen = canvas.screen();
    EXPECT_GT(qGray(screen.pixel(canvas.at({20, 10}))), 180);
    EXPECT_LT(qGray(screen.pixel(canvas.at({20, 10}) + QPoint(0, 1))), 120);
    canvas.send(QEvent::MouseButtonRelease, {35, 10}, Qt::NoButton);
    EXPECT_EQ(canvas.document->history().entries().size(), steps + 1);
    EXPECT_EQ(canvas.document->history().entries().last().name, QStringLiteral("Gradient"));
    EXPECT_EQ(test::pixelAt(pixelsOf(canvas), 1, 3), test::kRed);
    EXPECT_EQ(test::pixelAt(pixelsOf(canvas), 38, 17), test::kClear);
    EXPECT_NEAR(test::pixelAt(pixelsOf(canvas), 19, 0)[3], 128, 5);
    canvas.document->undoHistory();
    EXPECT_TRUE(pixelsOf(canvas).sharesPixelsWith(before));

    // To the background colour; Escape in the middle of a drag paints nothing.
    tool.setSettings({GradientShape::radial, true});
    canvas.drag({20, 10}, {30, 10});
    EXPECT_EQ(test::pixelAt(pixelsOf(canvas), 0, 0), test::kBlue);
    EXPECT_LE(test::channelDistance(test::pixelAt(pixelsOf(canvas), 20, 10), test::kRed), 20);
    const qsizetype painted = canvas.document->history().entries().size();
    canvas.send(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {25, 15}, Qt::LeftButton);
    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    canvas.send(QEvent::MouseButtonRelease, {25, 15}, Qt::NoButton);
    EXPECT_EQ(canvas.document->history().entries().size(), painted);
}

TEST(GradientTool, ShiftKeepsTheLineAtFifteenDegreeSteps)
{
    const QPointF snapped = snappedGradientEnd({10, 10}, {30, 14});  // 11.3° off the horizontal
    EXPECT_NEAR(snapped.x(), 10 + std::hypot(20, 4) * std::cos(std::numbers::pi / 12), 1e-9);
    EXPECT_NEAR(snapped.y(), 10 + std::hypot(20, 4) * std::sin(std::numbers::pi / 12), 1e-9);
    EXPECT_NEAR(snappedGradientEnd({0, 0}, {-3, 40}).x(), 0, 1e-9);  // nearly straight down

    ShownCanvas canvas({40, 40}, {test::solidLayer(QStringLiteral("Clear"), 40, 40, {}, test::kClear)}, 4);
    CurrentColorStore::shared().setColor(StoredColor{0, 0, 0, 1});
    canvas.view->setTool(EditorTool::gradient);
    canvas.drag({5, 5}, {35, 16}, Qt::ShiftModifier);
    const Bitmap shifted = pixelsOf(canvas);
    canvas.document->undoHistory();
    // The same gradient drawn straight to the snapped end, from where the view put the pointer.
    const QPointF start = canvas.view->canvasPoint(canvas.at({5, 5}));
    const QPointF end = snappedGradientEnd(start, canvas.view->canvasPoint(canvas.at({35, 16})));
    canvas.drag(start, end);
    EXPECT_LE(test::bitmapDistance(shifted, pixelsOf(canvas)), 1);
    canvas.document->undoHistory();
    canvas.drag({5, 5}, {35, 16});
    EXPECT_GT(test::bitmapDistance(shifted, pixelsOf(canvas)), 5);
}

}  // namespace
}  // namespace velmaris
