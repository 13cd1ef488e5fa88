#include "document/ImageDocument.h"

#include "files/DocumentType.h"
#include "files/FlatImageFile.h"
#include "files/ImageEncoder.h"
#include "files/NativeDocumentFile.h"
#include "files/ResampleImage.h"
#include "platform/AtomicWrite.h"
#include "platform/Preferences.h"
#include "platform/RecentImagesStore.h"

#include <QFile>
#include <QTimer>

#include <algorithm>

namespace velmaris {

namespace {

constexpr int kThumbnailSide = 64;

// Writes the recent-images thumbnail of a file later on the main thread, off the save's path.
void scheduleThumbnail(QObject* context, const QString& path, const CanvasState& state)
{
    const std::optional<Bitmap> thumbnail = documentThumbnail(state);
    if (!thumbnail)
        return;
    QTimer::singleShot(0, context, [path, image = *thumbnail] {
        const std::optional<QString> location = RecentImagesStore::thumbnailPath(path);
        const std::optional<QByteArray> png = encodeImageData(image, ImageType::png, std::nullopt);
        if (location && png)
            writeFileAtomically(*location, *png);
    });
}

}  // namespace

DocumentDefaults documentDefaults(const Preferences& preferences, const StoredColor& currentColor)
{
    DocumentDefaults defaults;
    defaults.width = preferences.defaultCanvasWidth().value_or(0);
    defaults.height = preferences.defaultCanvasHeight().value_or(0);
    defaults.background = canvasBackgroundFromRawValue(preferences.defaultCanvasBackground().value_or(1));
    defaults.currentColor = currentColor;
    defaults.historyLimit = HistoryManager::limitFromPreference(preferences.historyLimit());
    return defaults;
}

ImageDocument::ImageDocument(const DocumentDefaults& defaults, QObject* parent)
    : QObject(parent), history_(defaults.historyLimit)
{
    const double width = defaults.width > 0 ? defaults.width : defaults::canvasWidth;
    const double height = defaults.height > 0 ? defaults.height : defaults::canvasHeight;
    state_.size = QSizeF(width, height);
    if (std::optional<Layer> background =
            makeBackgroundLayer(defaults.background, width, height, defaults.currentColor)) {
        state_.selectedLayerID = background->id;
        state_.layers.append(std::move(*background));
    }
    history_.reset(QStringLiteral("New"), state_);
}

std::unique_ptr<ImageDocument> ImageDocument::fromImage(const Bitmap& image, const QString& layerName,
                                                        int historyLimit)
{
    DocumentDefaults defaults;
    defaults.historyLimit = historyLimit;
    auto document = std::make_unique<ImageDocument>(defaults);
    Layer layer = makeBitmapLayer(image, layerName);
    document->state_ = CanvasState{};
    document->state_.size = QSizeF(image.width(), image.height());
    document->state_.selectedLayerID = layer.id;
    document->state_.layers.append(std::move(layer));
    document->history_.reset(QStringLiteral("Import"), document->state_);
    document->savedHistoryIndex_ = -1;
    document->edited_ = true;
    return document;
}

void ImageDocument::recordHistory(const QString& name)
{
    const int removed = history_.push(name, state_);
    // Entries dropped from the front shift every index; the saved one moves with them.
    if (savedHistoryIndex_ >= 0)
        savedHistoryIndex_ = savedHistoryIndex_ - removed >= 0 ? savedHistoryIndex_ - removed : -1;
    updateEditedState();
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
    CanvasState state;
    DocumentSelection selection;
    if (isNativeType(typeName)) {
        FileResult<NativeDocument> native = readNativeDocument(data);
        if (const auto* error = std::get_if<FileError>(&native))
            return *error;
        state = std::get<NativeDocument>(native).state;
        selection = std::get<NativeDocument>(native).selection;
    } else {
        const ImageType type = imageTypeForTypeName(typeName).value_or(ImageType::png);
        FileResult<CanvasState> flat = readFlatImage(data, type);
        if (const auto* error = std::get_if<FileError>(&flat))
            return *error;
        state = std::move(std::get<CanvasState>(flat));
    }

    state_ = std::move(state);
    setSelectionShape(selection.shape);
    setSelectionInverted(selection.inverted);
    setSelectionRect(selection.rect);
    setSelectionAspect(selection.aspect);
    setFilterPreview(std::nullopt);
    history_.reset(QStringLiteral("Open"), state_);
    savedHistoryIndex_ = 0;
    updateEditedState();
    fileType_ = typeName;
    Q_EMIT stateDidChange();
    return std::nullopt;
}

std::optional<FileError> ImageDocument::readFromFile(const QString& path, const QString& typeName)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError::imageUnreadable();
    if (std::optional<FileError> error = read(file.readAll(), typeName))
        return error;
    filePath_ = path;
    noteFileUse(path);
    return std::nullopt;
}

