#include "canvas/CanvasTextEditor.h"
#include "canvas/CanvasView.h"
#include "document/FilterPreview.h"
#include "document/SelectionOperations.h"
#include "document/TestDocuments.h"
#include "document/TextEditingSession.h"
#include "platform/Preferences.h"
#include "QtWait.h"
#include "ShownCanvas.h"
#include "TestImages.h"

#include <QBuffer>
#include <QGraphicsTextItem>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::DocumentSpy;
using test::ShownCanvas;
using test::solidLayer;
using test::waitUntil;

// The bounding box of the pixels on screen where `match` holds.
template <typename Match>
QRect boxOf(const QImage& image, Match match)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y)))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

TEST(CanvasView, DrawsCheckerboardCompositeAndWhiteWhenHidden)
{
    ShownCanvas canvas({64, 64}, {solidLayer(QStringLiteral("Layer"), 16, 16, {0, 0}, {0, 0, 255, 255})}, 4);
    // Checker squares are 8 screen points whatever the zoom: 2 canvas pixels at magnification 4.
    EXPECT_EQ(canvas.screenPixel({20.5, 0.5}), qRgb(204, 204, 204));
    EXPECT_EQ(canvas.screenPixel({22.5, 0.5}), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.screenPixel({20.5, 2.5}), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.screenPixel({8, 8}), qRgb(0, 0, 255));

    Preferences().setValue(PreferenceName::checkerboardHidden, true);
    canvas.view->viewport()->repaint();
    EXPECT_EQ(canvas.screenPixel({20.5, 0.5}), qRgb(255, 255, 255));
    Preferences().setValue(PreferenceName::checkerboardHidden, false);
}

TEST(CanvasView, FitToWindowAveragesFineDetail)
{
    // One-pixel black and white stripes seen at about 1/8 must look grey, not striped.
    std::optional<BitmapBuilder> stripes = BitmapBuilder::create(4000, 3000);
    for (int y = 0; y < 3000; ++y)
        for (int x = 0; x < 4000; ++x) {
            std::uint8_t* pixel = stripes->row(y) + 4 * x;
            pixel[0] = pixel[1] = pixel[2] = (x % 2) ? 255 : 0;
            pixel[3] = 255;
        }
    Layer layer = test::solidLayer(QStringLiteral("Layer"), 1, 1, {0, 0});
    layer.content = std::move(*stripes).build();
    ShownCanvas canvas({4000, 3000}, {layer});
    canvas.view->zoomToFit();
    canvas.waitForComposite();
    const QPoint centre = canvas.at({2000, 1500});
    auto evenlyGrey = [&] {
        const QImage screen = canvas.screen();
        for (int dx = 0; dx < 8; ++dx)
            if (std::abs(qGray(screen.pixel(centre.x() + dx, centre.y())) - 128) > 12)
                return false;
        return true;
    };
    EXPECT_TRUE(waitUntil(evenlyGrey));
}

