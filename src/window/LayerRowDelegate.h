#pragma once

#include <QIcon>
#include <QRect>
#include <QStyledItemDelegate>

namespace velmaris {

// Draws a row of the layers list, left to right: the visibility and lock toggles, the thumbnail,
// the name (editable in place) and the "T" badge of a text layer. Clicking a toggle flips it
// without touching the row selection.
class LayerRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 36;

    explicit LayerRowDelegate(QObject* parent = nullptr);

    // Where each part of a row whose rectangle is `row` goes.
    static QRect visibilityRect(const QRect& row);
    static QRect lockRect(const QRect& row);
    static QRect thumbnailRect(const QRect& row);
    static QRect nameRect(const QRect& row);
    static QRect badgeRect(const QRect& row);
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
