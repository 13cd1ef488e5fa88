#include "document/ImageDocument.h"

#include "TestImages.h"
#include "document/TestDocuments.h"
#include "files/DocumentType.h"
#include "files/OpenImageFile.h"

#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

const QString kPng = QStringLiteral("public.png");

// Records a new entry whose canvas width tells the entries apart.
void edit(ImageDocument& document, double width)
{
    CanvasState state = document.state();
    state.size.setWidth(width);
    document.commitState(std::move(state), QStringLiteral("Edit %1").arg(width));
}

// Equal states, bitmaps compared by their pixels rather than by identity.
bool samePicture(const CanvasState& read, CanvasState expected)
{
    if (read.layers.size() != expected.layers.size())
        return false;
    for (qsizetype i = 0; i < read.layers.size(); ++i) {
        const Bitmap* pixels = read.layers[i].bitmap();
        const Bitmap* wanted = expected.layers[i].bitmap();
        if (pixels && wanted) {
            if (!test::samePixels(*pixels, *wanted))
                return false;
            expected.layers[i].content = *pixels;
        }
    }
    return read == expected;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DocumentSaving, AnEditAfterUndoingPastTheSaveLeavesTheDocumentEdited)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));

    // save → undo → edit: the saved entry was a redo entry and is gone.
    ImageDocument once(DocumentDefaults{8, 8});
    edit(once, 9);
    ASSERT_FALSE(once.saveToFile(path, kPng, SaveOperation::save));
    once.undoHistory();
    edit(once, 10);
    EXPECT_EQ(once.savedHistoryIndex(), -1);
    EXPECT_TRUE(once.isEdited());
    once.undoHistory();  // back at "New", which the file does not hold either
    EXPECT_TRUE(once.isEdited());

    // save → undo twice → two edits: the second edit lands on the saved index again.
    ImageDocument twice(DocumentDefaults{8, 8});
    edit(twice, 9);
    edit(twice, 10);
    ASSERT_FALSE(twice.saveToFile(path, kPng, SaveOperation::save));
    ASSERT_EQ(twice.savedHistoryIndex(), 2);
    twice.undoHistory();
    twice.undoHistory();
    edit(twice, 11);
    edit(twice, 12);
    EXPECT_EQ(twice.history().currentIndex(), 2);
    EXPECT_EQ(twice.savedHistoryIndex(), -1);
    EXPECT_TRUE(twice.isEdited());

    // Undoing to the saved entry and redoing keep it: only a new edit drops the redo entries.
    ImageDocument kept(DocumentDefaults{8, 8});
    edit(kept, 9);
    ASSERT_FALSE(kept.saveToFile(path, kPng, SaveOperation::save));
    edit(kept, 10);
    kept.undoHistory();
    EXPECT_FALSE(kept.isEdited());
    kept.redoHistory();
    kept.undoHistory();
    edit(kept, 11);  // drops only "Edit 10"
    EXPECT_EQ(kept.savedHistoryIndex(), 1);
}

TEST(DocumentSaving, ABackgroundSaveWritesTheSnapshotWhileTheUserKeepsEditing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.velmaris"));
    // Big enough that encoding takes many milliseconds.
    auto document = test::documentWith({test::solidLayer(QStringLiteral("Layer"), 1500, 1500)}, QSizeF(1500, 1500));
    CanvasState noisy = document->state();
    noisy.layers[0].content = test::randomBitmap(1500, 1500, 7);
    document->commitState(noisy, QStringLiteral("Noise"));
    const CanvasState snapshot = document->state();

    QSignalSpy pathChanges(document.get(), &ImageDocument::filePathDidChange);
    QSignalSpy typeChanges(document.get(), &ImageDocument::fileTypeDidChange);
    QSignalSpy used(document.get(), &ImageDocument::fileWasUsed);
    std::optional<std::optional<FileError>> reported;
    document->saveInBackground(path, kNativeTypeName, SaveOperation::saveAs,
                               [&](const std::optional<FileError>& error) { reported = error; });
    EXPECT_TRUE(document->isSaving());
    edit(*document, 700);  // the user goes on while the worker encodes

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);
    document->waitForBackgroundSaves();
    ticker.stop();

    ASSERT_TRUE(reported);
    EXPECT_FALSE(*reported);
    EXPECT_GT(ticks, 0);  // the event loop kept turning
    EXPECT_EQ(document->savedHistoryIndex(), 1);  // the snapshot's entry, not the current one
    EXPECT_TRUE(document->isEdited());
    EXPECT_EQ(document->filePath(), path);
    EXPECT_EQ(pathChanges.count(), 1);
    EXPECT_EQ(typeChanges.count(), 1);
    ASSERT_EQ(used.count(), 1);
    EXPECT_EQ(used[0][1].value<CanvasState>(), snapshot);
    const auto written = std::get<NativeDocument>(readDocumentFile(path));
    EXPECT_TRUE(samePicture(written.state, snapshot));
    document->undoHistory();
    EXPECT_FALSE(document->isEdited());
}