TEST(CanvasView, SelectionGesturesClipHoldAspectAndNudge)
{
    ShownCanvas canvas({300, 200}, {solidLayer(QStringLiteral("Layer"), 300, 200, {0, 0})});
    canvas.view->setTool(EditorTool::select);
    canvas.drag({10, 10}, {-5, 40});
    EXPECT_EQ(canvas.document->selection().rect, QRectF(0, 10, 10, 30));

    canvas.document->setSelectionRect(std::nullopt);
    canvas.document->setSelectionAspect(QSizeF(16, 9));
    canvas.drag({0, 0}, {100, 10});
    EXPECT_EQ(canvas.document->selection().rect, QRectF(0, 0, 100, 57));
    canvas.document->setSelectionAspect(std::nullopt);

    // Dragging the right handle keeps the top and bottom edges.
    canvas.drag({100, 28.5}, {150, 90});
    EXPECT_EQ(canvas.document->selection().rect, QRectF(0, 0, 150, 57));

    canvas.view->setZoom(0.25);
    QTest::keyClick(canvas.view.get(), Qt::Key_Right);
    EXPECT_EQ(canvas.document->selection().rect, QRectF(4, 0, 150, 57));
    QTest::keyClick(canvas.view.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(canvas.document->selection().rect, QRectF(44, 0, 150, 57));
    canvas.view->setZoom(2);
    QTest::keyClick(canvas.view.get(), Qt::Key_Down);
    EXPECT_EQ(canvas.document->selection().rect, QRectF(44, 1, 150, 57));
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(canvas.view.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(canvas.document->selection().rect->right(), 300);

    QSignalSpy selections(canvas.document.get(), &ImageDocument::selectionDidChange);
    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    EXPECT_FALSE(canvas.document->selection().rect);
    EXPECT_EQ(selections.count(), 2);
}

TEST(CanvasView, ANewMarqueeStartsUninverted)
{
    ShownCanvas canvas({300, 200}, {solidLayer(QStringLiteral("Layer"), 300, 200, {0, 0})});
    canvas.view->setTool(EditorTool::select);
    canvas.drag({10, 10}, {60, 50});
    invertSelection(*canvas.document);
    // Moving the inverted selection keeps it inverted; a selection drawn beside it starts afresh.
    canvas.drag({30, 30}, {40, 30});
    EXPECT_EQ(canvas.document->selection().rect, QRectF(20, 10, 50, 40));
    EXPECT_TRUE(canvas.document->selection().inverted);
    canvas.drag({150, 100}, {200, 150});
    EXPECT_EQ(canvas.document->selection().rect, QRectF(150, 100, 50, 50));
    EXPECT_FALSE(canvas.document->selection().inverted);

    invertSelection(*canvas.document);
    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    EXPECT_FALSE(canvas.document->selection().rect);
    EXPECT_FALSE(canvas.document->selection().inverted);
}

TEST(CanvasView, LayerDragsSnapRoundAndRecordOneStep)
{
    ShownCanvas canvas({400, 300}, {solidLayer(QStringLiteral("Layer"), 100, 50, {3, 100})});
    DocumentSpy spy(*canvas.document);
    // Back at the press point, the left edge at 3 is within 6 points of the canvas edge and snaps to it.
    canvas.send(QEvent::MouseButtonPress, {50, 120}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {50, 140}, Qt::LeftButton);
    canvas.send(QEvent::MouseMove, {50, 120}, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, {50, 120}, Qt::NoButton);
    EXPECT_EQ(canvas.document->state().layers[0].origin, QPointF(0, 100));
    EXPECT_EQ(spy.lastEntry(), "Move Layer");
    EXPECT_EQ(spy.newEntries(), 1);

    // Ctrl turns snapping off; origins are rounded on release.
    canvas.drag({50, 120}, {52.6, 150}, Qt::ControlModifier);
    EXPECT_EQ(canvas.document->state().layers[0].origin, QPointF(3, 130));

    // A press that moves 3 points or less is a click: nothing moves, nothing is recorded.
    const qsizetype entries = spy.newEntries();
    canvas.drag({60, 140}, {62, 142});
    EXPECT_EQ(canvas.document->state().layers[0].origin, QPointF(3, 130));
    EXPECT_EQ(spy.newEntries(), entries);
}

TEST(CanvasView, MultiLayerDragMovesTheSelectionAndClickSelectsAnother)
{
    ShownCanvas canvas({400, 300}, {solidLayer(QStringLiteral("A"), 40, 40, {0, 0}),
                                    solidLayer(QStringLiteral("B"), 40, 40, {100, 0}),
                                    solidLayer(QStringLiteral("C"), 40, 40, {200, 0})});
    const CanvasState& layers = canvas.document->state();
    const QUuid c = layers.layers[2].id;
    test::selectIndices(*canvas.document, 0, {1});
    DocumentSpy spy(*canvas.document);
    canvas.drag({220, 20}, {220, 60});
    EXPECT_EQ(canvas.document->state().layers[0].origin, QPointF(0, 40));
    EXPECT_EQ(canvas.document->state().layers[1].origin, QPointF(100, 40));
    EXPECT_EQ(canvas.document->state().layers[2].origin, QPointF(200, 0));
    EXPECT_EQ(spy.lastEntry(), "Move Layers");
    canvas.drag({220, 20}, {220, 20});
    EXPECT_EQ(canvas.document->state().selectedLayerID, c);
}

TEST(CanvasView, TextToolEditsInPlaceWhereTheLayerDrawsIt)
{
    for (double magnification : {1.0, 2.0}) {
        Layer text = test::textLayer(QStringLiteral("Wave"), {20, 30}, 40);
        std::get<TextLayerAttributes>(text.content).color = StoredColor{1, 0, 0, 1};
        ShownCanvas canvas({300, 200}, {text}, magnification);
        auto red = [](QRgb pixel) { return qRed(pixel) > 160 && qGreen(pixel) < 90 && qBlue(pixel) < 90; };
        const QRect rasterised = boxOf(canvas.screen(), red);
        ASSERT_FALSE(rasterised.isEmpty());

        canvas.view->setTool(EditorTool::text);
        canvas.send(QEvent::MouseButtonPress, {40, 50}, Qt::LeftButton);
        canvas.send(QEvent::MouseButtonRelease, {40, 50}, Qt::NoButton);
        ASSERT_TRUE(canvas.view->hasTextEditor());
        QGraphicsTextItem* item = canvas.view->textEditor()->item();
        EXPECT_EQ(item->textCursor().selectedText(), "Wave");
        QTextCursor end = item->textCursor();
        end.clearSelection();
        item->setTextCursor(end);
        canvas.waitForComposite();
        const QRect editing = boxOf(canvas.screen(), red);
        const int tolerance = int(magnification);
        EXPECT_NEAR(editing.left(), rasterised.left(), tolerance) << magnification;
        EXPECT_NEAR(editing.top(), rasterised.top(), tolerance) << magnification;
        EXPECT_NEAR(editing.right(), rasterised.right(), tolerance) << magnification;
        EXPECT_NEAR(editing.bottom(), rasterised.bottom(), tolerance) << magnification;
    }
}

TEST(CanvasView, TypingCommitsOneStepAndEscapeRemovesANewLayer)
{
    ShownCanvas canvas({300, 200}, {solidLayer(QStringLiteral("Layer"), 10, 10, {0, 0})});
    DocumentSpy spy(*canvas.document);
    canvas.view->setTool(EditorTool::text);
    canvas.send(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, {100, 100}, Qt::NoButton);
    ASSERT_TRUE(canvas.document->textEditing());
    QTest::keyClicks(canvas.view.get(), QStringLiteral("Hi"));
    ASSERT_TRUE(waitUntil([&] { return canvas.document->textEditing()->attributes.string == "Hi"; }));
    canvas.view->setTool(EditorTool::move);
    EXPECT_FALSE(canvas.document->textEditing());
    EXPECT_FALSE(canvas.view->hasTextEditor());
    EXPECT_EQ(spy.lastEntry(), "Add Text Layer");
    EXPECT_EQ(canvas.document->state().layers.last().text()->string, "Hi");

    // A double click with the move tool opens a text layer once the button is released.
    canvas.send(QEvent::MouseButtonPress, {105, 105}, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, {105, 105}, Qt::NoButton);
    canvas.send(QEvent::MouseButtonDblClick, {105, 105}, Qt::LeftButton);
    EXPECT_FALSE(canvas.document->textEditing());
    canvas.send(QEvent::MouseButtonRelease, {105, 105}, Qt::NoButton);
    ASSERT_TRUE(canvas.document->textEditing());
    EXPECT_EQ(canvas.document->textEditing()->historyName, "Edit Text Layer");
    canvas.view->setTool(EditorTool::text);
    EXPECT_FALSE(canvas.document->textEditing());

    canvas.send(QEvent::MouseButtonPress, {200, 20}, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, {200, 20}, Qt::NoButton);
    ASSERT_TRUE(canvas.document->textEditing());
    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !canvas.document->textEditing(); }));
    EXPECT_EQ(canvas.document->state().layers.size(), 2);
    EXPECT_EQ(spy.newEntries(), 1);
}

