#include "document/DocumentController.h"

#include "QtWait.h"

#include "TestImages.h"
#include "document/TestDocuments.h"
#include "files/DocumentType.h"
#include "files/NativeDocumentFile.h"

#include "platform/RecentImagesStore.h"

#include <QFileInfo>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

TEST(DocumentController, AutosavesEditedDocumentsAndOffersThemBackAfterACrash)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("autosave"));
    const QString original = dir.filePath(QStringLiteral("picture.png"));
    QUuid layerID;
    {
        DocumentController session(folder);
        ImageDocument* clean = session.addDocument(std::make_unique<ImageDocument>(DocumentDefaults{4, 4}));
        ImageDocument* edited = session.addDocument(std::make_unique<ImageDocument>(DocumentDefaults{4, 4}));
        ASSERT_FALSE(edited->saveToFile(original, QStringLiteral("public.png"), SaveOperation::saveAs));
        Layer layer;
        layer.name = QStringLiteral("Layer 2");
        layer.content = test::solidBitmap(2, 2, {0, 0, 255, 255});
        layerID = layer.id;
        edited->changeLiveState([&](CanvasState& state) { state.layers.append(layer); });
        edited->recordHistory(QStringLiteral("New Layer"));

        EXPECT_EQ(session.autosaveEditedDocuments(), 1);
        EXPECT_TRUE(edited->isSaving());
        session.waitForSaves();
        EXPECT_EQ(edited->savedHistoryIndex(), 0);
        EXPECT_TRUE(edited->isEdited());
        EXPECT_FALSE(clean->isEdited());
        EXPECT_TRUE(session.recoverableDocuments().isEmpty());  // open documents are not offered
        // The session ends without closing its documents, as a crash would.
    }

    DocumentController nextLaunch(folder);
    const QVector<RecoverableDocument> recoverable = nextLaunch.recoverableDocuments();
    ASSERT_EQ(recoverable.size(), 1);
    EXPECT_EQ(recoverable[0].originalPath, original);
    const FileResult<ImageDocument*> reopened = nextLaunch.reopenRecovered(recoverable[0]);
    ASSERT_TRUE(std::holds_alternative<ImageDocument*>(reopened));
    ImageDocument* document = std::get<ImageDocument*>(reopened);
    ASSERT_EQ(document->state().layers.size(), 2);
    EXPECT_EQ(document->state().layers[1].id, layerID);
    EXPECT_EQ(document->filePath(), original);
    EXPECT_TRUE(document->isEdited());
    EXPECT_TRUE(nextLaunch.recoverableDocuments().isEmpty());

    nextLaunch.closeDocument(document);
    EXPECT_TRUE(nextLaunch.recoverableDocuments().isEmpty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

TEST(DocumentController, OpeningTheSameFileTwiceGivesOneDocumentAndBadFilesGiveTheReadError)
{
    QTemporaryDir dir;
    DocumentController controller(dir.filePath(QStringLiteral("autosave")));
    const QString path = dir.filePath(QStringLiteral("a.png"));
    ImageDocument source(DocumentDefaults{3, 3});
    ASSERT_FALSE(source.saveToFile(path, QStringLiteral("public.png"), SaveOperation::saveTo));

    const auto first = controller.openDocument(path);
    const auto second = controller.openDocument(path);
    ASSERT_TRUE(std::holds_alternative<ImageDocument*>(first));
    EXPECT_EQ(std::get<ImageDocument*>(first), std::get<ImageDocument*>(second));
    EXPECT_EQ(controller.documents().size(), 1u);

    QFile bad(dir.filePath(QStringLiteral("bad.velmaris")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{\"formatVersion\":2,\"width\":1,\"height\":1,\"layers\":[]}");
    bad.close();
    EXPECT_TRUE(std::holds_alternative<FileError>(controller.openDocument(bad.fileName())));
    EXPECT_TRUE(std::holds_alternative<FileError>(controller.openDocument(dir.filePath(QStringLiteral("none.png")))));
    EXPECT_EQ(controller.documents().size(), 1u);
}

TEST(DocumentController, BackgroundOpensShareOneReadReportErrorsAndOutliveNoController)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    ImageDocument source(DocumentDefaults{5, 4});
    ASSERT_FALSE(source.saveToFile(path, QStringLiteral("public.png"), SaveOperation::saveTo));

    DocumentController controller(dir.filePath(QStringLiteral("autosave")));
    QVector<FileResult<ImageDocument*>> results;
    const auto collect = [&](const FileResult<ImageDocument*>& opened) { results.append(opened); };
    controller.openDocumentInBackground(path, collect);
    controller.openDocumentInBackground(path, collect);
    EXPECT_TRUE(controller.isOpeningDocuments());
    EXPECT_TRUE(results.isEmpty()) << "the read runs on a worker";
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 2; }));
    ASSERT_TRUE(std::holds_alternative<ImageDocument*>(results[0]));
    EXPECT_EQ(std::get<ImageDocument*>(results[0]), std::get<ImageDocument*>(results[1]));
    EXPECT_EQ(std::get<ImageDocument*>(results[0])->state().size, QSizeF(5, 4));
    EXPECT_EQ(controller.documents().size(), 1u);
    EXPECT_FALSE(controller.isOpeningDocuments());

    controller.openDocumentInBackground(dir.filePath(QStringLiteral("none.png")), collect);
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 3; }));
    EXPECT_TRUE(std::holds_alternative<FileError>(results[2]));
    EXPECT_EQ(controller.documents().size(), 1u);

    bool calledBack = false;
    {
        DocumentController gone(dir.filePath(QStringLiteral("autosave2")));
        gone.openDocumentInBackground(path, [&](const FileResult<ImageDocument*>&) { calledBack = true; });
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(calledBack);
}

