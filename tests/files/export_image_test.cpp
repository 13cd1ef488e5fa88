#include "files/ExportImage.h"
#include "files/LayeredDocument.h"

#include "TestImages.h"
#include "files/FlatImageFile.h"
#include "files/ImageDecoder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace velmaris {
namespace {

using test::pixelAt;

CanvasState canvasOf(const Bitmap& bitmap)
{
    CanvasState state;
    state.size = QSizeF(bitmap.size());
    state.layers.append(test::bitmapLayer(bitmap));
    state.selectedLayerID = state.layers.last().id;
    return state;
}

QSize exportedSize(const CanvasState& state, const ExportRequest& request)
{
    const FileResult<QByteArray> bytes = exportImageData(state, request);
    if (!std::holds_alternative<QByteArray>(bytes))
        return {};
    const std::optional<Bitmap> image = decodeImageData(std::get<QByteArray>(bytes), request.format.type);
    return image ? image->size() : QSize();
}

TEST(ExportImage, PopUpEntriesAndQualityLabel)
{
    ASSERT_EQ(exportFormats().size(), 10u);
    EXPECT_EQ(exportFormats()[1].title, "JPEG");
    EXPECT_TRUE(exportFormats()[1].supportsQuality);
    EXPECT_FALSE(exportFormats()[2].supportsQuality);
    EXPECT_EQ(exportFormatAt(-3)->title, "PNG");  // a negative index is the first format
    EXPECT_FALSE(exportFormatAt(10));
    EXPECT_EQ(exportScales()[kDefaultExportScaleIndex].title, "100%");
    EXPECT_EQ(exportScaleAt(0), 0.25);
    EXPECT_EQ(exportScaleAt(3), 2.0);
    EXPECT_EQ(exportScaleAt(4), 1.0);
    EXPECT_EQ(exportScaleAt(-1), 1.0);
    EXPECT_EQ(exportQualityLabel(kExportQualityDefault), "90%");
    EXPECT_EQ(exportQualityLabel(0.1), "10%");
    EXPECT_EQ(exportQualityLabel(0.555), "56%");
}

TEST(ExportImage, LayeredFormatsKeepTheLayersUnscaled)
{
    CanvasState state = canvasOf(test::opaqueRandomBitmap(3, 3, 4));
    state.layers.push_back(test::bitmapLayer(test::randomBitmap(2, 2, 5), QPointF(1, 1), QStringLiteral("Top")));
    EXPECT_EQ(exportFormatExtension(exportFormats()[1]), "jpg");
    for (const auto& [index, format, extension] :
         {std::tuple(4, LayeredFormat::openRaster, "ora"), std::tuple(5, LayeredFormat::psd, "psd")}) {
        const ExportFormat& layered = exportFormats()[size_t(index)];
        SCOPED_TRACE(layered.title.toStdString());
        ASSERT_EQ(layered.keepsLayers, format);
        EXPECT_EQ(exportFormatExtension(layered), extension);
        const FileResult<QByteArray> bytes = exportImageData(state, {layered, 0.9, 0.5});
        ASSERT_TRUE(std::holds_alternative<QByteArray>(bytes));
        const FileResult<NativeDocument> read = readLayeredDocument(std::get<QByteArray>(bytes), format);
        ASSERT_TRUE(std::holds_alternative<NativeDocument>(read));
        const CanvasState& layers = std::get<NativeDocument>(read).state;
        ASSERT_EQ(layers.layers.size(), 2);
        EXPECT_EQ(layers.size, QSizeF(3, 3));
        EXPECT_EQ(layers.layers[1].name, "Top");
        EXPECT_TRUE(test::samePixels(*layers.layers[1].bitmap(), *state.layers[1].bitmap()));
    }
}

TEST(ExportImage, ScaledSizesRoundHalvesAwayFromZeroAndKeepOnePixel)
{
    const CanvasState state = canvasOf(test::opaqueRandomBitmap(3, 3, 4));
    for (const ExportFormat& format : exportFormats()) {
        if (format.keepsLayers)
            continue;
        EXPECT_EQ(exportedSize(state, {format, 0.9, 0.25}), QSize(1, 1)) << format.title.toStdString();
        EXPECT_EQ(exportedSize(state, {format, 0.9, 2.0}), QSize(6, 6)) << format.title.toStdString();
        EXPECT_EQ(exportedSize(state, {format, 0.9, 1.0}), QSize(3, 3)) << format.title.toStdString();
    }
    // 5 × 0.5 = 2.5 rounds up, not to even.
    EXPECT_EQ(exportedSize(canvasOf(test::opaqueRandomBitmap(5, 1, 2)), {exportFormats()[0], 0.9, 0.5}), QSize(3, 1));
}

TEST(ExportImage, KeepsPixelsAndDoesNotFlattenOntoWhite)
{
    const Bitmap pixels = test::randomBitmap(4, 4, 11);
    const auto png = exportImageData(canvasOf(pixels), {exportFormats()[0]});
    ASSERT_TRUE(std::holds_alternative<QByteArray>(png));
    EXPECT_TRUE(test::samePixels(*decodeImageData(std::get<QByteArray>(png), ImageType::png), pixels));

    // A transparent canvas reaches the JPEG encoder as it is, unlike a flat save.
    const CanvasState clear = canvasOf(test::solidBitmap(8, 8, {0, 0, 0, 0}));
    const auto exported = exportImageData(clear, {exportFormats()[1], 1.0, 1});
    const auto saved = writeFlatImage(clear, ImageType::jpeg, {1, 1.0});
    ASSERT_TRUE(std::holds_alternative<QByteArray>(exported));
    ASSERT_TRUE(std::holds_alternative<QByteArray>(saved));
    EXPECT_LT(pixelAt(*decodeImageData(std::get<QByteArray>(exported), ImageType::jpeg), 4, 4)[0], 16);
    EXPECT_GT(pixelAt(*decodeImageData(std::get<QByteArray>(saved), ImageType::jpeg), 4, 4)[0], 240);

    // Quality reaches the JPEG encoder.
    const CanvasState noisy = canvasOf(test::opaqueRandomBitmap(64, 64, 3));
    const auto low = exportImageData(noisy, {exportFormats()[1], 0.1, 1});
    const auto high = exportImageData(noisy, {exportFormats()[1], 1.0, 1});
    EXPECT_LT(std::get<QByteArray>(low).size(), std::get<QByteArray>(high).size());
}

TEST(ExportImage, AnEmptyCanvasIsNotRendered)
{
    CanvasState empty;
    const auto bytes = exportImageData(empty, {exportFormats()[0]});
    ASSERT_TRUE(std::holds_alternative<FileError>(bytes));
    EXPECT_EQ(std::get<FileError>(bytes), FileError::imageNotRendered());
}

}  // namespace
}  // namespace velmaris
