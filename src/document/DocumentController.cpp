#include "document/DocumentController.h"

#include "files/DocumentType.h"
#include "files/OpenImageFile.h"
#include "files/ImageEncoder.h"
#include "files/InputFile.h"
#include "files/NativeDocumentFile.h"
#include "platform/AtomicWrite.h"
#include "platform/CurrentColorStore.h"
#include "platform/FileDialogFolders.h"
#include "platform/Preferences.h"
#include "platform/RecentImagesStore.h"
#include "render/BackgroundPriority.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QStandardPaths>
#include <QThreadPool>

#include <algorithm>

namespace velmaris {

namespace {

// Beside each autosaved document: where it came from, so recovery can restore its file name.
QString sidecarPath(const QString& autosavePath)
{
    return autosavePath + QStringLiteral(".json");
}

// Documents read their settings (the history depth among them) when they are created.
DocumentDefaults currentDocumentDefaults()
{
    return documentDefaults(Preferences(), CurrentColorStore::shared().color());
}

QString lockPath(const QString& autosavePath)
{
    return autosavePath + QStringLiteral(".lock");
}

// The lock of an autosave, or nothing while a running process holds it. A lock whose process is
// gone is taken over.
std::shared_ptr<QLockFile> lockAutosave(const QString& autosavePath)
{
    auto lock = std::make_shared<QLockFile>(lockPath(autosavePath));
    // Only the owner's end makes a lock stale, never its age: a session may run for days.
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? lock : nullptr;
}

QString defaultAutosaveFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Velmaris Images/Autosave");
}

}  // namespace

DocumentController::DocumentController(const QString& autosaveFolder, QObject* parent)
    : QObject(parent), autosaveFolder_(autosaveFolder.isEmpty() ? defaultAutosaveFolder() : autosaveFolder)
{
    connect(&autosaveTimer_, &QTimer::timeout, this, [this] { autosaveEditedDocuments(); });
}

DocumentController::~DocumentController() = default;

ImageDocument* DocumentController::addDocument(std::unique_ptr<ImageDocument> document)
{
    return addDocument(std::move(document), QUuid::createUuid(), nullptr);
}

ImageDocument* DocumentController::addDocument(std::unique_ptr<ImageDocument> document, const QUuid& autosaveID,
                                               std::shared_ptr<QLockFile> autosaveLock)
{
    ImageDocument* added = document.get();
    open_.push_back({std::move(document), autosaveID, std::move(autosaveLock)});
    connect(added, &ImageDocument::fileWasUsed, this, &DocumentController::recordFileUse);
    Q_EMIT documentAdded(added);
    return added;
}

void DocumentController::recordFileUse(const QString& path, const CanvasState& state)
{
    RecentImagesStore::shared().add(path);
    rememberFileFolder(path);
    // Composing, scaling and encoding the thumbnail take long enough to be felt; the list shows
    // the file at once and its picture when it is written.
    startInBackground([path, state] {
        const std::optional<Bitmap> thumbnail = documentThumbnail(state);
        const std::optional<QString> location = RecentImagesStore::thumbnailPath(path);
        // Only a regular file (or none) is replaced: writing into a pipe would wait for a reader,
        // and quitting for this thread.
        if (!thumbnail || !location || (QFileInfo::exists(*location) && !QFileInfo(*location).isFile()))
            return;
        if (const std::optional<QByteArray> png = encodeImageData(*thumbnail, ImageType::png, std::nullopt))
            writeFileAtomically(*location, *png);
    }, BackgroundCores::allButOne);
}

FileResult<ImageDocument*> DocumentController::openDocument(const QString& path)
{
    const QString canonical = QFileInfo(path).absoluteFilePath();
    for (const OpenDocument& open : open_)
        if (open.document->filePath() == canonical)
            return open.document.get();
    const std::optional<QString> typeName = typeNameForPath(canonical);
    // Unknown extensions are offered to the image decoder, which recognises content.
    FileResult<std::unique_ptr<ImageDocument>> document = ImageDocument::fromFile(
        canonical, typeName.value_or(typeNameForImageType(ImageType::png)), currentDocumentDefaults().historyLimit);
    if (const auto* error = std::get_if<FileError>(&document))
        return *error;
    return addDocument(std::move(std::get<std::unique_ptr<ImageDocument>>(document)));
}

