#include "canvas/CanvasView.h"
#include "canvas/tools/ColorPickerTool.h"
#include "document/LayerSelection.h"
#include "document/TestDocuments.h"
#include "platform/CurrentColorStore.h"
#include "platform/ToolCatalogue.h"
#include "ShownCanvas.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::ShownCanvas;
using test::solidLayer;

// Red grows 10 a column and green 10 a row; opaque.
Layer gradientLayer(int width, int height)
{
    std::optional<BitmapBuilder> builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = builder->row(y) + 4 * x;
            pixel[0] = std::uint8_t(10 * x);
            pixel[1] = std::uint8_t(10 * y);
            pixel[2] = 0;
            pixel[3] = 255;
        }
    return test::bitmapLayer(std::move(*builder).build(), {0, 0}, QStringLiteral("Gradient"));
}

// Within a level of 8-bit compositing.
void expectColor(const StoredColor& color, double red, double green, double blue, double alpha)
{
    EXPECT_NEAR(color.red, red, 1.0 / 255);
    EXPECT_NEAR(color.green, green, 1.0 / 255);
    EXPECT_NEAR(color.blue, blue, 1.0 / 255);
    EXPECT_NEAR(color.alpha, alpha, 1.0 / 255);
}

ColorPickerTool& picker(ShownCanvas& canvas)
{
    return static_cast<ColorPickerTool&>(canvas.view->toolObject(EditorTool::colorPicker));
}

TEST(ColorPicker, AveragesPremultipliedPixelsClippedToTheImage)
{
    QImage image(2, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 0, 0, 0));
    // A transparent neighbour thins the colour's coverage but not the colour itself.
    expectColor(*averageColor(image, {0, 0}, 3, image.rect()), 1, 0, 0, 0.5);
    expectColor(*averageColor(image, {0, 0}, 1, image.rect()), 1, 0, 0, 1);
    expectColor(*averageColor(image, {1, 0}, 1, image.rect()), 0, 0, 0, 0);
    EXPECT_FALSE(averageColor(image, {2, 0}, 3, image.rect()));
    EXPECT_FALSE(averageColor(image, {0, -1}, 1, image.rect()));
    // Within a larger area the pixels beyond the image are transparent ones.
    expectColor(*averageColor(image, {0, 0}, 3, QRect(-1, -1, 3, 3)), 1, 0, 0, 1.0 / 9);
    expectColor(*averageColor(image, {2, 1}, 1, QRect(-1, -1, 4, 4)), 0, 0, 0, 0);
}

TEST(ColorPicker, ClickAndDragTakeTheCompositeOrTheLayerAverage)
{
    Layer veil = solidLayer(QStringLiteral("Veil"), 4, 4, {10, 10}, {0, 0, 128, 128});
    ShownCanvas canvas({20, 20}, {gradientLayer(20, 20), veil}, 8);
    CurrentColorStore& store = CurrentColorStore::shared();
    store.setColor(StoredColor{0, 0, 0, 1});
    canvas.view->setTool(EditorTool::colorPicker);
    const CanvasState before = canvas.document->state();
    const qsizetype steps = canvas.document->history().entries().size();

    // Hovering takes nothing; a click takes the pixel.
    canvas.send(QEvent::MouseMove, {5.5, 6.5}, Qt::NoButton);
    expectColor(store.color(), 0, 0, 0, 1);
    canvas.send(QEvent::MouseButtonPress, {5.5, 6.5}, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, {5.5, 6.5}, Qt::NoButton);
    expectColor(store.color(), 50 / 255.0, 60 / 255.0, 0, 1);

    picker(canvas).setSampleSide(3);
    canvas.drag({2.5, 2.5}, {8.5, 4.5});
    expectColor(store.color(), 80 / 255.0, 40 / 255.0, 0, 1);  // the 3 × 3 average where the drag ended
    // Of the colours a drag passes over, only the one it ends on joins the recent colours.
    ASSERT_EQ(store.recentColors().size(), 3);
    EXPECT_EQ(store.recentColors()[0], store.color());
    expectColor(store.recentColors()[1], 50 / 255.0, 60 / 255.0, 0, 1);
    canvas.drag({0.5, 0.5}, {0.5, 0.5});
    expectColor(store.color(), 5 / 255.0, 5 / 255.0, 0, 1);  // the corner's square is clipped to 2 × 2

    // Over the veil: the composite mixes both layers, the layer alone is the veil's own colour.
    picker(canvas).setSampleSide(5);
    canvas.drag({12.5, 12.5}, {12.5, 12.5});
    // Per row of the square: 100…130 under the veil (which lets 127/255 through), 140 beside it.
    const double mixed = (4 * ((100 + 110 + 120 + 130) * 127 / 255.0 + 140) + 5 * 120) / 25 / 255;
    expectColor(store.color(), mixed, mixed, 16 * 128 / 255.0 / 25, 1);
    picker(canvas).setSource(ColorSampleSource::layer);
    canvas.drag({12.5, 12.5}, {12.5, 12.5});
    expectColor(store.color(), 0, 0, 1, 16 * 128 / 255.0 / 25);  // 16 of the 25 pixels are on the layer
    // Off the layer and off the canvas the colour stays.
    canvas.drag({3.5, 3.5}, {3.5, 3.5});
    canvas.send(QEvent::MouseButtonPress, {25, 5}, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, {25, 5}, Qt::NoButton);
    expectColor(store.color(), 0, 0, 1, 16 * 128 / 255.0 / 25);

    // Alt-click with another tool takes one pixel of the composite and moves nothing.
    canvas.view->setTool(EditorTool::move);
    canvas.drag({7.5, 3.5}, {9.5, 5.5}, Qt::AltModifier);
    expectColor(store.color(), 70 / 255.0, 30 / 255.0, 0, 1);
    EXPECT_EQ(canvas.document->state(), before);
    EXPECT_EQ(canvas.document->history().entries().size(), steps);
}

