#include "document/DocumentSaveQueue.h"

#include "document/ImageDocument.h"
#include "files/DocumentType.h"
#include "files/FlatImageFile.h"
#include "files/LayeredDocument.h"
#include "platform/AtomicWrite.h"
#include "render/BackgroundPriority.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

namespace velmaris {

FileResult<QByteArray> writeDocumentSnapshot(const NativeDocument& snapshot, const QString& typeName,
                                             VelmarisImageFormat::EncodedLayerCache* cache)
{
    if (isNativeType(typeName))
        return writeNativeDocument(snapshot, cache);
    if (const std::optional<LayeredFormat> format = layeredFormatForTypeName(typeName))
        return writeLayeredDocument(snapshot, *format);
    const std::optional<ImageType> type = imageTypeForTypeName(typeName);
    if (!type)
        return FileError::unsupportedType();
    return writeFlatImage(snapshot.state, *type);
}

DocumentSaveQueue::DocumentSaveQueue(ImageDocument& document) : document_(document) {}

DocumentSaveQueue::~DocumentSaveQueue() = default;

DocumentSaveQueue::SaveJob DocumentSaveQueue::saveJob(const QString& path, const QString& typeName,
                                                      SaveOperation operation) const
{
    return SaveJob{NativeDocument{document_.state(), document_.selection()}, document_.history().currentIndex(),
                   path, typeName, operation, {}};
}

std::optional<FileError> DocumentSaveQueue::performSave(const SaveJob& job,
                                                        VelmarisImageFormat::EncodedLayerCache* cache)
{
    const FileResult<QByteArray> bytes = writeDocumentSnapshot(job.snapshot, job.typeName, cache);
    if (const auto* error = std::get_if<FileError>(&bytes))
        return *error;
    if (const std::optional<QString> reason = writeFileAtomically(job.path, std::get<QByteArray>(bytes)))
        return FileError{FileError::kWriteUnknown, QStringLiteral("The file could not be saved: %1").arg(*reason)};
    return std::nullopt;
}

void DocumentSaveQueue::finishSave(const SaveJob& job, const std::optional<FileError>& error)
{
    if (error || job.operation == SaveOperation::autosave)
        return;
    document_.markSaved(job.path, job.typeName, job.operation, job.historyIndex, job.snapshot.state);
}

std::optional<FileError> DocumentSaveQueue::saveNow(const QString& path, const QString& typeName,
                                                    SaveOperation operation)
{
    waitForBackgroundSaves();
    const SaveJob job = saveJob(path, typeName, operation);
    const std::optional<FileError> error = performSave(job, encodedLayers_.get());
    finishSave(job, error);
    return error;
}

void DocumentSaveQueue::saveInBackground(const QString& path, const QString& typeName, SaveOperation operation,
                                         SaveCompletion completion)
{
    SaveJob job = saveJob(path, typeName, operation);
    job.completion = std::move(completion);
    saves_.push_back(std::move(job));
    if (saves_.size() == 1)
        startNextBackgroundSave();
}

void DocumentSaveQueue::followHistory(const std::function<int(int)>& follow)
{
    for (SaveJob& job : saves_)
        job.historyIndex = follow(job.historyIndex);
}

void DocumentSaveQueue::startNextBackgroundSave()
{
    if (saves_.empty())
        return;
    // The worker writes its own copy; the queued job's index keeps following the history.
    SaveJob job = saves_.front();
    job.completion = {};
    QPointer<DocumentSaveQueue> self(this);
    startInBackground([job = std::move(job), cache = encodedLayers_, self]() mutable {
        const std::optional<FileError> error = performSave(job, cache.get());
        // The document may be gone by the time the result arrives; the guard is only read there.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self = std::move(self), error] {
                if (self)
                    self->finishBackgroundSave(error);
            },
            Qt::QueuedConnection);
    }, BackgroundCores::allButOne);
}

void DocumentSaveQueue::finishBackgroundSave(const std::optional<FileError>& error)
{
    if (saves_.empty())
        return;
    SaveJob job = std::move(saves_.front());
    saves_.pop_front();
    finishSave(job, error);
    // The next save starts first: a completion that waits for the saves must not wait forever.
    startNextBackgroundSave();
    if (job.completion)
        job.completion(error);
    Q_EMIT backgroundSaveDidFinish();
}

void DocumentSaveQueue::waitForBackgroundSaves()
{
    while (!saves_.empty()) {
        QEventLoop loop;
        connect(this, &DocumentSaveQueue::backgroundSaveDidFinish, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

}  // namespace velmaris
