#pragma once

#include "files/NativeDocumentFile.h"
#include "model/FileError.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace velmaris {

class ImageDocument;

enum class SaveOperation { save, saveAs, saveTo, autosave };

// The bytes of a document snapshot in a type; the type is looked up before anything is composed.
// With a cache, native layers encoded by the previous write through it are not encoded again.
FileResult<QByteArray> writeDocumentSnapshot(const NativeDocument& snapshot, const QString& typeName,
                                             VelmarisImageFormat::EncodedLayerCache* cache = nullptr);

// The saves of one document. Each writes a snapshot of the document taken when it was asked for,
// atomically, on the calling thread or on a worker; saves on workers run one after another, in
// order. When one succeeds the document hears of it (ImageDocument::markSaved) with the history
// entry its snapshot was, which follows the history while the save runs.
class DocumentSaveQueue : public QObject {
    Q_OBJECT
public:
    using SaveCompletion = std::function<void(const std::optional<FileError>& error)>;

    explicit DocumentSaveQueue(ImageDocument& document);
    ~DocumentSaveQueue() override;

    // Waits for the saves on workers first.
    std::optional<FileError> saveNow(const QString& path, const QString& typeName, SaveOperation operation);
    // `completion` runs on this object's thread once the file is written or the save failed.
    void saveInBackground(const QString& path, const QString& typeName, SaveOperation operation,
                          SaveCompletion completion = {});
    bool isSaving() const { return !saves_.empty(); }
    // Turns the event loop until every save on a worker has finished.
    void waitForBackgroundSaves();

    // The history moved under the saves: `follow` maps an entry's old index to its new one (-1 once
    // the entry is gone).
    void followHistory(const std::function<int(int)>& follow);

    // Layer encodings kept from the last native save, so the next one (the autosave) encodes only
    // the bitmaps that changed.
    const VelmarisImageFormat::EncodedLayerCache& encodedLayerCache() const { return *encodedLayers_; }

Q_SIGNALS:
    // A save on a worker finished, with or without error (after its completion ran).
    void backgroundSaveDidFinish();

private:
    // One save: what is written (taken when it was asked for) and where.
    struct SaveJob {
        NativeDocument snapshot;
        int historyIndex = -1;  // follows the history while the save runs; -1 once dropped
        QString path;
        QString typeName;
        SaveOperation operation = SaveOperation::save;
        SaveCompletion completion;
    };

    SaveJob saveJob(const QString& path, const QString& typeName, SaveOperation operation) const;
    static std::optional<FileError> performSave(const SaveJob& job, VelmarisImageFormat::EncodedLayerCache* cache);
    void finishSave(const SaveJob& job, const std::optional<FileError>& error);
    void startNextBackgroundSave();
    void finishBackgroundSave(const std::optional<FileError>& error);

    ImageDocument& document_;
    std::deque<SaveJob> saves_;  // the front one is running
    std::shared_ptr<VelmarisImageFormat::EncodedLayerCache> encodedLayers_ =
        std::make_shared<VelmarisImageFormat::EncodedLayerCache>();
};

}  // namespace velmaris