FileResult<QByteArray> ImageDocument::write(const QString& typeName) const
{
    if (isNativeType(typeName))
        return writeNativeDocument(NativeDocument{state_, selection_});
    const std::optional<ImageType> type = imageTypeForTypeName(typeName);
    if (!type)
        return FileError::unsupportedType();
    return writeFlatImage(state_, *type);
}

std::optional<FileError> ImageDocument::saveToFile(const QString& path, const QString& typeName,
                                                   SaveOperation operation)
{
    const FileResult<QByteArray> bytes = write(typeName);
    if (const auto* error = std::get_if<FileError>(&bytes))
        return *error;
    if (const std::optional<QString> reason = writeFileAtomically(path, std::get<QByteArray>(bytes)))
        return FileError{FileError::kWriteUnknown, QStringLiteral("The file could not be saved: %1").arg(*reason)};
    if (operation == SaveOperation::autosave)
        return std::nullopt;
    if (operation != SaveOperation::saveTo) {
        filePath_ = path;
        fileType_ = typeName;
    }
    savedHistoryIndex_ = history_.currentIndex();
    updateEditedState();
    noteFileUse(path);
    return std::nullopt;
}

void ImageDocument::markRecovered(const QString& originalPath, const QString& typeName)
{
    filePath_ = originalPath;
    fileType_ = typeName;
    savedHistoryIndex_ = -1;
    updateEditedState();
}

void ImageDocument::noteFileUse(const QString& path)
{
    RecentImagesStore::shared().add(path);
    scheduleThumbnail(this, path, state_);
}

bool ImageDocument::needsNativeFormat() const
{
    return state_.layers.size() > 1 || (state_.layers.size() == 1 && state_.layers.first().isText());
}

bool ImageDocument::shouldPromoteSave() const
{
    return !filePath_.isEmpty() && !isNativeType(fileType_) && needsNativeFormat();
}

QString ImageDocument::promotedSaveMessage()
{
    return QStringLiteral("This image now contains layers or editable text, which only the Velmaris Image "
                          "format keeps. Saving in another format will flatten it.");
}

void ImageDocument::beginPromotedSave(std::function<void(bool)> completion)
{
    pendingPromotedSave_ = PendingPromotedSave{std::move(completion), fileType_};
    fileType_ = kNativeTypeName;
}

void ImageDocument::finishPromotedSave(bool didSave)
{
    if (!pendingPromotedSave_)
        return;
    PendingPromotedSave pending = std::move(*pendingPromotedSave_);
    pendingPromotedSave_.reset();
    if (!didSave)
        fileType_ = pending.previousFileType;
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
    const std::optional<Bitmap> composite = renderComposite(state);
    if (!composite)
        return std::nullopt;
    const double longer = std::max(composite->width(), composite->height());
    const double scale = std::min(kThumbnailSide / longer, 1.0);
    return resampleImage(*composite, composite->width() * scale, composite->height() * scale);
}

}  // namespace velmaris
