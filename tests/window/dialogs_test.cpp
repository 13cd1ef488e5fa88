#include "window/dialogs/ImageSizeDialog.h"
#include "window/dialogs/SelectionDialogs.h"

#include "document/TestDocuments.h"
#include "window/SheetTestHelpers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::documentWith;
using test::DocumentSpy;
using test::labelTexts;
using test::press;
using test::shownWindow;
using test::solidLayer;
using test::typeInto;
using test::waitUntil;

TEST(ImageSizeDialog, ShowsTheCanvasSizeAndLinksTheFieldsWhileConstrained)
{
    auto document = documentWith({solidLayer("Layer", 1000, 500)}, {1000, 500.7});
    auto window = shownWindow();
    ImageSizeDialog* dialog = ImageSizeDialog::open(*document, window.get());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(labelTexts(dialog), (QStringList{"Image Size", "Resample the image to new pixel dimensions.",
                                               "Width (px)", "Height (px)"}));
    EXPECT_EQ(dialog->constrainProportions()->text(), "Constrain proportions");
    EXPECT_TRUE(dialog->constrainProportions()->isChecked());
    EXPECT_EQ(dialog->widthField()->text(), "1000");
    EXPECT_EQ(dialog->heightField()->text(), "500");
    EXPECT_TRUE(dialog->button("Resize")->isDefault());
    EXPECT_TRUE(dialog->button("Cancel"));

    typeInto(dialog->widthField(), "300");
    EXPECT_EQ(dialog->heightField()->text(), "150");
    typeInto(dialog->heightField(), "101");
    EXPECT_EQ(dialog->widthField()->text(), "202");  // 101 / 0.5007, rounded
    typeInto(dialog->widthField(), "12x");  // "12" set the height; "12x" is no number and leaves it
    EXPECT_EQ(dialog->heightField()->text(), "6");
    QTest::mouseClick(dialog->constrainProportions(), Qt::LeftButton);
    typeInto(dialog->widthField(), "640");
    EXPECT_EQ(dialog->heightField()->text(), "6");
    press(dialog, "Cancel");
    EXPECT_EQ(document->state().size, QSizeF(1000, 500.7));
}

TEST(ImageSizeDialog, ResizeRecordsOneStepAndBadTextChangesNothing)
{
    auto document = documentWith({solidLayer("Layer", 1000, 500)}, {1000, 500});
    document->setSelectionRect(QRectF(0, 0, 10, 10));
    auto window = shownWindow();

    const std::pair<const char*, const char*> refused[] = {
        {"30001", "20"}, {"300px", "150"}, {"", "150"}, {" 300", "150"}, {"0.4", "150"}, {"300", "nan"},
    };
    for (const auto& [width, height] : refused) {
        DocumentSpy spy(*document);
        ImageSizeDialog* dialog = ImageSizeDialog::open(*document, window.get());
        QTest::mouseClick(dialog->constrainProportions(), Qt::LeftButton);
        typeInto(dialog->widthField(), QString::fromLatin1(width));
        typeInto(dialog->heightField(), QString::fromLatin1(height));
        press(dialog, "Resize");
        EXPECT_TRUE(spy.silent()) << width << " × " << height;
        EXPECT_EQ(document->state().size, QSizeF(1000, 500));
    }

    DocumentSpy spy(*document);
    ImageSizeDialog* dialog = ImageSizeDialog::open(*document, window.get());
    typeInto(dialog->widthField(), "300");
    QTest::keyClick(dialog->widthField(), Qt::Key_Return);  // the default button confirms
    EXPECT_TRUE(waitUntil([&] { return document->state().size == QSizeF(300, 150); }));
    EXPECT_TRUE(spy.recordedOnly("Image Size"));
    EXPECT_EQ(document->state().layers[0].bitmap()->width(), 300);
    EXPECT_FALSE(document->selection().rect);
}

TEST(SelectionDialogs, FixedSizeSelectsCentredAndCutToTheCanvas)
{
    auto document = documentWith({solidLayer("Layer", 10, 10)}, {1000, 800});
    auto window = shownWindow();
    FixedSizeSelectionDialog* dialog = FixedSizeSelectionDialog::open(*document, window.get());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(labelTexts(dialog), (QStringList{"Fixed Size Selection",
                                               "Creates a selection of exact pixel dimensions, centered on the canvas.",
                                               "Width (px)", "Height (px)"}));
    EXPECT_EQ(dialog->widthField()->text(), "256");
    EXPECT_EQ(dialog->heightField()->text(), "256");
    press(dialog, "Select");
    EXPECT_EQ(document->selection().rect, QRectF(372, 272, 256, 256));

    dialog = FixedSizeSelectionDialog::open(*document, window.get());
    typeInto(dialog->widthField(), "5000");
    typeInto(dialog->heightField(), "5000");
    press(dialog, "Select");
    EXPECT_EQ(document->selection().rect, QRectF(0, 0, 1000, 800));

    for (const char* width : {"0.5", "abc", "1e"}) {
        DocumentSpy spy(*document);
        dialog = FixedSizeSelectionDialog::open(*document, window.get());
        typeInto(dialog->widthField(), QString::fromLatin1(width));
        press(dialog, "Select");
        EXPECT_TRUE(spy.silent()) << width;
    }
    DocumentSpy spy(*document);
    dialog = FixedSizeSelectionDialog::open(*document, window.get());
    press(dialog, "Cancel");
    EXPECT_TRUE(spy.silent());
    EXPECT_EQ(document->selection().rect, QRectF(0, 0, 1000, 800));
}

TEST(SelectionDialogs, AspectRatioSetsClearsAndRefusesQuietly)
{
    auto document = documentWith({solidLayer("Layer", 10, 10)}, {100, 100});
    auto window = shownWindow();
    DocumentSpy spy(*document);
    SelectionAspectRatioDialog* dialog = SelectionAspectRatioDialog::open(*document, window.get());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(labelTexts(dialog),
              (QStringList{"Selection Aspect Ratio", "Constrains marquee drags to this width : height ratio until cleared.",
                           "Width", "Height"}));
    EXPECT_EQ(dialog->widthField()->text(), "16");
    EXPECT_EQ(dialog->heightField()->text(), "9");
    typeInto(dialog->widthField(), "4.9");
    typeInto(dialog->heightField(), "3");
    press(dialog, "Set");
    EXPECT_EQ(document->selection().aspect, QSizeF(4.9, 3));

    // Reopened, it shows the aspect with fractions cut off; refused text keeps it.
    dialog = SelectionAspectRatioDialog::open(*document, window.get());
    EXPECT_EQ(dialog->widthField()->text(), "4");
    typeInto(dialog->heightField(), "0");
    press(dialog, "Set");
    EXPECT_EQ(document->selection().aspect, QSizeF(4.9, 3));
    dialog = SelectionAspectRatioDialog::open(*document, window.get());
    press(dialog, "Cancel");
    EXPECT_EQ(document->selection().aspect, QSizeF(4.9, 3));

    dialog = SelectionAspectRatioDialog::open(*document, window.get());
    press(dialog, "Clear");
    EXPECT_FALSE(document->selection().aspect);
    EXPECT_TRUE(spy.silent());  // the aspect is announced to no one and never recorded
}

}  // namespace
}  // namespace velmaris
