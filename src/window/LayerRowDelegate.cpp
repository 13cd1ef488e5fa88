#include "window/LayerRowDelegate.h"

#include "window/LayerListModel.h"
#include "window/SymbolIcons.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace velmaris {

namespace {

constexpr int kInset = 4;
constexpr int kToggleSize = 16;
constexpr int kGap = 4;
constexpr QSize kThumbnailBox(40, 28);
constexpr int kBadgeWidth = 14;
constexpr int kNamePointSize = 12;
constexpr int kBadgePointSize = 10;
constexpr int kGroupIndent = 10;
constexpr int kGroupBarWidth = 3;
constexpr int kGroupBarEndGap = 4;

QRect centredSquare(int left, const QRect& row, int side)
{
    return {left, row.top() + (row.height() - side) / 2, side, side};
}

bool isToggleEvent(const QEvent* event)
{
    return event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
           event->type() == QEvent::MouseButtonRelease;
}

}  // namespace

LayerRowDelegate::LayerRowDelegate(QObject* parent)
    : QStyledItemDelegate(parent), visible_(symbolIcon(QStringLiteral("eye"))),
      hidden_(symbolIcon(QStringLiteral("eye.slash"))), locked_(symbolIcon(QStringLiteral("lock.fill"))),
      unlocked_(symbolIcon(QStringLiteral("lock.open")))
{
}

LayerRowDelegate::RowLayout LayerRowDelegate::rowLayout(const QRect& row, const QModelIndex& index)
{
    RowLayout layout;
    layout.visibility = centredSquare(row.left() + kInset, row, kToggleSize);
    layout.lock = centredSquare(layout.visibility.right() + 1 + kGap, row, kToggleSize);
    int left = layout.lock.right() + 1 + kGap;
    const QVariant group = index.data(LayerListModel::GroupRole);
    if (group.isValid()) {
        // One bar along the rows of a group, with a gap where another group or a loose layer starts.
        const auto sameGroup = [&](int offset) {
            return index.siblingAtRow(index.row() + offset).data(LayerListModel::GroupRole) == group;
        };
        const int top = row.top() + (sameGroup(-1) ? 0 : kGroupBarEndGap);
        const int bottom = row.bottom() - (sameGroup(1) ? 0 : kGroupBarEndGap);
        layout.groupBar = QRect(left, top, kGroupBarWidth, bottom - top + 1);
        left += kGroupIndent;
    }
    layout.thumbnail = QRect(left, row.top() + (row.height() - kThumbnailBox.height()) / 2, kThumbnailBox.width(),
                             kThumbnailBox.height());
    int right = row.right() - kInset;
    if (index.data(LayerListModel::TextLayerRole).toBool()) {
        layout.badge = QRect(row.right() - kInset - kBadgeWidth + 1, row.top(), kBadgeWidth, row.height());
        right = layout.badge.left() - kGap;
    }
    const int nameLeft = layout.thumbnail.right() + 1 + kGap + 2;
    layout.name = QRect(nameLeft, row.top() + (row.height() - 22) / 2, std::max(0, right - nameLeft), 22);
    return layout;
}

namespace {

QFont nameFont(QFont font, const QModelIndex& index)
{
    font.setPointSize(kNamePointSize);
    font.setBold(index.data(LayerListModel::EmphasisedRole).toBool());
    return font;
}

}  // namespace

QString LayerRowDelegate::shownName(const QRect& row, const QModelIndex& index, const QFont& font)
{
    return QFontMetrics(nameFont(font, index))
        .elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, rowLayout(row, index).name.width());
}

QString LayerRowDelegate::lockToolTip(bool locked)
{
    return locked ? tr("Unlock Layer") : tr("Lock Layer");
}

QSize LayerRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {std::max(option.rect.width(), 160), kRowHeight};
}

void LayerRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The selection background and focus frame come from the style; the contents are ours.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const RowLayout layout = rowLayout(option.rect, index);
    const bool visible = index.data(LayerListModel::VisibleRole).toBool();
    const bool locked = index.data(LayerListModel::LockedRole).toBool();
    (visible ? visible_ : hidden_).paint(painter, layout.visibility);
    (locked ? locked_ : unlocked_).paint(painter, layout.lock);

    const QPalette& palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    if (!layout.groupBar.isEmpty()) {
        // Selecting one member selects the whole group: the bar must stand out on the selection too.
        QColor bar = palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
        bar.setAlphaF(0.7f);
        painter->fillRect(layout.groupBar, bar);
    }

    // A 1-point frame in the separator colour on the text background, the picture fitted inside.
    const QRect frame = layout.thumbnail;
    painter->fillRect(frame, palette.color(QPalette::Base));
    painter->setPen(palette.color(QPalette::Mid));
    painter->drawRect(frame.adjusted(0, 0, -1, -1));
    const QImage thumbnail = index.data(LayerListModel::ThumbnailRole).value<QImage>();
    if (!thumbnail.isNull()) {
        const QRect inside = frame.adjusted(1, 1, -1, -1);
        QSize fitted = thumbnail.size().scaled(inside.size(), Qt::KeepAspectRatio);
        if (thumbnail.width() <= inside.width() && thumbnail.height() <= inside.height())
            fitted = thumbnail.size();
        const QRect target(inside.left() + (inside.width() - fitted.width()) / 2,
                           inside.top() + (inside.height() - fitted.height()) / 2, fitted.width(), fitted.height());
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, thumbnail);
    }

    const QColor textColour = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    painter->setFont(nameFont(option.font, index));
    painter->setPen(textColour);
    painter->drawText(layout.name, Qt::AlignLeft | Qt::AlignVCenter, shownName(option.rect, index, option.font));

    if (!layout.badge.isEmpty()) {
        QFont badgeFont = option.font;
        badgeFont.setPointSize(kBadgePointSize);
        badgeFont.setBold(true);
        painter->setFont(badgeFont);
        QColor secondary = textColour;
        secondary.setAlphaF(0.55f);
        painter->setPen(secondary);
        painter->drawText(layout.badge, Qt::AlignCenter, QStringLiteral("T"));
    }
    painter->restore();
}

bool LayerRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (!isToggleEvent(event))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const QPoint position = mouse->position().toPoint();
    int role = 0;
    const RowLayout layout = rowLayout(option.rect, index);
    if (layout.visibility.contains(position))
        role = LayerListModel::VisibleRole;
    else if (layout.lock.contains(position))
        role = LayerListModel::LockedRole;
    if (role == 0 || mouse->button() != Qt::LeftButton)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    // The press flips the toggle; the rest of the click is swallowed so the row selection stays.
    if (event->type() == QEvent::MouseButtonPress)
        model->setData(index, !index.data(role).toBool(), role);
    return true;
}

bool LayerRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (event && event->type() == QEvent::ToolTip && index.isValid() &&
        rowLayout(option.rect, index).lock.contains(event->pos())) {
        QToolTip::showText(event->globalPos(), lockToolTip(index.data(LayerListModel::LockedRole).toBool()), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

QWidget* LayerRowDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* field = new QLineEdit(parent);
    field->setFrame(false);
    QFont font = field->font();
    font.setPointSize(kNamePointSize);
    field->setFont(font);
    return field;
}

void LayerRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const
{
    editor->setGeometry(rowLayout(option.rect, index).name.adjusted(-2, 0, 0, 0));
}

void LayerRowDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    // The list refreshes an open editor whenever its row changes (a thumbnail arriving); what the
    // user typed stays.
    auto* field = static_cast<QLineEdit*>(editor);
    if (!field->isModified())
        field->setText(index.data(Qt::EditRole).toString());
}

void LayerRowDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    // The model renames only when the text differs; the operation trims it and ignores an empty name.
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

}  // namespace velmaris
