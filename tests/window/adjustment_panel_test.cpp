#include "window/AdjustmentPanel.h"
#include "window/DocumentWindow.h"
#include "window/FocusableSlider.h"
#include "window/Sidebar.h"

#include "document/TestDocuments.h"
#include "document/LayerStyleOperations.h"
#include "platform/Preferences.h"
#include "QtWait.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

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
        window->setGeometry(50, 50, 700, 500);
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
    // At the top right of the area it was placed over (placed before its frame was known).
    const QRect area = open.window->geometry();
    const QPoint offset = panel->frameGeometry().topRight() - (area.topRight() + QPoint(-16, 16));
    EXPECT_LE(offset.manhattanLength(), 8) << offset.x() << ", " << offset.y();

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

TEST(AdjustmentPanel, OpensBesideTheSidebarWithReturnAndEscapeItsOwn)
{
    for (const bool sidebarOnLeft : {false, true}) {
        SCOPED_TRACE(sidebarOnLeft ? "sidebar on the left" : "sidebar on the right");
        Preferences().setValue(QString::fromLatin1(PreferenceName::sidebarOnLeft), sidebarOnLeft);
        auto document = documentWith({bitmapLayer(opaqueRandomBitmap(40, 30, 7))}, {40, 30});
        auto* window = new DocumentWindow(document.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        document->setSelectionRect(QRectF(2, 2, 20, 20));
        const auto open = [&] {
            window->openFilter(QStringLiteral("gaussianBlur"));
            QPointer<AdjustmentPanel> panel = window->adjustmentPanel();
            EXPECT_TRUE(panel);
            EXPECT_TRUE(waitUntil([&] {
                const QWidget* focus = QApplication::focusWidget();
                return panel && focus && focus->window() == panel;
            }));
            return panel;
        };

        QPointer<AdjustmentPanel> panel = open();
        ASSERT_TRUE(panel);
        const QRect sidebar(window->sidebar()->mapToGlobal(QPoint(0, 0)), window->sidebar()->size());
        EXPECT_FALSE(panel->frameGeometry().intersects(sidebar));
        EXPECT_TRUE(panel->screen()->availableGeometry().contains(panel->frameGeometry()));

        // Escape cancels the panel; the selection, which Escape on the canvas drops, stays.
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
        EXPECT_TRUE(waitUntil([&] { return panel.isNull(); }));
        EXPECT_TRUE(document->selection().rect);
        EXPECT_FALSE(document->filterPreview());

        panel = open();
        ASSERT_TRUE(panel);
        DocumentSpy spy(*document);
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Return);
        EXPECT_TRUE(waitUntil([&] { return panel.isNull(); }));
        EXPECT_TRUE(spy.recordedOnly("Gaussian Blur"));

        document->jumpToHistory(0);
        window->close();
    }
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

    open.typeIntoField(radius, " 2.4 ");
    EXPECT_EQ(field->text(), "2");  // a radius shows whole, like its "10" at first
    EXPECT_EQ(slider->doubleValue(), 2.4);
    EXPECT_EQ(radiusOf(*open.document), 2.4);

    for (const char* text : {"abc", "1,5", "", "nan"}) {
        QSignalSpy previews(open.document.get(), &ImageDocument::previewDidChange);
        open.typeIntoField(radius, QString::fromLatin1(text));
        EXPECT_EQ(previews.count(), 0) << text;
        EXPECT_EQ(slider->doubleValue(), 2.4) << text;
        EXPECT_EQ(open.panel->values().value(radius), 2.4) << text;
    }
    open.typeIntoField(radius, "-3");
    EXPECT_EQ(field->text(), "0");
}

