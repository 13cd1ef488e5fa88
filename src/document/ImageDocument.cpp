#include "document/ImageDocument.h"

#include "files/DocumentType.h"
#include "files/OpenImageFile.h"
#include "files/ResampleImage.h"
#include "platform/Preferences.h"
#include "render/ReducedComposite.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace velmaris {

namespace {

constexpr int kThumbnailSide = 64;
constexpr int kMaxThumbnailHalvings = 8;

}  // namespace

DocumentDefaults documentDefaults(const Preferences& preferences, const StoredColor& currentColor)
{
    DocumentDefaults defaults;
    defaults.width = preferences.defaultCanvasWidth().value_or(0);
    defaults.height = preferences.defaultCanvasHeight().value_or(0);
    defaults.background = canvasBackgroundFromRawValue(
        preferences.defaultCanvasBackground().value_or(defaults::canvasBackground));
    defaults.currentColor = currentColor;
    defaults.historyLimit = HistoryManager::limitFromPreference(preferences.historyLimit());
    return defaults;
}

ImageDocument::ImageDocument(const DocumentDefaults& defaults, QObject* parent)
    : QObject(parent), history_(defaults.historyLimit)
{
    const double width = defaults.width > 0 ? defaults.width : DocumentDefaults::kWidth;
    const double height = defaults.height > 0 ? defaults.height : DocumentDefaults::kHeight;
    state_.size = QSizeF(width, height);
    if (std::optional<Layer> background =
            makeBackgroundLayer(defaults.background, width, height, defaults.currentColor)) {
        state_.selectedLayerID = background->id;
        state_.layers.append(std::move(*background));
    }
    history_.reset(QStringLiteral("New"), state_);
    connect(&saves_, &DocumentSaveQueue::backgroundSaveDidFinish, this, &ImageDocument::backgroundSaveDidFinish);
}

ImageDocument::ImageDocument(int historyLimit) : history_(historyLimit)
{
    connect(&saves_, &DocumentSaveQueue::backgroundSaveDidFinish, this, &ImageDocument::backgroundSaveDidFinish);
}

ImageDocument::~ImageDocument() = default;

FileResult<std::unique_ptr<ImageDocument>> ImageDocument::fromFile(const QString& path,
                                                                   const std::optional<QString>& typeName,
                                                                   int historyLimit)
{
    // Unknown extensions are offered to the image decoder, which recognises content.
    const QString type =
        typeName ? *typeName : typeNameForPath(path).value_or(typeNameForImageType(ImageType::png));
    FileResult<NativeDocument> read = readDocumentFile(path, type);
    if (const auto* error = std::get_if<FileError>(&read))
        return *error;
    return fromReadFile(std::move(std::get<NativeDocument>(read)), path, type, historyLimit);
}

std::unique_ptr<ImageDocument> ImageDocument::fromReadFile(NativeDocument read, const QString& path,
                                                           const QString& typeName, int historyLimit)
{
    std::unique_ptr<ImageDocument> document(new ImageDocument(historyLimit));
    document->applyReadDocument(std::move(read), typeName);
    document->setFilePath(path);
    document->recordFileStamp();
    // Queued, so whoever takes the new document hears of the file use.
    ImageDocument* opened = document.get();
    QMetaObject::invokeMethod(
        opened, [opened, path, state = opened->state_] { Q_EMIT opened->fileWasUsed(path, state); },
        Qt::QueuedConnection);
    return document;
}

std::unique_ptr<ImageDocument> ImageDocument::fromOutline(NativeDocument outline, const QString& path,
                                                         const QString& typeName, int historyLimit)
{
    std::unique_ptr<ImageDocument> document(new ImageDocument(historyLimit));
    for (const Layer& layer : outline.state.layers)
        document->pendingLayerIDs_.append(layer.id);
    document->applyReadDocument(std::move(outline), typeName);
    document->setFilePath(path);
    document->recordFileStamp();
    return document;
}