TEST(CanvasView, TypingOverASelectionTakesTheStyleOfItsFirstCharacter)
{
    const StoredColor red{1, 0, 0, 1};
    Layer text = test::textLayer(QStringLiteral("ab"), {20, 20}, 24, {TextStyleRun{1, 36, red, {}}});
    ShownCanvas canvas({300, 200}, {text});
    editTextLayer(*canvas.document, canvas.document->state().layers[0].id);
    ASSERT_TRUE(canvas.view->hasTextEditor());
    EXPECT_EQ(canvas.view->textEditor()->item()->textCursor().selectedText(), "ab");

    QTest::keyClicks(canvas.view.get(), QStringLiteral("xy"));
    ASSERT_TRUE(waitUntil([&] { return canvas.document->textEditing()->attributes.string == "xy"; }));
    const TextLayerAttributes& typed = canvas.document->textEditing()->attributes;
    for (int index : {0, 1}) {
        EXPECT_EQ(typed.resolvedStyle(index).fontSize, 36) << index;
        EXPECT_EQ(typed.resolvedStyle(index).color, red) << index;
    }
    // Committed, the layer draws the typed text in red.
    commitTextEditing(*canvas.document);
    ASSERT_EQ(canvas.document->state().layers[0].text()->string, "xy");
    const std::optional<Bitmap> composite = renderComposite(canvas.document->state());
    ASSERT_TRUE(composite);
    int redInk = 0, otherInk = 0;  // the second letter's black would be other ink
    for (int y = 0; y < composite->height(); ++y)
        for (int x = 0; x < composite->width(); ++x)
            if (const test::Rgba pixel = test::pixelAt(*composite, x, y); pixel[3] > 128)
                ++(pixel[0] > pixel[3] / 2 ? redInk : otherInk);
    EXPECT_GT(redInk, 0);
    EXPECT_EQ(otherInk, 0);
}

