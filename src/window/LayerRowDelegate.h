#pragma once

#include <QIcon>
#include <QRect>
#include <QStyledItemDelegate>

namespace velmaris {

// Draws a row of the layers list, left to right: the visibility and lock toggles, the thumbnail,
// the name (editable in place) and the "T" badge of a text layer. A layer in a group is indented
// behind a bar that runs along its group's rows. Clicking a toggle flips it without touching the
// row selection.
class LayerRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 36;

    explicit LayerRowDelegate(QObject* parent = nullptr);

    // Where each part of the row of `index` goes when the row's rectangle is `row`.
    struct RowLayout {
        QRect visibility;
        QRect lock;
        QRect groupBar;  // empty for a layer in no group
        QRect thumbnail;
        QRect name;  // reaches the right edge when there is no badge
        QRect badge;  // empty for a bitmap layer
    };
    static RowLayout rowLayout(const QRect& row, const QModelIndex& index);
    // The name as the row draws it with `font`'s family: cut short with an ellipsis only when its
    // place is too narrow.
    static QString shownName(const QRect& row, const QModelIndex& index, const QFont& font);
    // The tooltip of the lock toggle.
    static QString lockToolTip(bool locked);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    // Looked up once: every visible row paints two of them.
    QIcon visible_;
    QIcon hidden_;
    QIcon locked_;
    QIcon unlocked_;
};

}  // namespace velmaris
