#include "window/OpacitySlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace velmaris {

namespace {

bool isStepKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down ||
           key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
}

}  // namespace

OpacitySlider::OpacitySlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 100);
    setSingleStep(1);
    setPageStep(10);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(tr("Left/Right arrows adjust; Up/Down for larger steps"));
    connect(this, &QSlider::valueChanged, this, &OpacitySlider::userChanged);
}

QPoint OpacitySlider::handleCentre(int value) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const int offset = QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown);
    return {groove.left() + offset + handle.width() / 2, handle.center().y()};
}

void OpacitySlider::userChanged(int value)
{
    // Programmatic updates come with signals blocked, so every change here is the user's.
    if (inGesture_) {
        changedInGesture_ = true;
        Q_EMIT valueEdited(value, false);
    } else {
        Q_EMIT valueEdited(value, true);
    }
}

void OpacitySlider::endGesture()
{
    const bool changed = changedInGesture_;
    inGesture_ = false;
    changedInGesture_ = false;
    if (changed)
        Q_EMIT valueEdited(value(), true);
}

void OpacitySlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        inGesture_ = true;
    QSlider::mousePressEvent(event);
}

void OpacitySlider::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        endGesture();
}

void OpacitySlider::keyPressEvent(QKeyEvent* event)
{
    if (!isStepKey(event->key())) {
        QSlider::keyPressEvent(event);
        return;
    }
    inGesture_ = true;
    switch (event->key()) {
    case Qt::Key_Up:
        triggerAction(SliderPageStepAdd);
        break;
    case Qt::Key_Down:
        triggerAction(SliderPageStepSub);
        break;
    default:
        QSlider::keyPressEvent(event);
        break;
    }
}

void OpacitySlider::keyReleaseEvent(QKeyEvent* event)
{
    if (isStepKey(event->key()) && !event->isAutoRepeat()) {
        endGesture();
        return;
    }
    QSlider::keyReleaseEvent(event);
}

}  // namespace velmaris
