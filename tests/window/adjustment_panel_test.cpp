#include "window/AdjustmentPanel.h"
#include "window/FocusableSlider.h"

#include "document/TestDocuments.h"
#include "document/LayerStyleOperations.h"
#include "QtWait.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::bitmapLayer;
using test::documentWith;
using test::DocumentSpy;
using test::opaqueRandomBitmap;
using test::samePixels;
using test::waitUntil;

// A shown document window with a photo-like layer and the panel of `filter` open over it, as the
// window opens it: placed, shown, previewing its defaults.
struct OpenPanel {
    std::unique_ptr<ImageDocument> document = documentWith({bitmapLayer(opaqueRandomBitmap(40, 30, 7))}, {40, 30});
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QPointer<AdjustmentPanel> panel;
    std::unique_ptr<QSignalSpy> closed;

    explicit OpenPanel(const char* filter)
    {
        QCursor::setPos(0, 0);  // away from the panel, whatever an earlier test left
        window->setGeometry(100, 100, 800, 600);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        panel = new AdjustmentPanel(document.get(), *findFilter(QString::fromLatin1(filter)), window.get());
        closed = std::make_unique<QSignalSpy>(panel.data(), &AdjustmentPanel::closed);
        panel->placeAtTopRightOf(window.get());
        panel->show();
        panel->updatePreview();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.data()));
    }
    const Bitmap& layerPixels() const { return *document->state().layers[0].bitmap(); }
    void typeIntoField(const QString& key, const QString& text)
    {
        panel->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel.data()));
        QLineEdit* field = panel->valueField(key);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Tab);  // leaving the field ends the edit
    }
    // Closes the panel by `how` and waits until it is gone.
    void closeBy(const std::function<void()>& how)
    {
        how();
        EXPECT_TRUE(waitUntil([&] { return panel.isNull(); }));
        EXPECT_EQ(closed->count(), 1);
    }
};

double radiusOf(const ImageDocument& document)
{
    return document.filterPreview()->instance.values.value(QStringLiteral("inputRadius"));
}

TEST(AdjustmentPanel, GaussianBlurOpensWithOneRowAndPreviewsAtOnce)
{
    OpenPanel open("gaussianBlur");
    AdjustmentPanel* panel = open.panel;
    EXPECT_EQ(panel->windowTitle(), "Gaussian Blur");
    EXPECT_TRUE(panel->windowFlags() & Qt::Tool);
    EXPECT_EQ(panel->size(), QSize(380, 120));
    const QRect window = open.window->frameGeometry();
    EXPECT_EQ(panel->frameGeometry().topLeft(), QPoint(window.left() + window.width() - 380 - 40, window.top() + 80));

    QStringList labels;
    for (const QLabel* label : panel->findChildren<QLabel*>())
        labels.append(label->text());
    EXPECT_EQ(labels, QStringList{"Radius"});
    const QList<FocusableSlider*> sliders = panel->findChildren<FocusableSlider*>();
    ASSERT_EQ(sliders.size(), 1);
    FocusableSlider* slider = sliders[0];
    EXPECT_EQ(slider->minimumValue(), 0);
    EXPECT_EQ(slider->maximumValue(), 100);
    EXPECT_EQ(slider->doubleValue(), 10);
    EXPECT_EQ(slider->keyboardStep(), 1);
    EXPECT_EQ(slider->coarseKeyboardStep(), 5);
    EXPECT_EQ(slider->toolTip(), "Left/Right arrows adjust; Up/Down for larger steps");
    EXPECT_EQ(panel->valueField(QStringLiteral("inputRadius"))->text(), "10");
    EXPECT_EQ(panel->okButton()->text(), "OK");
    EXPECT_TRUE(panel->okButton()->isDefault());
    EXPECT_EQ(panel->cancelButton()->text(), "Cancel");

    // The defaults are on the canvas before anything moved, and the layer itself is untouched.
    ASSERT_TRUE(open.document->filterPreview());
    EXPECT_EQ(open.document->filterPreview()->layerID, open.document->state().layers[0].id);
    EXPECT_EQ(radiusOf(*open.document), 10);
    const std::optional<Bitmap> previewed = open.document->renderLiveComposite();
    const std::optional<Bitmap> plain = renderComposite(open.document->state());
    ASSERT_TRUE(previewed && plain);
    EXPECT_FALSE(samePixels(*previewed, *plain));
    EXPECT_EQ(open.document->history().entries().size(), 1);
}

