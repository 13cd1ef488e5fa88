#include "window/StatusLine.h"

#include "QtWait.h"
#include "canvas/CanvasView.h"
#include "document/TestDocuments.h"
#include "platform/CurrentColorStore.h"
#include "window/DocumentActions.h"
#include "window/DocumentWindow.h"
#include "canvas/tools/FillTool.h"
#include "canvas/tools/GradientTool.h"
#include "window/tooloptions/FillOptions.h"
#include "window/tooloptions/GradientOptions.h"
#include "window/tooloptions/PickerOptions.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

struct ShownWindow {
    std::unique_ptr<ImageDocument> document;
    DocumentWindow* window;

    explicit ShownWindow(QVector<Layer> layers, QSizeF size)
        : document(test::documentWith(std::move(layers), size)), window(new DocumentWindow(document.get()))
    {
        document->recordHistory(QStringLiteral("Setup"));
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    ~ShownWindow() { delete window; }

    StatusLine& line() const { return *window->statusLine(); }
    CanvasView& canvas() const { return *window->canvas(); }
};

TEST(StatusLine, ZoomTextsReadAndParse)
{
    EXPECT_EQ(zoomPercentText(1.5), "150%");
    EXPECT_EQ(zoomPercentText(1.0 / 3), "33.33%");
    EXPECT_EQ(zoomPercentText(0.0625), "6.25%");
    EXPECT_EQ(zoomPercentText(0.05), "5%");
    EXPECT_EQ(parsedZoomPercent("150"), 1.5);
    EXPECT_EQ(parsedZoomPercent(" 66.5 % "), 0.665);
    for (const char* refused : {"", "%", "abc", "0", "-20", "inf", "nan"})
        EXPECT_FALSE(parsedZoomPercent(QString::fromLatin1(refused))) << refused;
}

TEST(StatusLine, ZoomFieldFollowsTheCanvasAndTakesTypedAndPresetZooms)
{
    ShownWindow shown({test::solidLayer("A", 400, 300)}, {400, 300});
    QComboBox& field = *shown.line().zoomField();
    shown.canvas().zoomActualSize();
    EXPECT_EQ(field.currentText(), "100%");
    shown.window->actions()->action(CommandID::zoomIn)->trigger();
    EXPECT_EQ(field.currentText(), "150%");

    // Typed as the user would: select the text, type, Return.
    auto type = [&](const QString& text) {
        field.lineEdit()->setFocus();
        field.lineEdit()->selectAll();
        QTest::keyClicks(field.lineEdit(), text);
        QTest::keyClick(field.lineEdit(), Qt::Key_Return);
    };
    type(QStringLiteral("250"));
    EXPECT_DOUBLE_EQ(shown.canvas().magnification(), 2.5);
    EXPECT_EQ(field.currentText(), "250%");
    EXPECT_TRUE(shown.canvas().hasFocus());
    type(QStringLiteral("lots"));
    EXPECT_DOUBLE_EQ(shown.canvas().magnification(), 2.5);
    EXPECT_EQ(field.currentText(), "250%");
    type(QStringLiteral("100000"));  // clamped to the largest zoom
    EXPECT_DOUBLE_EQ(shown.canvas().magnification(), 32);
    EXPECT_EQ(field.currentText(), "3200%");

    // The presets, chosen from the list with the keyboard.
    const int half = field.findText(QStringLiteral("50%"));
    ASSERT_GE(half, 0);
    field.setFocus();
    field.showPopup();
    QAbstractItemView& list = *field.view();
    ASSERT_TRUE(test::waitUntil([&] { return list.isVisible(); }));
    list.setCurrentIndex(list.model()->index(half, 0));
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(shown.canvas().magnification(), 0.5);
    EXPECT_EQ(field.currentText(), "50%");
}

TEST(StatusLine, ReadsPointerSelectionSizeAndMemoryAndShowsThePickerOptions)
{
    ShownWindow shown({test::solidLayer("A", 64, 48)}, {64, 48});
    StatusLine& line = shown.line();
    EXPECT_EQ(line.sizeLabel()->text(), QString::fromUtf8("64 × 48 px"));
    EXPECT_TRUE(line.selectionLabel()->isHidden());
    const QString memory = line.memoryLabel()->text();
    EXPECT_FALSE(memory.isEmpty());

    shown.canvas().zoomActualSize();
    QWidget* surface = shown.canvas().viewport();
    const QPoint pointer = shown.canvas().mapFromScene(QPointF(10.5, 20.5));
    const QPointF under = shown.canvas().canvasPoint(pointer);
    const QString readout = QStringLiteral("%1, %2  #FF0000").arg(int(under.x())).arg(int(under.y()));
    QTest::mouseMove(surface, pointer);
    EXPECT_TRUE(test::waitUntil([&] { return line.pointerLabel()->text() == readout; }))
        << line.pointerLabel()->text().toStdString();

    shown.document->setSelectionRect(QRectF(4, 5, 30, 20));
    EXPECT_EQ(line.selectionLabel()->text(), QString::fromUtf8("Selection 30 × 20"));
    EXPECT_FALSE(line.selectionLabel()->isHidden());
    CanvasState state = shown.document->state();
    state.layers.append(test::solidLayer("B", 8, 8, {40, 30}, test::kBlue));
    state.selectedLayerID = state.layers.last().id;
    shown.document->commitState(std::move(state), QStringLiteral("Add"));
    EXPECT_NE(line.memoryLabel()->text(), memory);

    // The picker's options show with the picker and set how it samples.
    auto* pickerOptions = qobject_cast<PickerOptions*>(line.toolOptions(EditorTool::colorPicker));
    ASSERT_NE(pickerOptions, nullptr);
    EXPECT_FALSE(pickerOptions->isVisible());
    shown.window->runCommand(CommandID::selectColorPickerTool);
    EXPECT_EQ(shown.canvas().tool(), EditorTool::colorPicker);
    EXPECT_TRUE(shown.window->actions()->action(CommandID::selectColorPickerTool)->isChecked());
    EXPECT_TRUE(pickerOptions->sampleSizeField()->isVisible());
    EXPECT_TRUE(pickerOptions->sampleSourceField()->isVisible());
    pickerOptions->sampleSourceField()->setCurrentIndex(pickerOptions->sampleSourceField()->findText("Current Layer"));
    CurrentColorStore::shared().setColor(StoredColor{0, 1, 0, 1});
    QTest::mouseClick(surface, Qt::LeftButton, {}, pointer);
    EXPECT_EQ(CurrentColorStore::shared().color(), (StoredColor{0, 1, 0, 1}));  // off the selected layer
    pickerOptions->sampleSourceField()->setCurrentIndex(pickerOptions->sampleSourceField()->findText("All Layers"));
    QTest::mouseClick(surface, Qt::LeftButton, {}, pointer);
    EXPECT_EQ(CurrentColorStore::shared().color(), (StoredColor{1, 0, 0, 1}));
    shown.window->runCommand(CommandID::selectMoveTool);
    EXPECT_FALSE(pickerOptions->sampleSizeField()->isVisible());
}

TEST(StatusLine, FillAndGradientOptionsShowWithTheirToolSetItAndAreKeptForTheNextWindow)
{
    {
        ShownWindow shown({test::solidLayer("A", 40, 30)}, {40, 30});
        auto* fill = qobject_cast<FillOptions*>(shown.line().toolOptions(EditorTool::fill));
        auto* gradient = qobject_cast<GradientOptions*>(shown.line().toolOptions(EditorTool::gradient));
        ASSERT_TRUE(fill && gradient);
        shown.window->runCommand(CommandID::selectFillTool);
        EXPECT_TRUE(shown.window->actions()->action(CommandID::selectFillTool)->isChecked());
        EXPECT_TRUE(fill->toleranceField()->isVisible());
        EXPECT_FALSE(gradient->isVisible());
        fill->toleranceField()->setValue(40);
        fill->contiguousBox()->setChecked(false);
        fill->antiAliasBox()->setChecked(false);
        fill->sampleField()->setCurrentIndex(fill->sampleField()->findText("All Layers"));
        const BucketFill& settings = static_cast<FillTool&>(shown.canvas().toolObject(EditorTool::fill)).settings();
        EXPECT_EQ(settings.region.tolerance, 40);
        EXPECT_FALSE(settings.region.contiguous);
        EXPECT_FALSE(settings.region.antiAliased);
        EXPECT_EQ(settings.sampling, FillSampling::composite);

        shown.window->runCommand(CommandID::selectGradientTool);
        EXPECT_TRUE(gradient->shapeField()->isVisible());
        EXPECT_FALSE(fill->isVisible());
        gradient->shapeField()->setCurrentIndex(gradient->shapeField()->findText("Radial"));
        gradient->endField()->setCurrentIndex(gradient->endField()->findText("To Background Color"));
        const GradientSettings& chosen =
            static_cast<GradientTool&>(shown.canvas().toolObject(EditorTool::gradient)).settings();
        EXPECT_EQ(chosen.shape, GradientShape::radial);
        EXPECT_TRUE(chosen.toBackgroundColor);
    }
    ShownWindow next({test::solidLayer("B", 40, 30)}, {40, 30});
    const BucketFill& settings = static_cast<FillTool&>(next.canvas().toolObject(EditorTool::fill)).settings();
    EXPECT_EQ(settings.region.tolerance, 40);
    EXPECT_FALSE(settings.region.contiguous);
    EXPECT_EQ(settings.sampling, FillSampling::composite);
    const GradientSettings& chosen =
        static_cast<GradientTool&>(next.canvas().toolObject(EditorTool::gradient)).settings();
    EXPECT_EQ(chosen.shape, GradientShape::radial);
    EXPECT_TRUE(chosen.toBackgroundColor);
}

}  // namespace
}  // namespace velmaris
