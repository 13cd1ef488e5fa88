#include "window/dialogs/CanvasSizeDialog.h"

#include "TestImages.h"
#include "document/TestDocuments.h"
#include "platform/CurrentColorStore.h"
#include "window/SheetTestHelpers.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::labelTexts;
using test::press;
using test::shownWindow;
using test::solidLayer;
using test::typeInto;

// The next entry of a closed combo box, as the Down key picks it.
void chooseNext(QComboBox* combo)
{
    QTest::keyClick(combo, Qt::Key_Down);
}

TEST(CanvasSizeDialog, GrowsTheCanvasAroundTheAnchorAndFillsWithTheBackgroundColor)
{
    auto document = test::documentWith({solidLayer("Background", 40, 20), solidLayer("Top", 2, 2, {0, 0}, test::kBlue)},
                                       {40, 20});
    document->recordHistory(QStringLiteral("Start"));
    const CanvasState before = document->state();
    CurrentColorStore::shared().setBackgroundColor(StoredColor{0, 1, 0, 1});
    auto window = shownWindow();
    CanvasSizeDialog* dialog = CanvasSizeDialog::open(*document, window.get());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(labelTexts(dialog),
              (QStringList{"Canvas Size", "Add or remove space around the image without resampling it.", "Width",
                           "Height", "Units", "Anchor", "Fill"}));
    EXPECT_EQ(dialog->widthField()->text(), "40");
    EXPECT_EQ(dialog->heightField()->text(), "20");
    EXPECT_EQ(dialog->unitChoice()->currentText(), "Pixels");
    EXPECT_EQ(dialog->fillChoice()->currentText(), "Transparent");
    EXPECT_EQ(dialog->anchorPicker()->anchor(), Qt::AlignCenter);

    typeInto(dialog->widthField(), "60");
    typeInto(dialog->heightField(), "30");
    QTest::mouseClick(dialog->anchorPicker()->button(Qt::AlignRight | Qt::AlignBottom), Qt::LeftButton);
    EXPECT_EQ(dialog->anchorPicker()->anchor(), Qt::AlignRight | Qt::AlignBottom);
    EXPECT_FALSE(dialog->anchorPicker()->button(Qt::AlignCenter)->isChecked());
    chooseNext(dialog->fillChoice());
    EXPECT_EQ(dialog->fillChoice()->currentText(), "Background Color");
    press(dialog, "Resize");

    const CanvasState& state = document->state();
    EXPECT_EQ(state.size, QSizeF(60, 30));
    EXPECT_EQ(state.layers[1].origin, QPointF(20, 10));
    EXPECT_EQ(state.layers[0].origin, QPointF(0, 0));
    EXPECT_EQ(test::pixelAt(*state.layers[0].bitmap(), 0, 0), (test::Rgba{0, 255, 0, 255}));
    EXPECT_EQ(test::pixelAt(*state.layers[0].bitmap(), 20, 10), test::kRed);
    EXPECT_EQ(document->history().entries().last().name, "Canvas Size");
    document->undoHistory();
    EXPECT_EQ(document->state(), before);
}

TEST(CanvasSizeDialog, PercentConvertsTheFieldsAndBadSizesKeepTheSheetOpen)
{
    auto document = test::documentWith({solidLayer("Layer", 40, 20)}, {40, 20});
    auto window = shownWindow();
    CanvasSizeDialog* dialog = CanvasSizeDialog::open(*document, window.get());
    typeInto(dialog->widthField(), "80");
    chooseNext(dialog->unitChoice());
    EXPECT_EQ(dialog->unitChoice()->currentText(), "Percent");
    EXPECT_EQ(dialog->widthField()->text(), "200");
    EXPECT_EQ(dialog->heightField()->text(), "100");

    // Refused sizes say why and leave the sheet and the document as they are.
    const QPointer<CanvasSizeDialog> guard(dialog);
    for (const char* width : {"0", "75001", "wide", ""}) {
        typeInto(dialog->widthField(), QString::fromLatin1(width));
        QTest::mouseClick(dialog->button("Resize"), Qt::LeftButton);
        ASSERT_TRUE(guard) << width;
        EXPECT_TRUE(dialog->isVisible()) << width;
        EXPECT_EQ(dialog->informativeText(),
                  "The width and height must be percentages that come to 1 to 30000 pixels.") << width;
        EXPECT_EQ(document->state().size, QSizeF(40, 20));
    }
    typeInto(dialog->widthField(), "50");
    typeInto(dialog->heightField(), "250");
    press(dialog, "Resize");
    EXPECT_EQ(document->state().size, QSizeF(20, 50));
    // Centred: the 40 × 20 image loses 10 columns each side and gains 15 rows above and below.
    EXPECT_EQ(document->state().layers[0].origin, QPointF(-10, 15));
    EXPECT_EQ(document->history().entries().last().name, "Canvas Size");

    // Back in pixels the text is whole pixels again; Cancel changes nothing.
    dialog = CanvasSizeDialog::open(*document, window.get());
    chooseNext(dialog->unitChoice());
    typeInto(dialog->widthField(), "150");
    QTest::keyClick(dialog->unitChoice(), Qt::Key_Up);
    EXPECT_EQ(dialog->widthField()->text(), "30");
    typeInto(dialog->heightField(), "0");
    QTest::mouseClick(dialog->button("Resize"), Qt::LeftButton);
    EXPECT_EQ(dialog->informativeText(), "The width and height must be numbers from 1 to 30000 pixels.");
    press(dialog, "Cancel");
    EXPECT_EQ(document->state().size, QSizeF(20, 50));
}

}  // namespace
}  // namespace velmaris
