#include "document/ImageDocument.h"

#include "TestImages.h"
#include "document/TestDocuments.h"
#include "files/DocumentType.h"
#include "platform/Preferences.h"
#include "platform/RecentImagesStore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

const QString kPng = QStringLiteral("public.png");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ImageDocument, NewDocumentsUseTheDefaultsAndStartClean)
{
    ImageDocument document(DocumentDefaults{0, -3, CanvasBackground::white, {}, defaults::historyLimit});
    EXPECT_EQ(document.state().size, QSizeF(defaults::canvasWidth, defaults::canvasHeight));
    ASSERT_EQ(document.state().layers.size(), 1);
    EXPECT_EQ(document.state().layers[0].name, QStringLiteral("Background"));
    EXPECT_EQ(document.state().selectedLayerID, document.state().layers[0].id);
    EXPECT_EQ(document.history().entries().size(), 1);
    EXPECT_EQ(document.history().entries()[0].name, QStringLiteral("New"));
    EXPECT_EQ(document.savedHistoryIndex(), 0);
    EXPECT_FALSE(document.isEdited());
    EXPECT_EQ(test::pixelAt(*document.state().layers[0].bitmap(), 0, 0), (test::Rgba{255, 255, 255, 255}));
}

TEST(ImageDocument, ImportedDocumentsStayEditedAtTheirFirstEntry)
{
    auto document = ImageDocument::fromImage(test::solidBitmap(3, 2, {0, 0, 0, 255}), QStringLiteral("Clipboard"));
    EXPECT_EQ(document->state().size, QSizeF(3, 2));
    EXPECT_EQ(document->state().layers[0].name, QStringLiteral("Clipboard"));
    EXPECT_EQ(document->history().entries()[0].name, QStringLiteral("Import"));
    EXPECT_EQ(document->savedHistoryIndex(), -1);
    EXPECT_TRUE(document->isEdited());
    document->changeLiveState([&](CanvasState& state) { state.layers.append(test::solidLayer(QStringLiteral("Layer 2"))); });
    document->recordHistory(QStringLiteral("New Layer"));
    document->undoHistory();
    EXPECT_TRUE(document->isEdited());
}

TEST(ImageDocument, DirtyStateFollowsSaveUndoAndRedo)
{
    QTemporaryDir dir;
    ImageDocument document(DocumentDefaults{8, 8});
    QSignalSpy stateSpy(&document, &ImageDocument::stateDidChange);
    QSignalSpy previewSpy(&document, &ImageDocument::previewDidChange);

    CanvasState added = document.state();
    added.layers.append(test::solidLayer(QStringLiteral("Layer 2")));
    document.commitState(std::move(added), QStringLiteral("New Layer"));
    EXPECT_TRUE(document.isEdited());
    EXPECT_EQ(stateSpy.count(), 1);

    const QString path = dir.filePath(QStringLiteral("a.velmaris"));
    QSignalSpy used(&document, &ImageDocument::fileWasUsed);
    ASSERT_FALSE(document.saveToFile(path, kNativeTypeName, SaveOperation::save));
    EXPECT_FALSE(document.isEdited());
    EXPECT_EQ(document.savedHistoryIndex(), 1);
    ASSERT_EQ(used.count(), 1);
    EXPECT_EQ(used[0][0].toString(), path);

    document.undoHistory();
    EXPECT_TRUE(document.isEdited());
    EXPECT_EQ(previewSpy.count(), 1);
    document.redoHistory();
    EXPECT_FALSE(document.isEdited());
    EXPECT_EQ(document.state().layers.size(), 2);

    // Jumping to the current entry does nothing and posts nothing.
    const int posted = stateSpy.count();
    document.jumpToHistory(document.history().currentIndex());
    EXPECT_EQ(stateSpy.count(), posted);

    // Autosaves leave the saved index alone.
    document.changeLiveState([&](CanvasState& state) { state.layers.removeLast(); });
    document.recordHistory(QStringLiteral("Delete Layer"));
    ASSERT_FALSE(document.saveToFile(dir.filePath(QStringLiteral("auto.velmaris")), kNativeTypeName,
                                     SaveOperation::autosave));
    EXPECT_EQ(document.savedHistoryIndex(), 1);
    EXPECT_TRUE(document.isEdited());
}

