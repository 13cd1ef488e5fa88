#include "window/HistoryListModel.h"

#include "document/ImageDocument.h"

#include <QGuiApplication>
#include <QPalette>

namespace velmaris {

HistoryListModel::HistoryListModel(ImageDocument* document, QObject* parent)
    : QAbstractListModel(parent), document_(document)
{
    if (document) {
        shownRows_ = int(document->history().entries().size());
        connect(document, &ImageDocument::stateDidChange, this, &HistoryListModel::reload);
        connect(document, &QObject::destroyed, this, &HistoryListModel::reload);
    }
}

int HistoryListModel::rowCount(const QModelIndex& parent) const
{
    // Views must see the count they were last told about, even if the history moved on since.
    return parent.isValid() ? 0 : shownRows_;
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const
{
    if (!document_ || !index.isValid() || index.row() >= document_->history().entries().size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return document_->history().entries()[index.row()].name;
    case Qt::ForegroundRole:
        // Entries that redo would bring back are greyed; the current one and older ones are not.
        if (isRedoRow(index.row()))
            return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags HistoryListModel::flags(const QModelIndex& index) const
{
    // Redo entries stay enabled: clicking one redoes up to it.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

ImageDocument* HistoryListModel::document() const
{
    return document_;
}

int HistoryListModel::currentRow() const
{
    if (!document_)
        return -1;
    const int current = document_->history().currentIndex();
    return current < shownRows_ ? current : -1;
}

bool HistoryListModel::isRedoRow(int row) const
{
    return document_ && row > document_->history().currentIndex();
}

void HistoryListModel::reload()
{
    const int rows = document_ ? int(document_->history().entries().size()) : 0;
    if (rows != shownRows_) {
        beginResetModel();
        shownRows_ = rows;
        endResetModel();
    } else if (rows > 0) {
        // Same count: the current entry may have moved, or a push at the limit shifted every name
        // up by one. Either way only the rows' contents change.
        Q_EMIT dataChanged(index(0), index(rows - 1), {Qt::DisplayRole, Qt::ToolTipRole, Qt::ForegroundRole});
    }
    Q_EMIT didReload();
}

}  // namespace velmaris