void DocumentController::openDocumentInBackground(const QString& path, OpenCompletion completion)
{
    const QString canonical = QFileInfo(path).absoluteFilePath();
    for (const OpenDocument& open : open_) {
        if (open.document->filePath() == canonical) {
            completion(open.document.get());
            return;
        }
    }
    QVector<OpenCompletion>& waiting = pendingOpens_[canonical];
    waiting.append(std::move(completion));
    if (waiting.size() > 1)
        return;
    // Unknown extensions are offered to the image decoder, which recognises content.
    const QString typeName = typeNameForPath(canonical).value_or(typeNameForImageType(ImageType::png));
    QPointer<DocumentController> controller(this);
    // Posted to the application object, so the steps run in order on its thread.
    const auto onMainThread = [](auto step) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(step));
    };
    QThreadPool::globalInstance()->start([controller, canonical, typeName, onMainThread] {
        if (!isNativeType(typeName)) {
            FileResult<NativeDocument> read = readDocumentFile(canonical, typeName);
            onMainThread([controller, canonical, typeName, read = std::move(read)]() mutable {
                if (controller)
                    controller->finishBackgroundOpen(canonical, typeName, std::move(read));
            });
            return;
        }
        // A native document's window opens from its outline; the layers' pixels follow.
        FileResult<NativeOutline> outline = FileError{};
        const FileResult<InputBytes> data = mapInputFile(canonical);
        if (const auto* error = std::get_if<FileError>(&data))
            outline = *error;
        else
            outline = readNativeDocumentOutline(std::get<InputBytes>(data));
        const auto* read = std::get_if<NativeOutline>(&outline);
        auto opened = std::make_shared<QPointer<ImageDocument>>();
        onMainThread([controller, canonical, typeName, opened, outline]() mutable {
            if (!controller)
                return;
            if (auto* read = std::get_if<NativeOutline>(&outline))
                *opened = controller->finishOutlineOpen(canonical, typeName, std::move(read->document));
            else
                controller->finishBackgroundOpen(canonical, typeName, std::get<FileError>(outline));
        });
        if (!read)
            return;
        FileResult<QVector<Bitmap>> pixels = decodeNativeLayerPixels(*read);
        onMainThread([controller, opened, pixels = std::move(pixels)] {
            if (controller && *opened)
                controller->finishLoadingLayers(*opened, pixels);
        });
    });
}

void DocumentController::finishBackgroundOpen(const QString& path, const QString& typeName,
                                              FileResult<NativeDocument> read)
{
    FileResult<ImageDocument*> opened = FileError{};
    if (const FileError* error = std::get_if<FileError>(&read)) {
        opened = *error;
    } else {
        opened = addDocument(ImageDocument::fromReadFile(std::move(std::get<NativeDocument>(read)), path, typeName,
                                                         currentDocumentDefaults().historyLimit));
    }
    for (const OpenCompletion& completion : pendingOpens_.take(path))
        completion(opened);
}

ImageDocument* DocumentController::finishOutlineOpen(const QString& path, const QString& typeName,
                                                     NativeDocument outline)
{
    ImageDocument* opened = addDocument(
        ImageDocument::fromOutline(std::move(outline), path, typeName, currentDocumentDefaults().historyLimit));
    for (const OpenCompletion& completion : pendingOpens_.take(path))
        completion(opened);
    return opened;
}

void DocumentController::finishLoadingLayers(ImageDocument* document, const FileResult<QVector<Bitmap>>& pixels)
{
    if (const auto* error = std::get_if<FileError>(&pixels)) {
        Q_EMIT layersFailedToLoad(document, document->filePath(), *error);
        return;
    }
    document->finishLoadingLayers(std::get<QVector<Bitmap>>(pixels));
}

void DocumentController::closeDocument(ImageDocument* document)
{
    const auto found = std::find_if(open_.begin(), open_.end(),
                                    [document](const OpenDocument& open) { return open.document.get() == document; });
    if (found == open_.end())
        return;
    const QUuid autosaveID = found->autosaveID;
    // Released once the autosave is gone.
    std::shared_ptr<QLockFile> lock = std::move(found->autosaveLock);
    ImageDocument* closed = found->document.release();
    open_.erase(found);
    Q_EMIT documentClosed(closed);
    if (closed->isSaving()) {
        // Its saves finish first: an autosave written after the removal would be offered back
        // at the next launch as if the session had crashed.
        connect(closed, &ImageDocument::backgroundSaveDidFinish, this, [this, closed, autosaveID, lock]() mutable {
            if (closed->isSaving())
                return;
            removeAutosave(autosaveID);
            lock.reset();
            closed->deleteLater();
        });
        return;
    }
    removeAutosave(autosaveID);
    closed->deleteLater();
}

std::vector<ImageDocument*> DocumentController::documents() const
{
    std::vector<ImageDocument*> result;
    for (const OpenDocument& open : open_)
        result.push_back(open.document.get());
    return result;
}

QString DocumentController::autosavePath(const QUuid& id) const
{
    return autosaveFolder_ + QLatin1Char('/') + id.toString(QUuid::WithoutBraces) + QLatin1Char('.')
        + kNativeExtension;
}

void DocumentController::removeAutosave(const QUuid& id) const
{
    QFile::remove(autosavePath(id));
    QFile::remove(sidecarPath(autosavePath(id)));
}