TEST(CanvasView, TypingPastTheLongestTextIsTakenBack)
{
    const QString full = QStringLiteral("a\n").repeated(kMaxTextLines - 1);
    ShownCanvas canvas({300, 200}, {test::textLayer(full + u'a', {0, 0}, 1)});
    editTextLayer(*canvas.document, canvas.document->state().layers[0].id);
    ASSERT_TRUE(canvas.view->hasTextEditor());
    QTextCursor cursor = canvas.view->textEditor()->item()->textCursor();
    cursor.movePosition(QTextCursor::End);
    canvas.view->textEditor()->item()->setTextCursor(cursor);

    // One more line is refused; the letter typed after it lands on the last line.
    QTest::keyClick(canvas.view.get(), Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return canvas.view->textEditor()->styledContent().string == full + u'a'; }));
    QTest::keyClick(canvas.view.get(), Qt::Key_B);
    ASSERT_TRUE(waitUntil([&] { return canvas.document->textEditing()->attributes.string.endsWith(u'b'); }));
    EXPECT_EQ(canvas.document->textEditing()->attributes.string, full + QStringLiteral("ab"));
    EXPECT_EQ(canvas.view->textEditor()->styledContent().string, full + QStringLiteral("ab"));
}

TEST(CanvasView, TransformHandlesKeysAndEscape)
{
    ShownCanvas canvas({400, 300}, {solidLayer(QStringLiteral("Layer"), 100, 50, {10, 20})});
    const CanvasState before = canvas.document->state();
    beginTransform(*canvas.document);
    // Corner handle 2 from (110, 70) outwards doubles the size about the centre (60, 45).
    canvas.drag({110, 70}, {160, 95});
    EXPECT_DOUBLE_EQ(canvas.document->transform()->scaleX, 2);
    QTest::keyClick(canvas.view.get(), Qt::Key_Escape);
    EXPECT_FALSE(canvas.document->transform());
    EXPECT_EQ(canvas.document->state(), before);

    beginTransform(*canvas.document);
    canvas.drag({60, 45}, {70, 55});
    QTest::keyClick(canvas.view.get(), Qt::Key_Return);
    EXPECT_EQ(canvas.document->state().layers[0].origin, QPointF(20, 30));
    EXPECT_EQ(canvas.document->history().entries().last().name, "Transform Layer");
}