TEST(AdjustmentPanel, ValueFieldClampsFormatsAndIgnoresLetters)
{
    OpenPanel open("gaussianBlur");
    const QString radius = QStringLiteral("inputRadius");
    QLineEdit* field = open.panel->valueField(radius);
    FocusableSlider* slider = open.panel->slider(radius);

    open.typeIntoField(radius, "250");
    EXPECT_EQ(field->text(), "100");
    EXPECT_EQ(slider->doubleValue(), 100);
    EXPECT_EQ(radiusOf(*open.document), 100);

    open.typeIntoField(radius, " 0.5 ");
    EXPECT_EQ(field->text(), "0.50");
    EXPECT_EQ(slider->doubleValue(), 0.5);
    EXPECT_EQ(radiusOf(*open.document), 0.5);

    for (const char* text : {"abc", "1,5", "", "nan"}) {
        QSignalSpy previews(open.document.get(), &ImageDocument::previewDidChange);
        open.typeIntoField(radius, QString::fromLatin1(text));
        EXPECT_EQ(previews.count(), 0) << text;
        EXPECT_EQ(slider->doubleValue(), 0.5) << text;
        EXPECT_EQ(open.panel->values().value(radius), 0.5) << text;
    }
    open.typeIntoField(radius, "-3");
    EXPECT_EQ(field->text(), "0.00");
}

TEST(AdjustmentPanel, ArrowKeysStepTheSliderUnderThePointerElseTheLastAdjustedElseTheFirst)
{
    OpenPanel open("motionBlur");  // Radius 0 … 200 at 20, Direction 0 … 360 at 0
    const QString radiusKey = QStringLiteral("radius"), directionKey = QStringLiteral("direction");
    FocusableSlider* radius = open.panel->slider(radiusKey);
    FocusableSlider* direction = open.panel->slider(directionKey);
    ASSERT_TRUE(radius && direction);

    QTest::keyClick(open.panel, Qt::Key_Right);  // nothing adjusted yet: the first slider
    EXPECT_EQ(radius->doubleValue(), 22);
    QTest::keyClick(open.panel, Qt::Key_Up);
    EXPECT_EQ(radius->doubleValue(), 32);
    EXPECT_EQ(open.panel->valueField(radiusKey)->text(), "32");
    EXPECT_EQ(open.document->filterPreview()->instance.values.value(radiusKey), 32);

    QTest::keyClick(direction, Qt::Key_Left);  // a focused slider steps itself, clamped at 0
    EXPECT_EQ(direction->doubleValue(), 0);
    QTest::keyClick(direction, Qt::Key_Up);
    EXPECT_EQ(direction->doubleValue(), 18);
    QTest::keyClick(open.panel, Qt::Key_Down);  // the last adjusted one
    EXPECT_EQ(direction->doubleValue(), 0);
    EXPECT_EQ(radius->doubleValue(), 32);

    QCursor::setPos(radius->mapToGlobal(radius->rect().center()));
    ASSERT_EQ(QApplication::widgetAt(QCursor::pos()), radius);
    QTest::keyClick(open.panel, Qt::Key_Left);  // the one under the pointer
    EXPECT_EQ(radius->doubleValue(), 30);
    EXPECT_EQ(direction->doubleValue(), 0);

    open.typeIntoField(radiusKey, "199");
    QTest::keyClick(radius, Qt::Key_Up);
    EXPECT_EQ(radius->doubleValue(), 200);
    EXPECT_EQ(open.panel->valueField(radiusKey)->text(), "200");
    QTest::keyClick(radius, Qt::Key_Right);
    EXPECT_EQ(radius->doubleValue(), 200);
}

// The pointer moving over `widget` with no button down.
void hover(QWidget* widget)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QMouseEvent move(QEvent::MouseMove, centre, widget->mapToGlobal(centre), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

TEST(AdjustmentPanel, HoverFocusesASliderUnlessSomeoneIsTyping)
{
    OpenPanel open("motionBlur");
    FocusableSlider* radius = open.panel->slider(QStringLiteral("radius"));
    FocusableSlider* direction = open.panel->slider(QStringLiteral("direction"));
    QLineEdit* field = open.panel->valueField(QStringLiteral("radius"));
    open.panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(open.panel.data()));
    field->setFocus();
    hover(direction);
    EXPECT_TRUE(field->hasFocus());

    open.panel->okButton()->setFocus();
    hover(radius);
    EXPECT_TRUE(waitUntil([&] { return radius->hasFocus(); }));
    radius->setFocusesOnHover(false);
    direction->setFocusesOnHover(false);
    hover(direction);
    EXPECT_TRUE(radius->hasFocus());
}

