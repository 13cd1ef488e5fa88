#pragma once

#include "document/ImageDocument.h"
#include "model/FileError.h"

#include <QDateTime>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace velmaris {

// A document left behind by a session that ended without saving it.
struct RecoverableDocument {
    QString autosavePath;
    QString originalPath;  // empty for a document that was never saved
    QString originalType;
    QDateTime savedAt;
};

// Owns the open documents. Edited documents are autosaved in the native format for crash
// recovery; a later launch can list and reopen what was left behind. Each autosave has a lock file
// beside it ("….lock", naming the owner's process) for as long as its document is open, so another
// instance sharing the folder neither offers nor removes it while its owner runs. Files the
// documents open or save go to the recent images, with their thumbnails written off the main
// thread, and their folder is where the next file dialog starts.
class DocumentController : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kAutosaveInterval{60};

    // `autosaveFolder` empty: "<application data>/Velmaris Images/Autosave".
    explicit DocumentController(const QString& autosaveFolder = {}, QObject* parent = nullptr);
    ~DocumentController() override;

    ImageDocument* addDocument(std::unique_ptr<ImageDocument> document);
    // Opens a file (the type from its extension); an already open file gives its document.
    FileResult<ImageDocument*> openDocument(const QString& path);
    using OpenCompletion = std::function<void(const FileResult<ImageDocument*>& opened)>;
    // The same, with the file read and decoded on a worker thread, so the windows stay responsive
    // however big the file; `completion` runs on this object's thread, and not at all if the
    // controller is gone by then. Asking again for a file still being read waits for that read.
    void openDocumentInBackground(const QString& path, OpenCompletion completion);
    bool isOpeningDocuments() const { return !pendingOpens_.isEmpty(); }

    // Closes a document and forgets its autosave. The document is deleted once its saves have
    // finished and the events already queued for it have been handled.
    void closeDocument(ImageDocument* document);
    std::vector<ImageDocument*> documents() const;

    // Starts the background autosave of every edited document that is not saving already;
    // returns how many were started. Clean documents lose their autosave.
    int autosaveEditedDocuments();
    // Turns the event loop until every open document's saves have finished.
    void waitForSaves();
    void startAutosaveTimer(std::chrono::milliseconds interval = kAutosaveInterval);

    // Autosaves whose owner is gone, newest first.
    QVector<RecoverableDocument> recoverableDocuments() const;
    // Takes the autosave over: its lock passes to this instance with the document.
    FileResult<ImageDocument*> reopenRecovered(const RecoverableDocument& recoverable);
    // Removes the autosave, unless another running instance has taken it over meanwhile.
    void discardRecovered(const RecoverableDocument& recoverable);
    // Moves an autosave that could not be read out of the recovery ("….velmaris.unreadable"
    // beside it), so it is not offered again but stays for whoever wants to look into it.
    void setAsideRecovered(const RecoverableDocument& recoverable);

    QString autosaveFolder() const { return autosaveFolder_; }

Q_SIGNALS:
    void documentAdded(velmaris::ImageDocument* document);
    // Just before the document is scheduled for deletion.
    void documentClosed(velmaris::ImageDocument* document);
    // The pixels of a document opened from its outline could not be decoded. Nothing was edited
    // while they were awaited, so the document can close without asking.
    void layersFailedToLoad(velmaris::ImageDocument* document, const QString& path, const velmaris::FileError& error);

private:
    struct OpenDocument {
        std::unique_ptr<ImageDocument> document;
        QUuid autosaveID;
        std::shared_ptr<QLockFile> autosaveLock;  // from the first autosave on
    };

    ImageDocument* addDocument(std::unique_ptr<ImageDocument> document, const QUuid& autosaveID,
                               std::shared_ptr<QLockFile> autosaveLock);
    QString autosavePath(const QUuid& id) const;
    void removeAutosave(const QUuid& id) const;
    void recordFileUse(const QString& path, const CanvasState& state);

    void finishBackgroundOpen(const QString& path, const QString& typeName, FileResult<NativeDocument> read);
    ImageDocument* finishOutlineOpen(const QString& path, const QString& typeName, NativeDocument outline);
    void finishLoadingLayers(ImageDocument* document, const FileResult<QVector<Bitmap>>& pixels);

    QString autosaveFolder_;
    QHash<QString, QVector<OpenCompletion>> pendingOpens_;  // by absolute path
    std::vector<OpenDocument> open_;
    QTimer autosaveTimer_;
};

}  // namespace velmaris
