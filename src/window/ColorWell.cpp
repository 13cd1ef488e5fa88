#include "window/ColorWell.h"

#include "window/ColorDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFocusEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace velmaris {

namespace {

constexpr int kSwatchInset = 4;
constexpr int kCheckerSize = 12;

}  // namespace

QBrush mixedColorBrush()
{
    QPixmap tile(kCheckerSize, kCheckerSize);
    tile.fill(Qt::white);
    QPainter painter(&tile);
    const int half = kCheckerSize / 2;
    painter.fillRect(0, 0, half, half, Qt::lightGray);
    painter.fillRect(half, half, half, half, Qt::lightGray);
    return QBrush(tile);
}

ColorWell::ColorWell(QWidget* parent) : QPushButton(parent)
{
    setFixedSize(40, 22);
    connect(this, &QPushButton::clicked, this, &ColorWell::openDialog);
    // Told after focusInEvent(), which says whether a click brought the focus.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (now == this)
            focusBeforeClick_ = focusTakenByClick_ ? old : nullptr;
    });
}

void ColorWell::setColor(const QColor& color)
{
    if (!mixed_ && color_ == color)
        return;
    color_ = color;
    mixed_ = false;
    update();
}

void ColorWell::setMixed()
{
    if (mixed_)
        return;
    mixed_ = true;
    update();
}

void ColorWell::openDialog()
{
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    // A child of the well, so the text editor sees the focus stay with the style controls.
    dialog_ = makeColorDialog(color_, this);
    dialog_->setWindowTitle(toolTip());
    connect(dialog_, &QColorDialog::colorSelected, this, [this](const QColor& chosen) {
        setColor(chosen);
        Q_EMIT colorChosen(chosen);
    });
    // Typing goes on where it was before the click on the well: in the text being edited, say.
    connect(dialog_, &QDialog::finished, this, [this] {
        if (focusBeforeClick_ && focusBeforeClick_->window() == window() && window()->focusWidget() == this)
            focusBeforeClick_->setFocus(Qt::OtherFocusReason);
    });
    dialog_->open();
}

void ColorWell::focusInEvent(QFocusEvent* event)
{
    focusTakenByClick_ = event->reason() == Qt::MouseFocusReason;
    QPushButton::focusInEvent(event);
}

void ColorWell::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect swatch = rect().adjusted(kSwatchInset, kSwatchInset, -kSwatchInset, -kSwatchInset);
    painter.fillRect(swatch, mixed_ ? mixedColorBrush() : QBrush(color_));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

}  // namespace velmaris
