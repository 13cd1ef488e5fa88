#pragma once

#include <QPointer>
#include <QWidget>

class QItemSelection;
class QLabel;
class QListView;

namespace velmaris {

class HistoryListModel;
class ImageDocument;

// The side panel that lists a document's history, oldest first, with the current entry selected
// and the redo entries greyed. Clicking an entry makes it current.
class HistoryPanel : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPanel(ImageDocument* document, QWidget* parent = nullptr);

    QListView* listView() const { return list_; }
    HistoryListModel* model() const { return model_; }
    QLabel* header() const { return header_; }

private:
    void selectCurrentEntry();
    void selectionDidChange(const QItemSelection& selected);

    QPointer<ImageDocument> document_;
    HistoryListModel* model_;
    QLabel* header_;
    QListView* list_;
    // Set while the panel itself moves the selection, which must not jump back into the history.
    bool isReloading_ = false;
};

}  // namespace velmaris
