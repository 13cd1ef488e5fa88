#pragma once

#include "model/CanvasState.h"
#include "model/Defaults.h"
#include "model/DocumentSelection.h"
#include "document/DocumentSaveQueue.h"
#include "document/FilterPreview.h"
#include "document/HistoryManager.h"
#include "document/TextEditingSession.h"
#include "document/TransformSession.h"
#include "platform/Preferences.h"
#include "model/FileError.h"
#include "files/NativeDocumentFile.h"
#include "render/Compositor.h"

#include <QDateTime>
#include <QObject>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>

namespace velmaris {

// What a new blank document is made from (read from the preferences by the caller).
struct DocumentDefaults {
    // What a width or height that is not above 0 stands for.
    static constexpr double kWidth = defaults::canvasWidth;
    static constexpr double kHeight = defaults::canvasHeight;

    double width = kWidth;
    double height = kHeight;
    CanvasBackground background = CanvasBackground::white;
    StoredColor currentColor{0, 0, 0, 1};
    int historyLimit = HistoryManager::kDefaultLimit;
};

// The defaults of a new blank document as the preferences give them.
DocumentDefaults documentDefaults(const Preferences& preferences, const StoredColor& currentColor);

// One open image: the live canvas, its snapshot history, the selection and the file it belongs to.
// Operations change a copy of the state and hand it back through commitState() or setLiveState(),
// so no change goes unannounced; views listen to the signals.
class ImageDocument : public QObject {
    Q_OBJECT
public:
    using SaveCompletion = DocumentSaveQueue::SaveCompletion;

    // A new blank document ("New").
    explicit ImageDocument(const DocumentDefaults& defaults, QObject* parent = nullptr);
    ~ImageDocument() override;
    // A document made from an image ("Import"), edited from the start.
    static std::unique_ptr<ImageDocument> fromImage(const Bitmap& image, const QString& layerName,
                                                    int historyLimit = HistoryManager::kDefaultLimit);
    // A document read from a file ("Open"); no blank canvas is made first. An absent type name
    // comes from the extension.
    static FileResult<std::unique_ptr<ImageDocument>> fromFile(const QString& path,
                                                               const std::optional<QString>& typeName = {},
                                                               int historyLimit = HistoryManager::kDefaultLimit);
    // The document of what readDocumentFile() read from `path` (on any thread), for the caller
    // that read the file itself, away from the main thread.
    static std::unique_ptr<ImageDocument> fromReadFile(NativeDocument read, const QString& path, const QString& typeName,
                                                       int historyLimit = HistoryManager::kDefaultLimit);
    // A document opened from a native file's outline before its layers' pixels are decoded: bitmap
    // layers stay empty and edits must wait until finishLoadingLayers() brings the pixels.
    static std::unique_ptr<ImageDocument> fromOutline(NativeDocument outline, const QString& path,
                                                      const QString& typeName,
                                                      int historyLimit = HistoryManager::kDefaultLimit);
    // A document read from bytes of the given type, without a file.
    static FileResult<std::unique_ptr<ImageDocument>> fromData(const QByteArray& data, const QString& typeName,
                                                               int historyLimit = HistoryManager::kDefaultLimit);

    const CanvasState& state() const { return state_; }
    // Opened from an outline whose pixels have not arrived: nothing may change the layers yet.
    bool isWaitingForLayers() const { return !pendingLayerIDs_.isEmpty(); }
    // The outline's pixels, one per layer in its order (null for text layers), go into the layers
    // and the "Open" history entry; layersDidLoad() follows.
    void finishLoadingLayers(const QVector<Bitmap>& pixels);
    const HistoryManager& history() const { return history_; }
    int savedHistoryIndex() const { return savedHistoryIndex_; }
    bool isEdited() const { return edited_; }

    // Commit API: the state becomes `state` and is recorded as the history entry `name`.
    void commitState(CanvasState state, const QString& name);
    // Records the live state as it is (after live changes).
    void recordHistory(const QString& name);
    // A live change (a slider being dragged): the state is replaced and announced, not recorded.
    void setLiveState(CanvasState state);
    // Applies `change` to a copy of the state and makes it the live state.
    template <typename Change>
    void changeLiveState(Change&& change)
    {
        CanvasState state = state_;
        change(state);
        setLiveState(std::move(state));
    }
    void revertToCurrentHistoryEntry();
    void undoHistory();
    void redoHistory();
    void jumpToHistory(int index);

    // Selection fields. Each setter announces a change of rectangle, shape or inversion.
    const DocumentSelection& selection() const { return selection_; }
    void setSelectionRect(const std::optional<QRectF>& rect);
    void setSelectionShape(SelectionShape shape);
    void setSelectionInverted(bool inverted);
    void setSelectionAspect(const std::optional<QSizeF>& aspect);  // announces nothing

    // The live filter preview of a layer, drawn by the compositor in place of the layer.
    const std::optional<FilterPreview>& filterPreview() const { return filterPreview_; }
    void setFilterPreview(const std::optional<FilterPreview>& preview);
    // The composite of the live state, with the filter preview drawn in place of its layer.
    std::optional<Bitmap> renderLiveComposite() const;

    // The in-place text edit and the free transform, each open at most once. Replacing a session
    // announces nothing; the session operations announce once they are done.
    const std::optional<TextEditingSession>& textEditing() const { return textEditing_; }
    void replaceTextEditing(const std::optional<TextEditingSession>& session) { textEditing_ = session; }
    void announceTextEditingChange() { Q_EMIT textEditingDidChange(); }
    const EditorStyleApplier& editorStyleApplier() const { return editorStyleApplier_; }
    void setEditorStyleApplier(EditorStyleApplier applier) { editorStyleApplier_ = std::move(applier); }
    const std::optional<TransformSession>& transform() const { return transform_; }
    void replaceTransform(const std::optional<TransformSession>& session) { transform_ = session; }
    void announceTransformChange() { Q_EMIT transformDidChange(); }