TEST(DocumentSaving, BackgroundSavesRunInOrderAndAFailedOneChangesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    ImageDocument document(DocumentDefaults{40, 30});
    ASSERT_FALSE(document.saveToFile(path, kPng, SaveOperation::saveAs));
    const QByteArray before = readAll(path);
    edit(document, 50);

    QStringList order;
    std::optional<FileError> failure;
    document.saveInBackground(path, QStringLiteral("public.nonsense"), SaveOperation::save,
                              [&](const std::optional<FileError>& error) {
                                  order << QStringLiteral("unknown type");
                                  failure = error;
                              });
    document.saveInBackground(dir.filePath(QStringLiteral("missing/b.png")), kPng, SaveOperation::saveTo,
                              [&](const std::optional<FileError>& error) {
                                  order << QStringLiteral("missing folder");
                                  EXPECT_TRUE(error);
                                  EXPECT_EQ(error->code, FileError::kWriteUnknown);
                                  EXPECT_TRUE(error->message.startsWith("The file could not be saved: "));
                              });
    document.saveInBackground(dir.filePath(QStringLiteral("c.png")), kPng, SaveOperation::saveTo,
                              [&](const std::optional<FileError>& error) {
                                  order << QStringLiteral("saved");
                                  EXPECT_FALSE(error);
                              });
    document.waitForBackgroundSaves();
    EXPECT_EQ(order, (QStringList{"unknown type", "missing folder", "saved"}));

    // A write-protected file is left as it is, and the save says why.
    const QString kept = dir.filePath(QStringLiteral("c.png"));
    const QByteArray keptBytes = readAll(kept);
    ASSERT_TRUE(QFile::setPermissions(kept, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    EXPECT_EQ(document.saveToFile(kept, kPng, SaveOperation::saveTo),
              (FileError{FileError::kWriteUnknown, QStringLiteral("The file could not be saved: Permission denied")}));
    EXPECT_EQ(readAll(kept), keptBytes);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, FileError::kWriteUnsupportedType);
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(document.filePath(), path);  // save-to keeps the document's own file
    EXPECT_FALSE(document.isEdited());     // ... and the saved copy holds the current entry

    // The user undoes past the snapshot and edits while it is written: nothing matches the file.
    edit(document, 60);
    document.saveInBackground(path, kPng, SaveOperation::save);
    document.undoHistory();
    edit(document, 70);
    document.waitForBackgroundSaves();
    EXPECT_EQ(document.savedHistoryIndex(), -1);
    EXPECT_TRUE(document.isEdited());

    // A save that finishes after its document is gone is dropped quietly.
    auto doomed = std::make_unique<ImageDocument>(DocumentDefaults{400, 400});
    doomed->saveInBackground(dir.filePath(QStringLiteral("d.png")), kPng, SaveOperation::save);
    QPointer<ImageDocument> guard(doomed.get());
    doomed.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_TRUE(guard.isNull());
    EXPECT_FALSE(readAll(dir.filePath(QStringLiteral("d.png"))).isEmpty());
}

TEST(DocumentSaving, AutosaveEncodesOnlyTheLayersThatChanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("auto.velmaris"));
    auto document = test::documentWith({test::solidLayer(QStringLiteral("Layer"), 64, 64), test::solidLayer(QStringLiteral("Layer"), 32, 32),
                                         test::textLayer(QStringLiteral("Hi"), {}, 12)},
                                        QSizeF(64, 64));
    const auto encoded = [&] { return document->encodedLayerCache().encodedLayerCount(); };
    ASSERT_FALSE(document->saveToFile(path, kNativeTypeName, SaveOperation::autosave));
    EXPECT_EQ(encoded(), 2);  // the text layer has no pixels to encode

    CanvasState moved = document->state();
    moved.layers[0].origin = QPointF(5, 5);
    document->commitState(moved, QStringLiteral("Move"));
    document->saveInBackground(path, kNativeTypeName, SaveOperation::autosave);
    document->waitForBackgroundSaves();
    EXPECT_EQ(encoded(), 2);  // moving a layer keeps its bitmap

    CanvasState painted = document->state();
    painted.layers[1].content = test::randomBitmap(32, 32, 1);
    document->commitState(painted, QStringLiteral("Paint"));
    ASSERT_FALSE(document->saveToFile(path, kNativeTypeName, SaveOperation::autosave));
    EXPECT_EQ(encoded(), 3);
    EXPECT_TRUE(samePicture(std::get<NativeDocument>(readDocumentFile(path)).state, document->state()));
    EXPECT_EQ(document->savedHistoryIndex(), 0);  // autosaves leave the saved index alone
}

}  // namespace
}  // namespace velmaris
