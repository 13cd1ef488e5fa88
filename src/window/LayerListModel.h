#pragma once

#include "model/Layer.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QUuid>
#include <QVector>

#include <optional>

namespace velmaris {

class ImageDocument;
class LayerThumbnails;
struct ThumbnailKey;

// The layers of one document, top layer first: row r shows stack index count − 1 − r. Rows are
// read from the document when asked for; the model keeps only the ids of the rows its views know,
// so that a change that keeps the stack updates rows instead of resetting the list. Edits made
// through setData() and drops go to the document's layer operations.
class LayerListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        LayerIdRole = Qt::UserRole + 1,
        VisibleRole,
        LockedRole,
        TextLayerRole,
        ThumbnailRole,  // QImage; null while it is being drawn or when there is nothing to show
        EmphasisedRole,  // the primary layer while other layers are selected too
        GroupRole,  // QUuid of the layer's group; invalid for a layer in no group
    };

    static const QString kRowMimeType;

    explicit LayerListModel(ImageDocument* document, QObject* parent = nullptr);

    static int stackIndexOfRow(int row, int count) { return count - 1 - row; }
    static int rowOfStackIndex(int index, int count) { return count - 1 - index; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    // Only drops between rows (an invalid parent) of a row this list wrote.
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    // The layer a row shows, if the row is inside the stack.
    std::optional<Layer> layerAt(int row) const;
    std::optional<QUuid> layerIdAt(int row) const;
    std::optional<int> rowOfLayer(const QUuid& id) const;
    ImageDocument* document() const;
    LayerThumbnails* thumbnails() const { return thumbnails_; }

    // Brings the rows in line with the document's state.
    void reload();

private:
    std::optional<int> draggedRow(const QMimeData* data) const;
    bool isShown(const ThumbnailKey& key) const;
    void thumbnailReady(const ThumbnailKey& key);

    QPointer<ImageDocument> document_;
    QVector<QUuid> shownIds_;  // row order
    LayerThumbnails* thumbnails_;
};

}  // namespace velmaris