TEST(AdjustmentPanel, AFieldBeingTypedIntoKeepsItsTextAndEveryValueOfAParameterShowsAlike)
{
    OpenPanel open("brightnessContrast");  // Contrast 0.25 … 4 at 1
    const QString key = QStringLiteral("contrast");
    QLineEdit* field = open.panel->valueField(key);
    FocusableSlider* slider = open.panel->slider(key);
    ASSERT_TRUE(field && slider);
    EXPECT_EQ(field->text(), "1.00");

    // A wheel turned over the slider while the field is being typed into moves the value, but the
    // field keeps what was typed until the edit ends, and then the typed value wins.
    open.panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(open.panel.data()));
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "1");
    const QPointF centre = QRectF(slider->rect()).center();
    QWheelEvent wheel(centre, slider->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    EXPECT_NE(slider->doubleValue(), 1);
    EXPECT_EQ(field->text(), "1");
    QTest::keyClicks(field, "0");
    EXPECT_EQ(field->text(), "10");
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(field->text(), "4.00");  // clamped, in the parameter's format
    EXPECT_EQ(slider->doubleValue(), 4);

    // Slider moves keep the format on either side of 10, and across the whole range.
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(field->text(), "3.96");
    const FilterParameter hue{QStringLiteral("h"), QStringLiteral("Hue"), -180, 180, 0};
    EXPECT_EQ(formatParameterValue(0, hue), "0");
    EXPECT_EQ(formatParameterValue(164.2, hue), "164");
    EXPECT_EQ(formatParameterValue(9.6, hue), "10");
    const FilterParameter amount{QStringLiteral("a"), QStringLiteral("Amount"), -1, 1, 0};
    EXPECT_EQ(formatParameterValue(0, amount), "0.00");
    EXPECT_EQ(formatParameterValue(-0.001, amount), "0.00");
    EXPECT_EQ(formatParameterValue(-0.5, amount), "-0.50");
    const FilterParameter noise{QStringLiteral("n"), QStringLiteral("Noise Level"), 0, 0.1, 0.02};
    EXPECT_EQ(formatParameterValue(0.02, noise), "0.020");
    const FilterParameter scale{QStringLiteral("s"), QStringLiteral("Scale"), 1, 100, 8};
    EXPECT_EQ(formatParameterValue(8, scale), "8");
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
    // A radius of 0 blurs nothing, and a step that changes nothing is not recorded.
    EXPECT_TRUE(secondSpy.recordedNames().isEmpty());
    EXPECT_TRUE(samePixels(again.layerPixels(), unblurred));
    EXPECT_FALSE(again.document->filterPreview());
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

TEST(AdjustmentPanel, AfterAnUndoThePreviewShowsWhatOkApplies)
{
    OpenPanel open("gaussianBlur");
    open.document->recordHistory(QStringLiteral("Setup"));
    const QString original = open.document->state().layers[0].name;
    QTest::keyClick(open.panel, Qt::Key_Right);
    renameLayer(*open.document, open.document->state().layers[0].id, QStringLiteral("Renamed"));
    open.document->undoHistory();
    EXPECT_TRUE(open.panel->isVisible());
    ASSERT_TRUE(open.document->filterPreview());
    EXPECT_EQ(radiusOf(*open.document), 11);
    const std::optional<Bitmap> shown = open.document->renderLiveComposite();
    ASSERT_TRUE(shown);

    DocumentSpy spy(*open.document);
    open.closeBy([&] { QTest::mouseClick(open.panel->okButton(), Qt::LeftButton); });
    EXPECT_TRUE(spy.recordedOnly("Gaussian Blur"));
    EXPECT_EQ(open.document->state().layers[0].name, original);
    const std::optional<Bitmap> applied = renderComposite(open.document->state());
    ASSERT_TRUE(applied);
    EXPECT_TRUE(samePixels(*applied, *shown));

    // Without its document the panel does nothing, and still closes cleanly.
    OpenPanel orphan("gaussianBlur");
    orphan.document.reset();
    QTest::keyClick(orphan.panel, Qt::Key_Right);
    orphan.closeBy([&] { QTest::mouseClick(orphan.panel->okButton(), Qt::LeftButton); });
}

TEST(AdjustmentPanel, ValuesAreParsedLikeTheFields)
{
    const FilterParameter range{QStringLiteral("k"), QStringLiteral("K"), -1, 1, 0};
    EXPECT_EQ(parseParameterValue(QStringLiteral("\t0.25\n"), range), 0.25);
    EXPECT_EQ(parseParameterValue(QStringLiteral("1e3"), range), 1);
    EXPECT_EQ(parseParameterValue(QStringLiteral("-inf"), range), -1);
    EXPECT_FALSE(parseParameterValue(QStringLiteral("0,5"), range));
    EXPECT_FALSE(parseParameterValue(QStringLiteral("2x"), range));
}

}  // namespace
}  // namespace velmaris