TEST(CanvasView, DroppedFilesBecomeOneLayerEachAtTheDropPoint)
{
    ShownCanvas canvas({300, 200}, {solidLayer(QStringLiteral("Layer"), 10, 10, {0, 0})});
    QTemporaryDir folder;
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(folder.filePath("one.png")));
    ASSERT_TRUE(image.save(folder.filePath("two.png")));
    QFile broken(folder.filePath("broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG not really");
    broken.close();
    // Another format under an image's name is not decoded.
    ASSERT_TRUE(image.save(folder.filePath("pixmap.png"), "XPM"));
    QFile text(folder.filePath("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("hello");
    text.close();

    // Drags reach the canvas through its window, as the windowing system delivers them.
    QWindow* window = canvas.view->window()->windowHandle();
    const QPoint dropPoint = canvas.surface()->mapTo(canvas.view->window(), canvas.at({100, 100}));
    QMimeData refused;
    refused.setUrls({QUrl::fromLocalFile(folder.filePath("notes.txt"))});
    QDragEnterEvent refusedEnter(dropPoint, Qt::CopyAction, &refused, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &refusedEnter);
    EXPECT_FALSE(refusedEnter.isAccepted());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(window, &leave);

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(folder.filePath("one.png")), QUrl::fromLocalFile(folder.filePath("broken.png")),
                   QUrl::fromLocalFile(folder.filePath("pixmap.png")), QUrl::fromLocalFile(folder.filePath("two.png"))});
    QDragEnterEvent enter(dropPoint, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(dropPoint, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    ASSERT_TRUE(waitUntil([&] { return canvas.document->state().layers.size() == 3; }));
    EXPECT_EQ(canvas.document->state().layers[1].name, "one");
    EXPECT_EQ(canvas.document->state().layers[2].name, "two");
    EXPECT_EQ(canvas.document->state().layers[2].box().center(), QPointF(100, 100));
    EXPECT_EQ(canvas.document->history().entries().last().name, "Import Image");
}

TEST(CanvasView, AnotherProgramsDroppedImageDataDecodesOnlyInTheTypesRead)
{
    ShownCanvas canvas({300, 200}, {solidLayer(QStringLiteral("Layer"), 10, 10, {0, 0})});
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray xpm, jpeg;
    QBuffer xpmBuffer(&xpm), jpegBuffer(&jpeg);
    ASSERT_TRUE(image.save(&xpmBuffer, "XPM"));
    ASSERT_TRUE(image.save(&jpegBuffer, "JPEG", 100));
    // The preferred type holds another format: the next one offered is taken.
    QMimeData data;
    data.setData("image/png", xpm);
    data.setData("image/jpeg", jpeg);
    QWindow* window = canvas.view->window()->windowHandle();
    const QPoint dropPoint = canvas.surface()->mapTo(canvas.view->window(), canvas.at({100, 100}));
    QDragEnterEvent enter(dropPoint, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(dropPoint, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    ASSERT_TRUE(waitUntil([&] { return canvas.document->state().layers.size() == 2; }));
    const Layer& dropped = canvas.document->state().layers[1];
    EXPECT_EQ(dropped.name, "Dropped Image");
    ASSERT_TRUE(dropped.bitmap());
    EXPECT_EQ(dropped.bitmap()->size(), QSize(20, 10));
    EXPECT_LE(test::channelDistance(test::pixelAt(*dropped.bitmap(), 5, 5), {0, 0, 255, 255}), 2);
}

}  // namespace
}  // namespace velmaris
