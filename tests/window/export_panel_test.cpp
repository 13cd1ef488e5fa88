#include "window/ExportPanel.h"

#include "QtWait.h"
#include "document/TestDocuments.h"
#include "files/DocumentType.h"
#include "files/ImageDecoder.h"
#include "files/OpenImageFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

std::unique_ptr<ImageDocument> threeByThree()
{
    return test::documentWith({test::bitmapLayer(test::opaqueRandomBitmap(3, 3, 5))}, {3, 3});
}

// Picks a pop-up entry the way a keyboard user does.
void chooseEntry(QComboBox* popUp, int index)
{
    popUp->setFocus();
    while (popUp->currentIndex() < index)
        QTest::keyClick(popUp, Qt::Key_Down);
    while (popUp->currentIndex() > index)
        QTest::keyClick(popUp, Qt::Key_Up);
}

// Runs an export through the Export button and waits for it to end.
std::optional<ExportFailure> exportThroughPanel(ExportPanel& panel)
{
    std::optional<std::optional<ExportFailure>> result;
    const QMetaObject::Connection connection = QObject::connect(
        &panel, &ExportPanel::exportFinished, [&](const std::optional<ExportFailure>& failure) { result = failure; });
    QTest::mouseClick(panel.exportButton(), Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] { return result.has_value(); }));
    QObject::disconnect(connection);
    if (!result)
        return ExportFailure{ExportFailure::Stage::picture, {}};
    return *result;
}

TEST(ExportPanel, QualityRowShowsOnlyForJpegAndFollowsTheSlider)
{
    auto document = threeByThree();
    ExportPanel panel(*document);
    panel.show();
    EXPECT_EQ(panel.formatPopUp()->currentText(), "PNG");
    EXPECT_EQ(panel.scalePopUp()->currentText(), "100%");
    EXPECT_FALSE(panel.qualityRow()->isVisible());

    chooseEntry(panel.formatPopUp(), 1);
    EXPECT_EQ(panel.formatPopUp()->currentText(), "JPEG");
    EXPECT_TRUE(panel.qualityRow()->isVisible());
    EXPECT_EQ(panel.qualityLabel()->text(), "90%");
    // The row says "Quality" once: its title, then the slider and the percentage.
    int qualityTexts = 0;
    for (const QLabel* label : panel.findChildren<QLabel*>())
        qualityTexts += label->isVisible() && label->text().contains("Quality") ? 1 : 0;
    EXPECT_EQ(qualityTexts, 1);
    EXPECT_EQ(panel.suggestedFileName(), "Untitled.jpg");

    panel.qualitySlider()->setFocus();
    QTest::keyClick(panel.qualitySlider(), Qt::Key_Right);
    EXPECT_EQ(panel.qualityLabel()->text(), "91%");
    QTest::keyClick(panel.qualitySlider(), Qt::Key_Down);
    EXPECT_EQ(panel.qualityLabel()->text(), "81%");
    QTest::keyClick(panel.qualitySlider(), Qt::Key_Up);
    QTest::keyClick(panel.qualitySlider(), Qt::Key_Up);
    EXPECT_EQ(panel.qualityLabel()->text(), "100%");
    EXPECT_DOUBLE_EQ(panel.request().quality, 1.0);

    chooseEntry(panel.formatPopUp(), 0);
    EXPECT_FALSE(panel.qualityRow()->isVisible());
    chooseEntry(panel.formatPopUp(), 2);
    EXPECT_FALSE(panel.qualityRow()->isVisible());
    EXPECT_EQ(panel.suggestedFileName(), "Untitled.tiff");
}

TEST(ExportPanel, WritesTheScaledPictureWhereTheUserChose)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto document = threeByThree();
    ExportPanel panel(*document);
    QString suggested;
    int asked = 0;
    std::optional<QString> answer;
    panel.setDestinationChooser([&](QWidget*, const QString& name, const ExportFormat&) {
        ++asked;
        suggested = name;
        return answer;
    });
    panel.show();

    // Return exports as the button does; a cancelled file dialog keeps the sheet open and writes
    // nothing.
    QTest::keyClick(&panel, Qt::Key_Return);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(panel.isVisible());
    QTest::mouseClick(panel.exportButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(panel.isVisible());

    chooseEntry(panel.scalePopUp(), 3);
    answer = folder.filePath("large.png");
    EXPECT_FALSE(exportThroughPanel(panel));
    EXPECT_EQ(suggested, "Untitled.png");
    EXPECT_FALSE(panel.isVisible());
    QFile written(*answer);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const std::optional<Bitmap> large = decodeImageData(written.readAll(), ImageType::png);
    ASSERT_TRUE(large);
    EXPECT_EQ(large->size(), QSize(6, 6));

    panel.show();
    chooseEntry(panel.scalePopUp(), 0);
    chooseEntry(panel.formatPopUp(), 3);
    answer = folder.filePath("small.bmp");
    EXPECT_FALSE(exportThroughPanel(panel));
    QFile small(*answer);
    ASSERT_TRUE(small.open(QIODevice::ReadOnly));
    EXPECT_EQ(decodeImageData(small.readAll(), ImageType::bmp)->size(), QSize(1, 1));
}