void ImageDocument::finishLoadingLayers(const QVector<Bitmap>& pixels)
{
    if (!isWaitingForLayers())
        return;
    QHash<QUuid, Bitmap> arrived;
    for (qsizetype i = 0; i < std::min(pixels.size(), pendingLayerIDs_.size()); ++i)
        if (!pixels[i].isNull())
            arrived.insert(pendingLayerIDs_[i], pixels[i]);
    pendingLayerIDs_.clear();
    for (Layer& layer : state_.layers)
        if (const Bitmap* bitmap = layer.bitmap(); bitmap && bitmap->isNull())
            layer.content = arrived.value(layer.id);
    // Edits waited for the pixels, so the history is still the one "Open" entry.
    history_.reset(QStringLiteral("Open"), state_);
    savedHistoryIndex_ = 0;
    updateEditedState();
    Q_EMIT stateDidChange();
    Q_EMIT layersDidLoad();
    Q_EMIT fileWasUsed(filePath_, state_);
}

FileResult<std::unique_ptr<ImageDocument>> ImageDocument::fromData(const QByteArray& data, const QString& typeName,
                                                                   int historyLimit)
{
    FileResult<NativeDocument> read = readDocumentData(data, typeName);
    if (const auto* error = std::get_if<FileError>(&read))
        return *error;
    std::unique_ptr<ImageDocument> document(new ImageDocument(historyLimit));
    document->applyReadDocument(std::move(std::get<NativeDocument>(read)), typeName);
    return document;
}

std::unique_ptr<ImageDocument> ImageDocument::fromImage(const Bitmap& image, const QString& layerName,
                                                        int historyLimit)
{
    std::unique_ptr<ImageDocument> document(new ImageDocument(historyLimit));
    Layer layer = makeBitmapLayer(image, layerName);
    document->state_.size = QSizeF(image.width(), image.height());
    document->state_.selectedLayerID = layer.id;
    document->state_.layers.append(std::move(layer));
    document->history_.reset(QStringLiteral("Import"), document->state_);
    document->savedHistoryIndex_ = -1;
    document->edited_ = true;
    return document;
}

void ImageDocument::commitState(CanvasState state, const QString& name)
{
    state_ = std::move(state);
    recordHistory(name);
}

void ImageDocument::recordHistory(const QString& name)
{
    const int previous = history_.currentIndex();
    const int removed = history_.push(name, state_);
    // The push dropped the redo entries after `previous`: an index among them no longer names
    // any entry, so a file saved there matches nothing now. Entries dropped from the front shift
    // the others.
    const auto follow = [previous, removed](int index) {
        if (index < 0 || index > previous || index < removed)
            return -1;
        return index - removed;
    };
    savedHistoryIndex_ = follow(savedHistoryIndex_);
    saves_.followHistory(follow);
    updateEditedState();
    Q_EMIT stateDidChange();
}

void ImageDocument::setLiveState(CanvasState state)
{
    state_ = std::move(state);
    Q_EMIT stateDidChange();
}

void ImageDocument::revertToCurrentHistoryEntry()
{
    const int index = history_.currentIndex();
    if (index < 0 || index >= history_.entries().size())
        return;
    state_ = history_.entries()[index].state;
    Q_EMIT stateDidChange();
}

void ImageDocument::undoHistory()
{
    if (std::optional<CanvasState> state = history_.undo())
        applyHistoryState(*state);
}

void ImageDocument::redoHistory()
{
    if (std::optional<CanvasState> state = history_.redo())
        applyHistoryState(*state);
}

void ImageDocument::jumpToHistory(int index)
{
    if (std::optional<CanvasState> state = history_.jump(index))
        applyHistoryState(*state);
}

void ImageDocument::applyHistoryState(const CanvasState& state)
{
    state_ = state;
    filterPreview_.reset();
    Q_EMIT previewDidChange();
    updateEditedState();
    Q_EMIT stateDidChange();
}