TEST(ImageDocument, AFlatFileOfLayersLeavesTheDocumentEdited)
{
    QTemporaryDir dir;
    ImageDocument document(DocumentDefaults{8, 8});
    document.changeLiveState([](CanvasState& state) { state.layers.append(test::solidLayer(QStringLiteral("Layer 2"))); });
    document.recordHistory(QStringLiteral("New Layer"));
    const QString native = dir.filePath(QStringLiteral("a.velmaris"));
    ASSERT_FALSE(document.saveToFile(native, kNativeTypeName, SaveOperation::save));
    EXPECT_FALSE(document.isEdited());

    // A flattened copy taken with Save To leaves the document's own file, and its clean state.
    ASSERT_FALSE(document.saveToFile(dir.filePath(QStringLiteral("copy.png")), kPng, SaveOperation::saveTo));
    EXPECT_FALSE(document.isEdited());

    // Saved as a flat file, the document belongs to it but the layers are in no file.
    QSignalSpy used(&document, &ImageDocument::fileWasUsed);
    const QString png = dir.filePath(QStringLiteral("a.png"));
    ASSERT_FALSE(document.saveToFile(png, kPng, SaveOperation::saveAs));
    EXPECT_EQ(document.filePath(), png);
    EXPECT_EQ(document.fileType(), kPng);
    EXPECT_EQ(used.count(), 1);
    EXPECT_TRUE(document.isEdited());
    document.undoHistory();
    EXPECT_TRUE(document.isEdited());  // the flat file does not hold the one-layer state either
    document.redoHistory();
    EXPECT_TRUE(document.shouldPromoteSave());
    ASSERT_FALSE(document.saveToFile(native, kNativeTypeName, SaveOperation::saveAs));
    EXPECT_FALSE(document.isEdited());
}

TEST(ImageDocument, LayeredExchangeTypesKeepLayersLikeTheNativeFormat)
{
    for (const QString& typeName : {kOpenRasterTypeName, kPSDTypeName}) {
        SCOPED_TRACE(typeName.toStdString());
        QTemporaryDir dir;
        ImageDocument document(DocumentDefaults{8, 8});
        document.changeLiveState([](CanvasState& state) {
            state.layers.append(test::solidLayer(QStringLiteral("Layer 2")));
            state.layers.last().blendMode = LayerBlendMode::screen;
        });
        document.recordHistory(QStringLiteral("New Layer"));
        const QString path = dir.filePath(QStringLiteral("a.") + documentTypeExtension(typeName));
        ASSERT_FALSE(document.saveToFile(path, typeName, SaveOperation::saveAs));
        EXPECT_EQ(document.fileType(), typeName);
        EXPECT_FALSE(document.isEdited());  // nothing was flattened
        EXPECT_FALSE(document.shouldPromoteSave());

        auto reopened = ImageDocument::fromFile(path, typeName, 10);
        ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ImageDocument>>(reopened));
        const CanvasState& state = std::get<std::unique_ptr<ImageDocument>>(reopened)->state();
        ASSERT_EQ(state.layers.size(), 2);
        EXPECT_EQ(state.layers[1].name, "Layer 2");
        EXPECT_EQ(state.layers[1].blendMode, LayerBlendMode::screen);
        // OpenRaster keeps this program's layer ids; PSD has no place for them.
        if (typeName == kOpenRasterTypeName) {
            EXPECT_EQ(state.layers[1].id, document.state().layers[1].id);
        }

        // Editable text: OpenRaster keeps it; PSD holds only its pixels, so the document stays
        // edited and the next Save offers the native format.
        document.commitState(
            [&] {
                CanvasState state = document.state();
                state.layers.append(test::textLayer(QStringLiteral("Title")));
                return state;
            }(),
            QStringLiteral("New Text Layer"));
        ASSERT_FALSE(document.saveToFile(path, typeName, SaveOperation::save));
        EXPECT_EQ(document.isEdited(), typeName == kPSDTypeName);
        EXPECT_EQ(document.shouldPromoteSave(), typeName == kPSDTypeName);
    }
}

TEST(ImageDocument, SavedIndexFollowsEntriesDroppedByTheLimit)
{
    QTemporaryDir dir;
    ImageDocument document(DocumentDefaults{8, 8, CanvasBackground::white, {}, 2});
    document.changeLiveState([&](CanvasState& state) { state.size = QSizeF(9, 9); });
    document.recordHistory(QStringLiteral("A"));
    ASSERT_FALSE(document.saveToFile(dir.filePath(QStringLiteral("a.png")), kPng, SaveOperation::save));
    EXPECT_EQ(document.savedHistoryIndex(), 1);
    document.changeLiveState([&](CanvasState& state) { state.size = QSizeF(10, 10); });
    document.recordHistory(QStringLiteral("B"));  // drops "New": "A" is now index 0
    EXPECT_EQ(document.savedHistoryIndex(), 0);
    document.undoHistory();
    EXPECT_FALSE(document.isEdited());
    document.redoHistory();
    document.changeLiveState([&](CanvasState& state) { state.size = QSizeF(11, 11); });
    document.recordHistory(QStringLiteral("C"));  // "A" is gone: no entry matches the file
    EXPECT_EQ(document.savedHistoryIndex(), -1);
    document.undoHistory();
    EXPECT_TRUE(document.isEdited());
}

