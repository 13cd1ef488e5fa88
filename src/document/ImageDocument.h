#pragma once

#include "model/CanvasState.h"
#include "model/Defaults.h"
#include "model/DocumentSelection.h"
#include "document/FilterPreview.h"
#include "document/HistoryManager.h"
#include "document/TextEditingSession.h"
#include "document/TransformSession.h"
#include "model/FileError.h"
#include "render/Compositor.h"

#include <QObject>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>

namespace velmaris {

// What a new blank document is made from (read from the preferences by the caller).
struct DocumentDefaults {
    double width = defaults::canvasWidth;
    double height = defaults::canvasHeight;
    CanvasBackground background = CanvasBackground::white;
    StoredColor currentColor{0, 0, 0, 1};
    int historyLimit = HistoryManager::kDefaultLimit;
};

class Preferences;
// The defaults of a new blank document as the preferences give them.
DocumentDefaults documentDefaults(const Preferences& preferences, const StoredColor& currentColor);

enum class SaveOperation { save, saveAs, saveTo, autosave };

// One open image: the live canvas, its snapshot history, the selection and the file it belongs to.
// Operations change the state and end with recordHistory(); views listen to the signals.
class ImageDocument : public QObject {
    Q_OBJECT
public:
    // A new blank document ("New").
    explicit ImageDocument(const DocumentDefaults& defaults, QObject* parent = nullptr);
    // A document made from an image ("Import"), edited from the start.
    static std::unique_ptr<ImageDocument> fromImage(const Bitmap& image, const QString& layerName,
                                                    int historyLimit = HistoryManager::kDefaultLimit);

    const CanvasState& state() const { return state_; }
    // The live state, for operations that change it in place before recording.
    CanvasState& mutableState() { return state_; }
    const HistoryManager& history() const { return history_; }
    int savedHistoryIndex() const { return savedHistoryIndex_; }
    bool isEdited() const { return edited_; }

    // Commit API.
    void recordHistory(const QString& name);
    void revertToCurrentHistoryEntry();
    // After a live (uncommitted) change of the state.
    void announceLiveStateChange() { Q_EMIT stateDidChange(); }
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
    void setFileType(const QString& typeName) { fileType_ = typeName; }
    // After reopening an autosave: the document belongs to its original file again and has
    // changes that no file holds.
    void markRecovered(const QString& originalPath, const QString& typeName);

    // Reading replaces the document only when the whole file could be read.
    std::optional<FileError> read(const QByteArray& data, const QString& typeName);
    std::optional<FileError> readFromFile(const QString& path, const QString& typeName);
    FileResult<QByteArray> write(const QString& typeName) const;
    // Writes atomically; on success of anything but an autosave the document is clean at the
    // current entry, the file goes to the recent images and its thumbnail is refreshed.
    std::optional<FileError> saveToFile(const QString& path, const QString& typeName, SaveOperation operation);

    // Layers or editable text that only the native format keeps.
    bool needsNativeFormat() const;
    // The Save command turns into a native Save As when layers would be lost.
    bool shouldPromoteSave() const;
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

private:
    struct PendingPromotedSave {
        std::function<void(bool)> completion;
        QString previousFileType;
    };

    void applyHistoryState(const CanvasState& state);
    void updateEditedState();
    void setEdited(bool edited);
    void noteFileUse(const QString& path);

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
    std::optional<PendingPromotedSave> pendingPromotedSave_;
};

// Where a picture of `imageSize` goes on a page: scaled proportionally to fit, centred.
QRectF printedImageRect(QSizeF imageSize, QRectF page);
// The recent-images thumbnail of a canvas: its longer side at most 64 pixels.
std::optional<Bitmap> documentThumbnail(const CanvasState& state);

}  // namespace velmaris