TEST(DocumentController, AnnouncesDocumentsAndRecordsTheFilesTheyUse)
{
    QTemporaryDir dir;
    DocumentController controller(dir.filePath(QStringLiteral("autosave")));
    QSignalSpy added(&controller, &DocumentController::documentAdded);
    QSignalSpy closed(&controller, &DocumentController::documentClosed);
    const QString path = dir.filePath(QStringLiteral("wide.png"));
    ImageDocument source(DocumentDefaults{80, 20});
    ASSERT_FALSE(source.saveToFile(path, QStringLiteral("public.png"), SaveOperation::saveTo));
    QFile::remove(*RecentImagesStore::thumbnailPath(path));

    QSignalSpy recent(&RecentImagesStore::shared(), &RecentImagesStore::recentImagesDidChange);
    ImageDocument* opened = std::get<ImageDocument*>(controller.openDocument(path));
    ASSERT_EQ(added.count(), 1);
    EXPECT_EQ(added[0][0].value<ImageDocument*>(), opened);
    ASSERT_TRUE(recent.wait(1000));  // recorded once the open has returned
    EXPECT_EQ(RecentImagesStore::shared().paths().value(0), path);
    QThreadPool::globalInstance()->waitForDone();  // the thumbnail is written off the main thread
    EXPECT_EQ(QImage(*RecentImagesStore::thumbnailPath(path)).size(), QSize(64, 16));

    const QString copy = dir.filePath(QStringLiteral("copy.png"));
    ASSERT_FALSE(opened->saveToFile(copy, QStringLiteral("public.png"), SaveOperation::saveAs));
    EXPECT_EQ(RecentImagesStore::shared().paths().value(0), copy);

    QPointer<ImageDocument> guard(opened);
    controller.closeDocument(opened);
    ASSERT_EQ(closed.count(), 1);
    EXPECT_TRUE(controller.documents().empty());
    EXPECT_FALSE(guard.isNull());  // still there for the events already queued for it
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());

    // Closed while its autosave is being written: the autosave goes once it is written.
    ImageDocument* edited = controller.addDocument(std::make_unique<ImageDocument>(DocumentDefaults{600, 600}));
    edited->commitState(edited->state(), QStringLiteral("Edit"));
    ASSERT_EQ(controller.autosaveEditedDocuments(), 1);
    guard = edited;
    controller.closeDocument(edited);
    while (!guard.isNull()) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(QDir(controller.autosaveFolder()).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace velmaris

namespace velmaris {
namespace {

// A native file of a random bitmap layer under a text layer, and what a whole read of it gives.
QString writeTwoLayerFile(const QTemporaryDir& dir, const QString& name)
{
    ImageDocument source(DocumentDefaults{40, 30});
    CanvasState state = source.state();
    state.layers = {test::bitmapLayer(test::randomBitmap(40, 30, 7), {}, QStringLiteral("Photo"))};
    Layer text;
    text.name = QStringLiteral("Title");
    text.content = TextLayerAttributes{QStringLiteral("Hi"), QStringLiteral("DejaVu Sans"), 12, StoredColor{0, 0, 0, 1}, {}};
    state.layers.append(text);
    source.commitState(std::move(state), QStringLiteral("Setup"));
    const QString path = dir.filePath(name);
    EXPECT_FALSE(source.saveToFile(path, kNativeTypeName, SaveOperation::saveTo));
    return path;
}

TEST(DocumentController, NativeDocumentsOpenFromTheirOutlineAndTheirPixelsFollow)
{
    QTemporaryDir dir;
    const QString path = writeTwoLayerFile(dir, QStringLiteral("two.velmaris"));
    DocumentController controller(dir.filePath(QStringLiteral("autosave")));
    ImageDocument* opened = nullptr;
    bool waitedAtFirst = false;
    controller.openDocumentInBackground(path, [&](const FileResult<ImageDocument*>& result) {
        opened = std::get<ImageDocument*>(result);
        waitedAtFirst = opened->isWaitingForLayers();
        EXPECT_TRUE(opened->state().layers[0].bitmap()->isNull()) << "the window opens before the pixels";
        EXPECT_EQ(opened->state().layers[1].name, QStringLiteral("Title"));
    });
    ASSERT_TRUE(test::waitUntil([&] { return opened && !opened->isWaitingForLayers(); }));
    EXPECT_TRUE(waitedAtFirst);
    const auto whole = ImageDocument::fromFile(path);
    const auto asWritten = [](const ImageDocument& document) {
        return std::get<QByteArray>(writeNativeDocument(NativeDocument{document.state(), document.selection()}));
    };
    EXPECT_EQ(asWritten(*opened), asWritten(*std::get<std::unique_ptr<ImageDocument>>(whole)));
    EXPECT_EQ(opened->history().entries().size(), 1);
    EXPECT_FALSE(opened->isEdited());

    // Pixels that turn out to be broken after the outline was read: the document is reported, never
    // filled with anything.
    const QString brokenPath = dir.filePath(QStringLiteral("broken.velmaris"));
    test::writeNativeFileWithRuinedPixels(brokenPath);
    std::optional<FileError> failure;
    ImageDocument* failedDocument = nullptr;
    QObject::connect(&controller, &DocumentController::layersFailedToLoad,
                     [&](ImageDocument* document, const QString&, const FileError& error) {
                         failedDocument = document;
                         failure = error;
                     });
    ImageDocument* brokenDocument = nullptr;
    controller.openDocumentInBackground(brokenPath, [&](const FileResult<ImageDocument*>& result) {
        brokenDocument = std::get<ImageDocument*>(result);
    });
    ASSERT_TRUE(test::waitUntil([&] { return failure.has_value(); }));
    EXPECT_EQ(failedDocument, brokenDocument);
    EXPECT_EQ(failure->message, FileError::imageUnreadable().message);
    EXPECT_TRUE(brokenDocument->isWaitingForLayers());
    QThreadPool::globalInstance()->waitForDone();  // the recent-images thumbnail lays out the text
}

}  // namespace
}  // namespace velmaris