TEST(AdjustmentPanel, OkAppliesTheValuesAsOneStep)
{
    OpenPanel open("gaussianBlur");
    const Bitmap before = open.layerPixels();
    open.typeIntoField(QStringLiteral("inputRadius"), "3");
    DocumentSpy spy(*open.document);
    QSignalSpy previews(open.document.get(), &ImageDocument::previewDidChange);
    open.closeBy([&] { QTest::mouseClick(open.panel->okButton(), Qt::LeftButton); });
    EXPECT_TRUE(spy.recordedOnly("Gaussian Blur"));
    EXPECT_FALSE(open.document->filterPreview());
    EXPECT_GE(previews.count(), 1);
    EXPECT_FALSE(samePixels(open.layerPixels(), before));

    // Return is the default button; a field's edit is taken before it applies.
    OpenPanel again("gaussianBlur");
    QLineEdit* field = again.panel->valueField(QStringLiteral("inputRadius"));
    again.panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(again.panel.data()));
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "0");
    DocumentSpy secondSpy(*again.document);
    const Bitmap unblurred = again.layerPixels();
    again.closeBy([&] { QTest::keyClick(field, Qt::Key_Return); });
    EXPECT_TRUE(secondSpy.recordedOnly("Gaussian Blur"));
    EXPECT_TRUE(samePixels(again.layerPixels(), unblurred));  // a radius of 0 blurs nothing
}

TEST(AdjustmentPanel, CancelEscapeAndTheCloseButtonLeaveTheLayerAndHistory)
{
    const std::function<void(OpenPanel&)> paths[] = {
        [](OpenPanel& open) { QTest::mouseClick(open.panel->cancelButton(), Qt::LeftButton); },
        [](OpenPanel& open) { QTest::keyClick(open.panel, Qt::Key_Escape); },
        [](OpenPanel& open) { open.panel->close(); },
        [](OpenPanel& open) { open.window.reset(); },  // the document window goes with it
    };
    for (const auto& path : paths) {
        OpenPanel open("gaussianBlur");
        const Bitmap before = open.layerPixels();
        QTest::keyClick(open.panel, Qt::Key_Up);
        ASSERT_TRUE(open.document->filterPreview());
        DocumentSpy spy(*open.document);
        open.closeBy([&] { path(open); });
        EXPECT_TRUE(spy.silent());
        EXPECT_FALSE(open.document->filterPreview());
        EXPECT_TRUE(samePixels(open.layerPixels(), before));
        EXPECT_EQ(open.document->history().entries().size(), 1);
    }
}

TEST(AdjustmentPanel, UndoDropsThePreviewAndTheNextMovePreviewsAgain)
{
    OpenPanel open("gaussianBlur");
    renameLayer(*open.document, open.document->state().layers[0].id, QStringLiteral("Renamed"));
    open.panel->updatePreview();
    ASSERT_TRUE(open.document->filterPreview());
    open.document->undoHistory();
    EXPECT_FALSE(open.document->filterPreview());
    EXPECT_TRUE(open.panel->isVisible());
    QTest::keyClick(open.panel, Qt::Key_Right);
    ASSERT_TRUE(open.document->filterPreview());
    EXPECT_EQ(radiusOf(*open.document), 11);

    // Without its document the panel does nothing, and still closes cleanly.
    open.document.reset();
    QTest::keyClick(open.panel, Qt::Key_Right);
    open.closeBy([&] { QTest::mouseClick(open.panel->okButton(), Qt::LeftButton); });
}

TEST(AdjustmentPanel, ValuesAreFormattedAndParsedLikeTheFields)
{
    EXPECT_EQ(formatParameterValue(10), "10");
    EXPECT_EQ(formatParameterValue(-12.6), "-13");
    EXPECT_EQ(formatParameterValue(9.999), "10.00");
    EXPECT_EQ(formatParameterValue(-0.5), "-0.50");
    const FilterParameter range{QStringLiteral("k"), QStringLiteral("K"), -1, 1, 0};
    EXPECT_EQ(parseParameterValue(QStringLiteral("\t0.25\n"), range), 0.25);
    EXPECT_EQ(parseParameterValue(QStringLiteral("1e3"), range), 1);
    EXPECT_EQ(parseParameterValue(QStringLiteral("-inf"), range), -1);
    EXPECT_FALSE(parseParameterValue(QStringLiteral("0,5"), range));
    EXPECT_FALSE(parseParameterValue(QStringLiteral("2x"), range));
}

}  // namespace
}  // namespace velmaris
