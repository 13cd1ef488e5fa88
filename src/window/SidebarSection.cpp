#include "window/SidebarSection.h"

#include "platform/Preferences.h"
#include "window/SymbolIcons.h"

#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmaris {

namespace {

constexpr int kHeaderPointSize = 11;
constexpr int kSpacing = 4;

}  // namespace

SidebarSection::SidebarSection(const QString& key, const QString& title, QWidget* content, bool separator,
                               QWidget* parent)
    : QWidget(parent), key_(key), header_(new QToolButton(this)), content_(content ? content : new QWidget),
      separator_(separator)
{
    setObjectName(QStringLiteral("SidebarSection.") + key);
    header_->setObjectName(QStringLiteral("SidebarSectionHeader"));
    header_->setText(QLatin1Char(' ') + title);
    header_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    header_->setAutoRaise(true);
    header_->setFocusPolicy(Qt::NoFocus);
    QFont font = header_->font();
    font.setPointSize(kHeaderPointSize);
    header_->setFont(font);
    QPalette palette = header_->palette();
    QColor secondary = palette.color(QPalette::ButtonText);
    secondary.setAlphaF(0.55f);
    palette.setColor(QPalette::ButtonText, secondary);
    header_->setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(kSpacing);
    layout->addWidget(header_, 0, Qt::AlignLeft);
    layout->addWidget(content_);

    connect(header_, &QToolButton::clicked, this, &SidebarSection::toggle);
    // Another window (or this one) stored a new state.
    connect(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange, this,
            [this](const QString& name) {
                if (name == preferenceName(key_))
                    showCollapsed(Preferences().sidebarSectionCollapsed(key_).value_or(false));
            });
    showCollapsed(Preferences().sidebarSectionCollapsed(key_).value_or(false));
}

QString SidebarSection::preferenceName(const QString& key)
{
    return QLatin1String(PreferenceName::sidebarSectionCollapsedPrefix) + key;
}

void SidebarSection::toggle()
{
    const bool collapsed = !isCollapsed_;
    showCollapsed(collapsed);
    Preferences().setValue(preferenceName(key_), collapsed);
}

void SidebarSection::showCollapsed(bool collapsed)
{
    isCollapsed_ = collapsed;
    content_->setVisible(!collapsed);
    header_->setIcon(symbolIcon(collapsed ? QStringLiteral("chevron.right") : QStringLiteral("chevron.down")));
    header_->setAccessibleDescription(collapsed ? tr("Expand") : tr("Collapse"));
}

void SidebarSection::paintEvent(QPaintEvent*)
{
    if (!separator_)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);
}

}  // namespace velmaris
