#include "window/HistoryPanel.h"

#include "document/ImageDocument.h"
#include "window/HistoryListModel.h"

#include <QLabel>
#include <QListView>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace velmaris {

namespace {

constexpr int kRowHeight = 20;
constexpr int kTextInset = 4;
constexpr int kMargin = 8;
constexpr int kHeaderSpacing = 6;
constexpr int kPointSize = 11;

// Rows of a fixed height with the name inset from both sides.
class HistoryRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width() + 2 * kTextInset, kRowHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem inset = option;
        inset.rect.adjust(kTextInset, 0, -kTextInset, 0);
        QStyledItemDelegate::paint(painter, inset, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option->textElideMode = Qt::ElideRight;
    }
};

QFont withPointSize(QFont font, QFont::Weight weight = QFont::Normal)
{
    font.setPointSize(kPointSize);
    font.setWeight(weight);
    return font;
}

}  // namespace

HistoryPanel::HistoryPanel(ImageDocument* document, QWidget* parent)
    : QWidget(parent), document_(document), model_(new HistoryListModel(document, this)),
      header_(new QLabel(tr("History"), this)), list_(new QListView(this))
{
    header_->setFont(withPointSize(header_->font(), QFont::DemiBold));
    QPalette headerPalette = header_->palette();
    QColor secondary = headerPalette.color(QPalette::WindowText);
    secondary.setAlphaF(0.55f);
    headerPalette.setColor(QPalette::WindowText, secondary);
    header_->setPalette(headerPalette);

    list_->setModel(model_);
    list_->setItemDelegate(new HistoryRowDelegate(list_));
    list_->setFont(withPointSize(list_->font()));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_->setFrameShape(QFrame::NoFrame);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kHeaderSpacing);
    layout->addWidget(header_);
    layout->addWidget(list_, 1);

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) { selectionDidChange(selected); });
    connect(model_, &HistoryListModel::didReload, this, &HistoryPanel::selectCurrentEntry);
    selectCurrentEntry();
}

void HistoryPanel::selectCurrentEntry()
{
    const QScopedValueRollback reloading(isReloading_, true);
    const int row = model_->currentRow();
    if (row < 0) {
        list_->selectionModel()->clear();
        return;
    }
    const QModelIndex index = model_->index(row);
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(index);
}

void HistoryPanel::selectionDidChange(const QItemSelection& selected)
{
    if (isReloading_ || !document_)
        return;
    // A Ctrl-click can empty the selection; the current entry stays selected.
    if (selected.indexes().isEmpty()) {
        if (!list_->selectionModel()->hasSelection())
            selectCurrentEntry();
        return;
    }
    // The jump announces the new state, which reloads the panel and reselects the row.
    document_->jumpToHistory(selected.indexes().first().row());
}

}  // namespace velmaris
