#pragma once

#include <QAbstractListModel>
#include <QPointer>

namespace velmaris {

class ImageDocument;

// The snapshot history of one document as a list, oldest entry first. Every row is read from the
// document when it is asked for; the model keeps only the number of rows its views know about.
class HistoryListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit HistoryListModel(ImageDocument* document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The row of the current entry, or -1 when there is none (the document is gone).
    int currentRow() const;
    // Whether `row` is an entry that redo would bring back.
    bool isRedoRow(int row) const;
    ImageDocument* document() const;

Q_SIGNALS:
    // The rows now match the document's history (after any reset or row update).
    void didReload();

private:
    void reload();

    QPointer<ImageDocument> document_;
    int shownRows_ = 0;
};

}  // namespace velmaris