TEST(CanvasTools, SpaceHeldPansWhateverTheToolAndMovesNoLayer)
{
    ShownCanvas canvas({400, 300}, {solidLayer(QStringLiteral("Layer"), 400, 300)}, 4);
    const CanvasState before = canvas.document->state();
    const qsizetype steps = canvas.document->history().entries().size();
    QScrollBar& across = *canvas.view->horizontalScrollBar();
    QScrollBar& down = *canvas.view->verticalScrollBar();
    for (const ToolRow& row : allToolRows()) {
        canvas.view->setTool(row.tool);
        canvas.view->setFocus();
        const int x = across.value(), y = down.value();
        QTest::keyPress(canvas.view.get(), Qt::Key_Space);
        EXPECT_EQ(canvas.surface()->cursor().shape(), Qt::OpenHandCursor) << row.title;
        const QPointF start(300, 200);
        const QPointF end = start + QPointF(-40, -25);  // halfway is half a point: no drift from rounding twice
        auto mouse = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, at, canvas.surface()->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
            QCoreApplication::sendEvent(canvas.surface(), &event);
        };
        mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        EXPECT_EQ(canvas.surface()->cursor().shape(), Qt::ClosedHandCursor) << row.title;
        mouse(QEvent::MouseMove, (start + end) / 2, Qt::LeftButton);
        mouse(QEvent::MouseMove, end, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
        QTest::keyRelease(canvas.view.get(), Qt::Key_Space);
        EXPECT_EQ(across.value(), x + 40) << row.title;
        EXPECT_EQ(down.value(), y + 25) << row.title;
        EXPECT_NE(canvas.surface()->cursor().shape(), Qt::OpenHandCursor) << row.title;
        EXPECT_EQ(canvas.document->state(), before) << row.title;
        EXPECT_FALSE(canvas.document->selection().rect) << row.title;
        EXPECT_FALSE(canvas.view->hasTextEditor()) << row.title;
        across.setValue(across.minimum());
        down.setValue(down.minimum());
    }
    EXPECT_EQ(canvas.document->history().entries().size(), steps);
}

TEST(CanvasTools, EachToolHasItsCursorAndEscapeOrASwitchCancelsAGesture)
{
    ShownCanvas canvas({300, 200}, {solidLayer(QStringLiteral("Layer"), 100, 100, {50, 50}),
                                    test::textLayer(QStringLiteral("Words"), {200, 20})});
    auto cursorAt = [&](EditorTool tool, QPointF point) {
        canvas.view->setTool(tool);
        canvas.send(QEvent::MouseMove, point, Qt::NoButton);
        return canvas.surface()->cursor().shape();
    };
    EXPECT_EQ(cursorAt(EditorTool::move, {10, 10}), Qt::ArrowCursor);
    EXPECT_EQ(cursorAt(EditorTool::select, {10, 10}), Qt::CrossCursor);
    EXPECT_EQ(cursorAt(EditorTool::text, {10, 10}), Qt::CrossCursor);
    EXPECT_EQ(cursorAt(EditorTool::text, {210, 30}), Qt::IBeamCursor);
    EXPECT_EQ(cursorAt(EditorTool::colorPicker, {10, 10}), Qt::BitmapCursor);

    // Escape in the middle of a layer drag puts the layer back and records nothing.
    selectLayer(*canvas.document, canvas.document->state().layers.first().id);
    const CanvasState before = canvas.document->state();
    const qsizetype steps = canvas.document->history().entries().size();
    canvas.view->setTool(EditorTool::move);
    canvas.send(QEvent::MouseButtonPress, {60, 60}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {80, 70}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {90, 75}, Qt::LeftButton);
    ASSERT_EQ(canvas.document->state().layers.first().origin, QPointF(80, 65));
    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    canvas.send(QEvent::MouseMove, {100, 80}, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, {100, 80}, Qt::NoButton);
    EXPECT_EQ(canvas.document->state(), before);
    EXPECT_EQ(canvas.document->history().entries().size(), steps);

    // Switching tools in the middle of a marquee drag leaves the selection as it was.
    canvas.view->setTool(EditorTool::select);
    canvas.drag({10, 10}, {40, 30});
    const std::optional<QRectF> selection = canvas.document->selection().rect;
    ASSERT_EQ(selection, QRectF(10, 10, 30, 20));
    canvas.send(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {150, 150}, Qt::LeftButton);
    canvas.view->setTool(EditorTool::move);
    canvas.send(QEvent::MouseButtonRelease, {150, 150}, Qt::NoButton);
    EXPECT_EQ(canvas.document->selection().rect, selection);
    EXPECT_EQ(canvas.document->state(), before);

    // The keypad's plus and minus zoom.
    QTest::keyClick(canvas.view.get(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 1.5);
    QTest::keyClick(canvas.view.get(), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_DOUBLE_EQ(canvas.view->magnification(), 1);
}

}  // namespace
}  // namespace velmaris