TEST(ImageDocument, SavePromotionDecisions)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("one.png"));
    ImageDocument untitled(DocumentDefaults{4, 4});
    untitled.changeLiveState([&](CanvasState& state) { state.layers.append(test::solidLayer(QStringLiteral("Layer 2"))); });
    EXPECT_FALSE(untitled.shouldPromoteSave());  // no file yet: the ordinary save panel

    ImageDocument document(DocumentDefaults{4, 4});
    ASSERT_FALSE(document.saveToFile(png, kPng, SaveOperation::saveAs));
    document.changeLiveState([](CanvasState& state) {
        Layer& only = state.layers[0];
        only.blendMode = LayerBlendMode::multiply;
        only.effects.glow = GlowEffect{};
        only.isLocked = true;
    });
    EXPECT_FALSE(document.shouldPromoteSave());

    document.changeLiveState([](CanvasState& state) {
        state.layers[0].content = TextLayerAttributes{QStringLiteral("Hi"), QStringLiteral("DejaVu Sans"), 12, {}, {}};
    });
    EXPECT_TRUE(document.shouldPromoteSave());
    document.changeLiveState([&](CanvasState& state) { state.layers[0] = test::solidLayer(QStringLiteral("Background")); });
    document.changeLiveState([&](CanvasState& state) { state.layers.append(test::solidLayer(QStringLiteral("Layer 2"))); });
    EXPECT_TRUE(document.shouldPromoteSave());

    std::optional<bool> reported;
    document.beginPromotedSave([&](bool didSave) { reported = didSave; });
    EXPECT_TRUE(document.isPromotingSave());
    EXPECT_EQ(document.fileType(), kNativeTypeName);
    document.finishPromotedSave(false);  // the panel was cancelled
    EXPECT_EQ(reported, false);
    EXPECT_EQ(document.fileType(), kPng);
    EXPECT_FALSE(document.isPromotingSave());

    document.setFileType(kNativeTypeName);
    EXPECT_FALSE(document.shouldPromoteSave());
}

TEST(ImageDocument, FailedReadsAndWritesChangeNothing)
{
    QTemporaryDir dir;
    ImageDocument document(DocumentDefaults{5, 5});
    document.changeLiveState([&](CanvasState& state) { state.layers.append(test::solidLayer(QStringLiteral("Layer 2"))); });
    document.recordHistory(QStringLiteral("New Layer"));
    const CanvasState before = document.state();
    QSignalSpy stateSpy(&document, &ImageDocument::stateDidChange);
    QSignalSpy selectionSpy(&document, &ImageDocument::selectionDidChange);

    const std::optional<FileError> unreadable = document.read("not an image", kPng);
    ASSERT_TRUE(unreadable);
    EXPECT_EQ(*unreadable, FileError::imageUnreadable());
    EXPECT_TRUE(document.read("{\"formatVersion\": 1}", kNativeTypeName).has_value());
    EXPECT_EQ(document.state(), before);
    EXPECT_EQ(document.history().entries().size(), 2);
    EXPECT_EQ(stateSpy.count(), 0);
    EXPECT_EQ(selectionSpy.count(), 0);

    const auto unknown = document.write(QStringLiteral("public.nonsense"));
    ASSERT_TRUE(std::holds_alternative<FileError>(unknown));
    EXPECT_EQ(std::get<FileError>(unknown).code, 518);
    // The type is looked up before anything is composed: a canvas that cannot be drawn is
    // reported as such only for a type that would draw it.
    ImageDocument undrawable(DocumentDefaults{5, 5});
    undrawable.changeLiveState([](CanvasState& state) { state.size = QSizeF(0, 0); });
    EXPECT_EQ(std::get<FileError>(undrawable.write(QStringLiteral("public.nonsense"))).code, 518);
    EXPECT_EQ(std::get<FileError>(undrawable.write(kPng)), FileError::imageNotRendered());

    // A failed save leaves the file that was there before.
    const QString path = dir.filePath(QStringLiteral("keep.png"));
    ASSERT_FALSE(document.saveToFile(path, kPng, SaveOperation::saveAs));
    const QByteArray saved = readAll(path);
    EXPECT_TRUE(document.saveToFile(path, QStringLiteral("public.nonsense"), SaveOperation::save).has_value());
    EXPECT_TRUE(document.saveToFile(dir.filePath(QStringLiteral("missing/x.png")), kPng, SaveOperation::save));
    EXPECT_EQ(readAll(path), saved);
    EXPECT_EQ(document.filePath(), path);
}