void ImageDocument::updateEditedState()
{
    setEdited(history_.currentIndex() != savedHistoryIndex_);
}

void ImageDocument::setEdited(bool edited)
{
    if (edited_ == edited)
        return;
    edited_ = edited;
    Q_EMIT editedChanged(edited);
}

void ImageDocument::setSelectionRect(const std::optional<QRectF>& rect)
{
    selection_.rect = rect;
    Q_EMIT selectionDidChange();
}

void ImageDocument::setSelectionShape(SelectionShape shape)
{
    if (selection_.shape == shape)
        return;
    selection_.shape = shape;
    Q_EMIT selectionDidChange();
}

void ImageDocument::setSelectionInverted(bool inverted)
{
    if (selection_.inverted == inverted)
        return;
    selection_.inverted = inverted;
    Q_EMIT selectionDidChange();
}

void ImageDocument::setSelectionAspect(const std::optional<QSizeF>& aspect)
{
    selection_.aspect = aspect;
}

void ImageDocument::setFilterPreview(const std::optional<FilterPreview>& preview)
{
    filterPreview_ = preview;
    Q_EMIT previewDidChange();
}

std::optional<Bitmap> ImageDocument::renderLiveComposite() const
{
    if (!filterPreview_)
        return renderComposite(state_);
    const LayerPreview preview = filterPreview_->compositorPreview();
    return renderComposite(state_, &preview);
}

std::optional<FileError> ImageDocument::read(const QByteArray& data, const QString& typeName)
{
    FileResult<NativeDocument> read = readDocumentData(data, typeName);
    if (const auto* error = std::get_if<FileError>(&read))
        return *error;
    applyReadDocument(std::move(std::get<NativeDocument>(read)), typeName);
    return std::nullopt;
}

std::optional<FileError> ImageDocument::readFromFile(const QString& path, const QString& typeName)
{
    FileResult<NativeDocument> read = readDocumentFile(path, typeName);
    if (const auto* error = std::get_if<FileError>(&read))
        return *error;
    applyReadDocument(std::move(std::get<NativeDocument>(read)), typeName);
    setFilePath(path);
    recordFileStamp();
    Q_EMIT fileWasUsed(path, state_);
    return std::nullopt;
}

void ImageDocument::applyReadDocument(NativeDocument document, const QString& typeName)
{
    state_ = std::move(document.state);
    setSelectionShape(document.selection.shape);
    setSelectionInverted(document.selection.inverted);
    setSelectionRect(document.selection.rect);
    setSelectionAspect(document.selection.aspect);
    setFilterPreview(std::nullopt);
    history_.reset(QStringLiteral("Open"), state_);
    savedHistoryIndex_ = 0;
    saves_.followHistory([](int) { return -1; });
    updateEditedState();
    setFileType(typeName);
    Q_EMIT stateDidChange();
}

FileResult<QByteArray> ImageDocument::write(const QString& typeName) const
{
    return writeDocumentSnapshot(NativeDocument{state_, selection_}, typeName);
}

void ImageDocument::markSaved(const QString& path, const QString& typeName, SaveOperation operation,
                              int historyIndex, const CanvasState& saved)
{
    if (operation != SaveOperation::saveTo) {
        setFilePath(path);
        setFileType(typeName);
        recordFileStamp();
    }
    // A flattened copy matches no entry: the layers exist only here, so the document stays edited
    // (and autosaved) until they are saved where they fit. Save To leaves the document's own file.
    if (typeKeepsState(typeName, saved))
        savedHistoryIndex_ = historyIndex;
    else if (operation != SaveOperation::saveTo)
        savedHistoryIndex_ = -1;
    updateEditedState();
    Q_EMIT fileWasUsed(path, saved);
}

void ImageDocument::setFilePath(const QString& path)
{
    if (filePath_ == path)
        return;
    filePath_ = path;
    Q_EMIT filePathDidChange(path);
}

