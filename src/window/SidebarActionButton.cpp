#include "window/SidebarActionButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace velmaris {

namespace {

constexpr int kPointSize = 11;
constexpr int kTitleInset = 6;

}  // namespace

SidebarActionButton::SidebarActionButton(const QString& title, Predicate enabledWhen, QWidget* parent)
    : QPushButton(title, parent), enabledWhen_(std::move(enabledWhen))
{
    QFont small = font();
    small.setPointSize(kPointSize);
    setFont(small);
    setToolTip(title);
    // As wide as the section, however long the title.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void SidebarActionButton::refresh(const ImageDocument& document)
{
    setEnabled(!enabledWhen_ || enabledWhen_(document));
}

QSize SidebarActionButton::minimumSizeHint() const
{
    return {2 * kTitleInset, QPushButton::minimumSizeHint().height()};
}

void SidebarActionButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString title = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QRect textRect = contents.adjusted(kTitleInset, 0, -kTitleInset, 0);
    painter.drawItemText(textRect, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                         fontMetrics().elidedText(title, Qt::ElideRight, textRect.width()), QPalette::ButtonText);
}

}  // namespace velmaris