TEST(ExportPanel, MetadataIsKeptUnlessTheUserSaysOtherwise)
{
    auto document = threeByThree();
    ExportPanel panel(*document);
    panel.show();
    EXPECT_TRUE(panel.keepMetadataBox()->isChecked());
    EXPECT_FALSE(panel.removeLocationBox()->isChecked());
    EXPECT_TRUE(panel.request().keepMetadata);
    EXPECT_FALSE(panel.request().removeLocation);

    QTest::mouseClick(panel.removeLocationBox(), Qt::LeftButton);
    EXPECT_TRUE(panel.request().removeLocation);
    // Leaving all metadata out leaves nothing to remove.
    QTest::mouseClick(panel.keepMetadataBox(), Qt::LeftButton);
    EXPECT_FALSE(panel.removeLocationBox()->isEnabled());
    EXPECT_FALSE(panel.request().keepMetadata);
    EXPECT_FALSE(panel.request().removeLocation);
    QTest::mouseClick(panel.keepMetadataBox(), Qt::LeftButton);
    EXPECT_TRUE(panel.removeLocationBox()->isEnabled());
    EXPECT_TRUE(panel.request().removeLocation);

    // BMP holds no metadata.
    chooseEntry(panel.formatPopUp(), 3);
    ASSERT_EQ(panel.request().format.type, ImageType::bmp);
    EXPECT_FALSE(panel.keepMetadataBox()->isEnabled());
    EXPECT_FALSE(panel.removeLocationBox()->isEnabled());
    // WebP, like the other photo types, embeds it from its own encoder.
    chooseEntry(panel.formatPopUp(), panel.formatPopUp()->findText("WebP"));
    ASSERT_EQ(panel.request().format.type, ImageType::webp);
    EXPECT_TRUE(panel.keepMetadataBox()->isEnabled());
    EXPECT_TRUE(panel.removeLocationBox()->isEnabled());
}

TEST(ExportPanel, LayeredFormatsWriteEveryLayerAtFullSize)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto document = test::documentWith({test::bitmapLayer(test::opaqueRandomBitmap(3, 3, 5)),
                                        test::bitmapLayer(test::randomBitmap(2, 1, 6), QPointF(1, 2))},
                                       {3, 3});
    ExportPanel panel(*document);
    std::optional<QString> answer;
    panel.setDestinationChooser([&](QWidget*, const QString&, const ExportFormat&) { return answer; });
    panel.show();
    chooseEntry(panel.scalePopUp(), 0);

    const std::pair<const char*, QString> layered[]{{"OpenRaster", kOpenRasterTypeName}, {"PSD", kPSDTypeName}};
    for (const auto& [title, typeName] : layered) {
        SCOPED_TRACE(title);
        panel.show();
        chooseEntry(panel.formatPopUp(), panel.formatPopUp()->findText(title));
        ASSERT_EQ(panel.formatPopUp()->currentText(), title);
        EXPECT_FALSE(panel.scalePopUp()->isEnabled());
        EXPECT_FALSE(panel.qualityRow()->isVisible());
        EXPECT_EQ(panel.suggestedFileName(), "Untitled." + documentTypeExtension(typeName));
        answer = folder.filePath(panel.suggestedFileName());
        EXPECT_FALSE(exportThroughPanel(panel));
        const FileResult<NativeDocument> written = readDocumentFile(*answer);
        ASSERT_TRUE(std::holds_alternative<NativeDocument>(written));
        const CanvasState& state = std::get<NativeDocument>(written).state;
        EXPECT_EQ(state.size, QSizeF(3, 3));
        ASSERT_EQ(state.layers.size(), 2);
        EXPECT_EQ(state.layers[1].origin, QPointF(1, 2));
        EXPECT_TRUE(test::samePixels(*state.layers[1].bitmap(), *document->state().layers[1].bitmap()));
    }
    chooseEntry(panel.formatPopUp(), 0);
    EXPECT_TRUE(panel.scalePopUp()->isEnabled());
}

TEST(ExportPanel, AnUnwritableFolderShowsTheErrorAndLeavesNothing)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto document = threeByThree();
    QWidget window;
    ExportPanel panel(*document, &window);
    panel.setDestinationChooser([&](QWidget*, const QString&, const ExportFormat&) {
        return std::optional(folder.filePath("missing/out.png"));
    });
    window.show();
    panel.show();
    const std::optional<ExportFailure> failure = exportThroughPanel(panel);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->stage, ExportFailure::Stage::writing);
    EXPECT_EQ(failure->error.code, FileError::kWriteUnknown);
    EXPECT_TRUE(failure->error.message.startsWith("The file could not be exported: "));
    auto* alert = window.findChild<QMessageBox*>("exportErrorAlert");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), failure->error.message);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    alert->close();
}

}  // namespace
}  // namespace velmaris