void ImageDocument::setFileType(const QString& typeName)
{
    if (fileType_ == typeName)
        return;
    fileType_ = typeName;
    Q_EMIT fileTypeDidChange(typeName);
}

std::optional<ImageDocument::FileStamp> ImageDocument::fileStampOf(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return std::nullopt;
    return FileStamp{info.lastModified(), info.size()};
}

void ImageDocument::recordFileStamp()
{
    fileStamp_ = fileStampOf(filePath_);
}

bool ImageDocument::fileChangedOnDisk() const
{
    const std::optional<FileStamp> now = fileStampOf(filePath_);
    return fileStamp_ && now && *now != *fileStamp_;
}

void ImageDocument::markRecovered(const QString& originalPath, const QString& typeName)
{
    // What the file held when the autosave was made is not known here.
    fileStamp_.reset();
    setFilePath(originalPath);
    setFileType(typeName);
    savedHistoryIndex_ = -1;
    updateEditedState();
}

bool ImageDocument::needsNativeFormat(const CanvasState& state)
{
    return state.layers.size() > 1 || (state.layers.size() == 1 && state.layers.first().isText());
}

bool ImageDocument::typeKeepsState(const QString& typeName, const CanvasState& state)
{
    if (isNativeType(typeName) || typeName == kOpenRasterTypeName)
        return true;
    // PSD keeps layers, but text and effects only as the pixels they draw.
    if (isLayeredType(typeName))
        return std::none_of(state.layers.begin(), state.layers.end(),
                            [](const Layer& layer) { return layer.isText() || layer.effects != LayerEffects{}; });
    return !needsNativeFormat(state);
}

bool ImageDocument::shouldPromoteSave() const
{
    return !filePath_.isEmpty() && !typeKeepsState(fileType_, state_);
}

QString ImageDocument::promotedSaveMessage()
{
    return QStringLiteral("This image now contains layers or editable text, which only the Velmaris Image "
                          "format keeps. Saving in another format will flatten it.");
}

void ImageDocument::beginPromotedSave(std::function<void(bool)> completion)
{
    pendingPromotedSave_ = PendingPromotedSave{std::move(completion), fileType_};
    setFileType(kNativeTypeName);
}

void ImageDocument::finishPromotedSave(bool didSave)
{
    if (!pendingPromotedSave_)
        return;
    PendingPromotedSave pending = std::move(*pendingPromotedSave_);
    pendingPromotedSave_.reset();
    if (!didSave)
        setFileType(pending.previousFileType);
    if (pending.completion)
        pending.completion(didSave);
}

FileResult<Bitmap> ImageDocument::printImage() const
{
    if (std::optional<Bitmap> composite = renderComposite(state_))
        return *composite;
    return FileError::imageNotRendered();
}

QRectF printedImageRect(QSizeF imageSize, QRectF page)
{
    if (imageSize.isEmpty() || page.isEmpty())
        return {};
    const QSizeF fitted = imageSize.scaled(page.size(), Qt::KeepAspectRatio);
    return QRectF(page.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
}

std::optional<Bitmap> documentThumbnail(const CanvasState& state)
{
    // Composed from halved layers while the canvas stays twice the thumbnail's size: a large
    // document's thumbnail then reads each layer once and composites a few thousand pixels, and
    // shares the halved layers with a zoomed-out canvas.
    const int longerSide = int(std::max(state.size.width(), state.size.height()));
    int halvings = 0;
    while (halvings < kMaxThumbnailHalvings && halvedLength(longerSide, halvings + 1) >= 2 * kThumbnailSide)
        ++halvings;
    const std::optional<Bitmap> composite = renderReducedComposite(state, halvings);
    if (!composite)
        return std::nullopt;
    const double longer = std::max(composite->width(), composite->height());
    const double scale = std::min(kThumbnailSide / longer, 1.0);
    return resampleImage(*composite, composite->width() * scale, composite->height() * scale);
}

}  // namespace velmaris