    // The file this document belongs to; empty path for an untitled document.
    QString filePath() const { return filePath_; }
    QString fileType() const { return fileType_; }
    void setFileType(const QString& typeName);
    // After reopening an autosave: the document belongs to its original file again and has
    // changes that no file holds.
    void markRecovered(const QString& originalPath, const QString& typeName);
    // Whether another program changed the file since this document read or saved it: its size or
    // modification time differ from then. False for a file that is gone or was not read here.
    bool fileChangedOnDisk() const;

    // Reading replaces the document only when the whole file could be read.
    std::optional<FileError> read(const QByteArray& data, const QString& typeName);
    std::optional<FileError> readFromFile(const QString& path, const QString& typeName);
    FileResult<QByteArray> write(const QString& typeName) const;
    // Saving, done by saves(). Writes atomically; on success of anything but an autosave the
    // document is clean at the entry its snapshot was and fileWasUsed() is announced. A flat file
    // written from layers holds only their flattened picture: the document stays edited.
    DocumentSaveQueue& saves() { return saves_; }
    const DocumentSaveQueue& saves() const { return saves_; }
    // On this thread, after waiting for background saves.
    std::optional<FileError> saveToFile(const QString& path, const QString& typeName, SaveOperation operation)
    {
        return saves_.saveNow(path, typeName, operation);
    }
    // From a snapshot taken now, encoded and written on a worker; `completion` runs on this thread.
    void saveInBackground(const QString& path, const QString& typeName, SaveOperation operation,
                          SaveCompletion completion = {})
    {
        saves_.saveInBackground(path, typeName, operation, std::move(completion));
    }
    bool isSaving() const { return saves_.isSaving(); }
    void waitForBackgroundSaves() { saves_.waitForBackgroundSaves(); }
    const VelmarisImageFormat::EncodedLayerCache& encodedLayerCache() const { return saves_.encodedLayerCache(); }

    // Layers or editable text that only the native format keeps.
    bool needsNativeFormat() const { return needsNativeFormat(state_); }
    static bool needsNativeFormat(const CanvasState& state);
    // The Save command turns into a native Save As when layers would be lost.
    bool shouldPromoteSave() const;
    // Shown in the save dialog whenever a flat type would lose layers or editable text.
    static QString promotedSaveMessage();
    bool isPromotingSave() const { return pendingPromotedSave_.has_value(); }
    // Starts a promoted save: the type becomes native until finishPromotedSave(false).
    void beginPromotedSave(std::function<void(bool didSave)> completion);
    void finishPromotedSave(bool didSave);

    // The flat picture for printing, or "The image could not be rendered.".
    FileResult<Bitmap> printImage() const;

Q_SIGNALS:
    void stateDidChange();
    void selectionDidChange();
    void previewDidChange();
    void windowDidOpen(QObject* windowController);
    void textEditingDidChange();
    void transformDidChange();
    void editedChanged(bool edited);
    void filePathDidChange(const QString& path);
    void fileTypeDidChange(const QString& typeName);
    // The file was opened or saved (not autosaved): the application records it among the recent
    // images and refreshes its thumbnail from `state`.
    void fileWasUsed(const QString& path, const velmaris::CanvasState& state);
    // A background save finished, with or without error (after its completion ran).
    void backgroundSaveDidFinish();
    // The pixels of a document opened from an outline are in place.
    void layersDidLoad();

private:
    friend class DocumentSaveQueue;

    struct PendingPromotedSave {
        std::function<void(bool)> completion;
        QString previousFileType;
    };
    // A document without content yet, for the readers.
    explicit ImageDocument(int historyLimit);
    void applyHistoryState(const CanvasState& state);
    void applyReadDocument(NativeDocument document, const QString& typeName);
    void updateEditedState();
    void setEdited(bool edited);
    void setFilePath(const QString& path);
    void recordFileStamp();
    // A save of the snapshot of history entry `historyIndex` succeeded (never called for autosaves).
    void markSaved(const QString& path, const QString& typeName, SaveOperation operation, int historyIndex,
                   const CanvasState& saved);
    CanvasState state_;
    HistoryManager history_;
    int savedHistoryIndex_ = 0;
    bool edited_ = false;
    DocumentSelection selection_;
    std::optional<FilterPreview> filterPreview_;
    std::optional<TextEditingSession> textEditing_;
    EditorStyleApplier editorStyleApplier_;
    std::optional<TransformSession> transform_;
    QString filePath_;
    QString fileType_;
    // The file as this document last read or wrote it.
    struct FileStamp {
        QDateTime modified;
        qint64 size = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };
    static std::optional<FileStamp> fileStampOf(const QString& path);
    std::optional<FileStamp> fileStamp_;
    std::optional<PendingPromotedSave> pendingPromotedSave_;
    // The layers of the outline a document was opened from, in its order, until their pixels arrive.
    QVector<QUuid> pendingLayerIDs_;
    DocumentSaveQueue saves_{*this};
};

// Where a picture of `imageSize` goes on a page: scaled proportionally to fit, centred.
QRectF printedImageRect(QSizeF imageSize, QRectF page);
// The recent-images thumbnail of a canvas: its longer side at most 64 pixels.
std::optional<Bitmap> documentThumbnail(const CanvasState& state);

}  // namespace velmaris