int DocumentController::autosaveEditedDocuments()
{
    if (!QDir().mkpath(autosaveFolder_))
        return 0;
    int started = 0;
    for (OpenDocument& open : open_) {
        ImageDocument* document = open.document.get();
        if (!document->isEdited()) {
            removeAutosave(open.autosaveID);
            open.autosaveLock.reset();
            continue;
        }
        // A document still writing a file gets its autosave at the next tick.
        if (document->isSaving())
            continue;
        const QString path = autosavePath(open.autosaveID);
        // Locked before the file appears, so no other instance ever sees it unowned.
        if (!open.autosaveLock && !(open.autosaveLock = lockAutosave(path)))
            continue;
        const QJsonObject origin{{QStringLiteral("path"), document->filePath()},
                                 {QStringLiteral("type"), document->fileType()}};
        document->saveInBackground(path, kNativeTypeName, SaveOperation::autosave,
                                   [path, origin](const std::optional<FileError>& error) {
                                       if (!error)
                                           writeFileAtomically(sidecarPath(path),
                                                               QJsonDocument(origin).toJson(QJsonDocument::Compact));
                                   });
        ++started;
    }
    return started;
}

void DocumentController::waitForSaves()
{
    for (const OpenDocument& open : open_)
        open.document->waitForBackgroundSaves();
}

void DocumentController::startAutosaveTimer(std::chrono::milliseconds interval)
{
    autosaveTimer_.start(interval);
}

QVector<RecoverableDocument> DocumentController::recoverableDocuments() const
{
    QVector<RecoverableDocument> found;
    const QDir folder(autosaveFolder_);
    const QStringList pattern{QStringLiteral("*.") + kNativeExtension};
    for (const QFileInfo& info : folder.entryInfoList(pattern, QDir::Files)) {
        const bool isOpen = std::any_of(open_.begin(), open_.end(), [&](const OpenDocument& open) {
            return autosavePath(open.autosaveID) == info.absoluteFilePath();
        });
        if (isOpen)
            continue;
        // Taken and given back at once: only whether a running process holds it counts here.
        if (!lockAutosave(info.absoluteFilePath()))
            continue;
        RecoverableDocument recoverable{info.absoluteFilePath(), {}, {}, info.lastModified()};
        QFile sidecar(sidecarPath(info.absoluteFilePath()));
        if (sidecar.open(QIODevice::ReadOnly)) {
            const QJsonObject origin = QJsonDocument::fromJson(sidecar.readAll()).object();
            recoverable.originalPath = origin.value(QStringLiteral("path")).toString();
            recoverable.originalType = origin.value(QStringLiteral("type")).toString();
        }
        found.append(recoverable);
    }
    std::sort(found.begin(), found.end(),
              [](const RecoverableDocument& a, const RecoverableDocument& b) { return a.savedAt > b.savedAt; });
    return found;
}

FileResult<ImageDocument*> DocumentController::reopenRecovered(const RecoverableDocument& recoverable)
{
    std::shared_ptr<QLockFile> lock = lockAutosave(recoverable.autosavePath);
    if (!lock)
        return FileError::imageUnreadable().because(QStringLiteral("Another running Velmaris Images recovered it."));
    // Read as bytes: an autosave is no file the user opened, so it is not announced as one.
    QFile file(recoverable.autosavePath);
    if (!file.open(QIODevice::ReadOnly))
        return FileError::imageUnreadable().because(file.errorString());
    FileResult<std::unique_ptr<ImageDocument>> read =
        ImageDocument::fromData(file.readAll(), kNativeTypeName, currentDocumentDefaults().historyLimit);
    if (const auto* error = std::get_if<FileError>(&read))
        return *error;
    std::unique_ptr<ImageDocument> document = std::move(std::get<std::unique_ptr<ImageDocument>>(read));
    document->markRecovered(recoverable.originalPath,
                            recoverable.originalType.isEmpty() ? kNativeTypeName : recoverable.originalType);
    // The reopened document keeps the autosave it came from until it is saved or closed, so a
    // second crash loses nothing either.
    const QUuid id(QFileInfo(recoverable.autosavePath).completeBaseName());
    if (id.isNull() || autosavePath(id) != recoverable.autosavePath)
        return addDocument(std::move(document), QUuid::createUuid(), nullptr);
    return addDocument(std::move(document), id, std::move(lock));
}

void DocumentController::discardRecovered(const RecoverableDocument& recoverable)
{
    const std::shared_ptr<QLockFile> lock = lockAutosave(recoverable.autosavePath);
    if (!lock)
        return;
    QFile::remove(recoverable.autosavePath);
    QFile::remove(sidecarPath(recoverable.autosavePath));
}

void DocumentController::setAsideRecovered(const RecoverableDocument& recoverable)
{
    const std::shared_ptr<QLockFile> lock = lockAutosave(recoverable.autosavePath);
    if (!lock)
        return;
    const QString aside = recoverable.autosavePath + QStringLiteral(".unreadable");
    QFile::remove(aside);
    QFile::rename(recoverable.autosavePath, aside);
    QFile::remove(sidecarPath(aside));
    QFile::rename(sidecarPath(recoverable.autosavePath), sidecarPath(aside));
}

}  // namespace velmaris
