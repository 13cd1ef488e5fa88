#include "window/ColorWells.h"

#include "platform/CurrentColorStore.h"
#include "window/ColorWell.h"
#include "window/SymbolIcons.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

namespace velmaris {

namespace {

constexpr QSize kWellSize(30, 22);
constexpr int kSwatchSide = 18;

// A swatch over the checker pattern, so a translucent colour shows as one.
QIcon swatchIcon(const QColor& color)
{
    QPixmap pixmap(kSwatchSide, kSwatchSide);
    QPainter painter(&pixmap);
    painter.fillRect(pixmap.rect(), mixedColorBrush());
    painter.fillRect(pixmap.rect(), color);
    painter.setPen(Qt::gray);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

ColorWell* makeWell(const QString& name, const QString& toolTip)
{
    auto* well = new ColorWell;
    well->setObjectName(name);
    well->setToolTip(toolTip);
    well->setFixedSize(kWellSize);
    return well;
}

}  // namespace

ColorWells::ColorWells(QWidget* parent)
    : QWidget(parent),
      current_(makeWell(QStringLiteral("VelmarisColor"), tr("Current Color"))),
      background_(makeWell(QStringLiteral("VelmarisBackgroundColor"), tr("Background Color"))),
      recent_(new QToolButton)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(current_);
    row->addWidget(background_);
    recent_->setObjectName(QStringLiteral("VelmarisRecentColors"));
    recent_->setToolTip(tr("Recent Colors"));
    recent_->setIcon(symbolIcon(QStringLiteral("chevron.down")));
    recent_->setAutoRaise(true);
    row->addWidget(recent_);

    CurrentColorStore& store = CurrentColorStore::shared();
    connect(current_, &ColorWell::colorChosen, this,
            [](const QColor& color) { CurrentColorStore::shared().setColor(color); });
    connect(background_, &ColorWell::colorChosen, this, [](const QColor& color) {
        CurrentColorStore::shared().setBackgroundColor(StoredColor::fromColor(color));
    });
    connect(recent_, &QToolButton::clicked, this, &ColorWells::openRecentPopup);
    connect(&store, &CurrentColorStore::currentColorDidChange, this, &ColorWells::showColors);
    showColors();
}

void ColorWells::showColors()
{
    const CurrentColorStore& store = CurrentColorStore::shared();
    current_->setColor(store.color().toColor());
    background_->setColor(store.backgroundColor().toColor());
}

void ColorWells::openRecentPopup()
{
    if (popup_)
        popup_->close();
    auto* popup = new QFrame(this, Qt::Popup);
    popup->setObjectName(QStringLiteral("RecentColorsPopup"));
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(popup);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    const QVector<StoredColor> colors = CurrentColorStore::shared().recentColors();
    if (colors.isEmpty())
        row->addWidget(new QLabel(tr("No recent colors")));
    for (const StoredColor& color : colors) {
        auto* swatch = new QToolButton;
        swatch->setObjectName(QStringLiteral("recentColor"));
        swatch->setAutoRaise(true);
        swatch->setIcon(swatchIcon(color.toColor()));
        swatch->setIconSize(QSize(kSwatchSide, kSwatchSide));
        swatch->setToolTip(color.toColor().name(QColor::HexArgb));
        connect(swatch, &QToolButton::clicked, popup, [popup, color] {
            CurrentColorStore::shared().setColor(color);
            popup->close();
        });
        row->addWidget(swatch);
    }
    popup_ = popup;
    popup->adjustSize();
    popup->move(recent_->mapToGlobal(QPoint(0, recent_->height())));
    popup->show();
}

}  // namespace velmaris
