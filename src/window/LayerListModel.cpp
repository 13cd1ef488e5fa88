#include "window/LayerListModel.h"

#include "document/ImageDocument.h"
#include "document/LayerStackOperations.h"
#include "document/LayerStyleOperations.h"
#include "window/LayerThumbnails.h"

#include <QFont>
#include <QMimeData>

namespace velmaris {

namespace {

// Twice the thumbnail's place in a row, so it stays sharp on high-density screens.
constexpr QSize kThumbnailPixels(80, 56);

}  // namespace

const QString LayerListModel::kRowMimeType = QStringLiteral("app.velmaris.velmarisimages.layer-row");

LayerListModel::LayerListModel(ImageDocument* document, QObject* parent)
    : QAbstractListModel(parent), document_(document),
      thumbnails_(new LayerThumbnails([this](const ThumbnailKey& key) { return isShown(key); }, kThumbnailPixels, this))
{
    connect(thumbnails_, &LayerThumbnails::thumbnailReady, this, &LayerListModel::thumbnailReady);
    if (document) {
        const QVector<Layer>& layers = document->state().layers;
        for (auto layer = layers.crbegin(); layer != layers.crend(); ++layer)
            shownIds_.append(layer->id);
    }
}

ImageDocument* LayerListModel::document() const
{
    return document_;
}

int LayerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(shownIds_.size());
}

std::optional<Layer> LayerListModel::layerAt(int row) const
{
    if (!document_)
        return std::nullopt;
    const QVector<Layer>& layers = document_->state().layers;
    const int index = stackIndexOfRow(row, int(layers.size()));
    if (row < 0 || index < 0)
        return std::nullopt;
    return layers[index];
}

std::optional<QUuid> LayerListModel::layerIdAt(int row) const
{
    if (const std::optional<Layer> layer = layerAt(row))
        return layer->id;
    return std::nullopt;
}

std::optional<int> LayerListModel::rowOfLayer(const QUuid& id) const
{
    if (!document_)
        return std::nullopt;
    const QVector<Layer>& layers = document_->state().layers;
    for (int index = 0; index < layers.size(); ++index)
        if (layers[index].id == id)
            return rowOfStackIndex(index, int(layers.size()));
    return std::nullopt;
}

QVariant LayerListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !document_)
        return {};
    const QVector<Layer>& layers = document_->state().layers;
    const int stackIndex = stackIndexOfRow(index.row(), int(layers.size()));
    if (stackIndex < 0 || index.row() < 0)
        return {};
    const Layer& layer = layers[stackIndex];
    const CanvasState& state = document_->state();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return layer.name;
    case LayerIdRole:
        return layer.id;
    case VisibleRole:
        return layer.isVisible;
    case LockedRole:
        return layer.isLocked;
    case TextLayerRole:
        return layer.isText();
    case EmphasisedRole:
        return state.selectedLayerID == layer.id && !state.extraSelectedLayers().isEmpty();
    case ThumbnailRole:
        return thumbnails_->thumbnail(layer).value_or(QImage());
    case GroupRole:
        return layer.groupID ? QVariant(*layer.groupID) : QVariant();
    default:
        return {};
    }
}

bool LayerListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const std::optional<Layer> layer = index.isValid() ? layerAt(index.row()) : std::nullopt;
    if (!layer)
        return false;
    switch (role) {
    case Qt::EditRole:
        if (value.toString() == layer->name)
            return false;
        return renameLayer(*document_, layer->id, value.toString());
    case VisibleRole:
        return setLayerVisible(*document_, layer->id, value.toBool());
    case LockedRole:
        return setLayerLocked(*document_, layer->id, value.toBool());
    default:
        return false;
    }
}

Qt::ItemFlags LayerListModel::flags(const QModelIndex& index) const
{
    // Drops land only between rows, which the view reports with the list's root as parent.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
}

QStringList LayerListModel::mimeTypes() const
{
    return {kRowMimeType};
}

QMimeData* LayerListModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(kRowMimeType, QByteArray::number(indexes.first().row()));
    return data;
}

std::optional<int> LayerListModel::draggedRow(const QMimeData* data) const
{
    if (!data || !data->hasFormat(kRowMimeType))
        return std::nullopt;
    bool ok = false;
    const int row = QString::fromUtf8(data->data(kRowMimeType)).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return row;
}

bool LayerListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                     const QModelIndex& parent) const
{
    if (!document_ || action != Qt::MoveAction || parent.isValid() || row > rowCount())
        return false;
    const std::optional<int> source = draggedRow(data);
    if (!source)
        return false;
    // The gaps directly above and below the dragged row leave it where it is: no "Reorder Layer" entry.
    const int gap = row < 0 ? rowCount() : row;
    return gap != *source && gap != *source + 1;
}

bool LayerListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                  const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const int count = int(document_->state().layers.size());
    // A drop on the empty space below the last row lands under it.
    const int gap = row < 0 ? rowCount() : row;
    const int source = *draggedRow(data);
    return moveLayer(*document_, stackIndexOfRow(source, count), count - gap);
}

void LayerListModel::reload()
{
    QVector<QUuid> ids;
    if (document_) {
        const QVector<Layer>& layers = document_->state().layers;
        ids.reserve(layers.size());
        for (auto layer = layers.crbegin(); layer != layers.crend(); ++layer)
            ids.append(layer->id);
    }
    if (ids != shownIds_) {
        beginResetModel();
        shownIds_ = std::move(ids);
        endResetModel();
    } else if (!ids.isEmpty()) {
        Q_EMIT dataChanged(index(0), index(int(ids.size()) - 1));
    }
    thumbnails_->dropUnwanted();
}

bool LayerListModel::isShown(const ThumbnailKey& key) const
{
    if (!document_)
        return false;
    for (const Layer& layer : document_->state().layers)
        if (ThumbnailKey::of(layer) == key)
            return true;
    return false;
}

void LayerListModel::thumbnailReady(const ThumbnailKey& key)
{
    if (!document_)
        return;
    const QVector<Layer>& layers = document_->state().layers;
    for (int stackIndex = 0; stackIndex < layers.size(); ++stackIndex) {
        if (ThumbnailKey::of(layers[stackIndex]) == key) {
            const QModelIndex changed = index(rowOfStackIndex(stackIndex, int(layers.size())));
            Q_EMIT dataChanged(changed, changed, {ThumbnailRole});
        }
    }
}

}  // namespace velmaris