TEST(ImageDocument, ReadingAFlatImageClearsTheSelectionAndStartsAnOpenHistory)
{
    QTemporaryDir dir;
    ImageDocument source(DocumentDefaults{6, 3});
    const QString path = dir.filePath(QStringLiteral("flat.png"));
    ASSERT_FALSE(source.saveToFile(path, kPng, SaveOperation::saveAs));

    ImageDocument document(DocumentDefaults{5, 5});
    document.setSelectionRect(QRectF(1, 1, 2, 2));
    document.setSelectionShape(SelectionShape::ellipse);
    QSignalSpy selectionSpy(&document, &ImageDocument::selectionDidChange);
    ASSERT_FALSE(document.readFromFile(path, kPng));
    EXPECT_EQ(document.state().size, QSizeF(6, 3));
    EXPECT_EQ(document.state().layers[0].name, QStringLiteral("Background"));
    EXPECT_EQ(document.selection(), DocumentSelection{});
    EXPECT_EQ(selectionSpy.count(), 2);  // the shape changed, and the rectangle is always announced
    EXPECT_EQ(document.history().entries()[0].name, QStringLiteral("Open"));
    EXPECT_FALSE(document.isEdited());

    // A document opened from the file starts from the file's canvas, announced once taken.
    auto opened = std::get<std::unique_ptr<ImageDocument>>(ImageDocument::fromFile(path));
    QSignalSpy used(opened.get(), &ImageDocument::fileWasUsed);
    EXPECT_EQ(opened->state().size, QSizeF(6, 3));
    EXPECT_EQ(opened->fileType(), kPng);
    EXPECT_EQ(opened->filePath(), path);
    EXPECT_EQ(opened->history().entries().size(), 1);
    EXPECT_TRUE(used.wait(1000));
    EXPECT_EQ(std::get<FileError>(ImageDocument::fromFile(dir.filePath(QStringLiteral("none.png")))).code, 259);
}

TEST(ImageDocument, ThumbnailsAndPrintLayout)
{
    CanvasState state;
    state.size = QSizeF(400, 100);
    state.layers.append(test::solidLayer(QStringLiteral("Background")));
    EXPECT_EQ(documentThumbnail(state)->size(), QSize(64, 16));
    // A large canvas is drawn from halved layers: the left half red, the right half a blue layer
    // placed by its origin, each side keeping its colour.
    state.size = QSizeF(3000, 1000);
    state.layers = {test::solidLayer("Red", 3000, 1000, {0, 0}, test::kRed),
                    test::solidLayer("Blue", 1500, 1000, {1500, 0}, test::kBlue)};
    const std::optional<Bitmap> large = documentThumbnail(state);
    ASSERT_TRUE(large);
    EXPECT_EQ(large->size(), QSize(64, 21));
    EXPECT_EQ(test::pixelAt(*large, 10, 10), test::kRed);
    EXPECT_EQ(test::pixelAt(*large, 54, 10), test::kBlue);
    EXPECT_EQ(printedImageRect(QSizeF(400, 100), QRectF(0, 0, 200, 200)), QRectF(0, 75, 200, 50));
    EXPECT_EQ(printedImageRect(QSizeF(10, 20), QRectF(10, 10, 100, 100)), QRectF(35, 10, 50, 100));
}

}  // namespace
}  // namespace velmaris

namespace velmaris {
namespace {

TEST(ImageDocument, DefaultsComeFromThePreferencesWithRegisteredFallbacks)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("p.ini")), QSettings::IniFormat);
    Preferences preferences(&settings);
    Preferences::registerDefaults();
    const StoredColor green{0, 1, 0, 1};
    DocumentDefaults defaults = documentDefaults(preferences, green);
    EXPECT_EQ(QSizeF(defaults.width, defaults.height), QSizeF(defaults::canvasWidth, defaults::canvasHeight));
    EXPECT_EQ(defaults.background, CanvasBackground::white);
    EXPECT_EQ(defaults.historyLimit, defaults::historyLimit);

    preferences.setValue(QString::fromLatin1(PreferenceName::defaultCanvasWidth), 0);
    preferences.setValue(QString::fromLatin1(PreferenceName::defaultCanvasHeight), 30);
    preferences.setValue(QString::fromLatin1(PreferenceName::defaultCanvasBackground), 2);
    preferences.setValue(QString::fromLatin1(PreferenceName::historyLimit), 1);
    defaults = documentDefaults(preferences, green);
    EXPECT_EQ(defaults.historyLimit, 2);
    const ImageDocument document(defaults);
    EXPECT_EQ(document.state().size, QSizeF(defaults::canvasWidth, 30));  // a width not above 0 is the default
    EXPECT_EQ(test::pixelAt(*document.state().layers[0].bitmap(), 0, 0), (test::Rgba{0, 255, 0, 255}));
    EXPECT_EQ(document.history().limit(), 2);
}

}  // namespace
}  // namespace velmaris
