#include "window/FocusableSlider.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// Hovering must not pull the focus out of a field the user is typing into.
bool textEditorHasFocus()
{
    const QWidget* focus = QApplication::focusWidget();
    if (const auto* line = qobject_cast<const QLineEdit*>(focus))
        return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(focus))
        return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(focus))
        return !plain->isReadOnly();
    return qobject_cast<const QAbstractSpinBox*>(focus) != nullptr;
}

}  // namespace

FocusableSlider::FocusableSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, kResolution);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    connect(this, &QSlider::valueChanged, this, &FocusableSlider::positionChanged);
}

void FocusableSlider::setDoubleRange(double minimum, double maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    setDoubleValue(value_);
}

void FocusableSlider::setDoubleValue(double value)
{
    value_ = std::clamp(value, minimum_, maximum_);
    settingPosition_ = true;
    setValue(positionFor(value_));
    settingPosition_ = false;
}

int FocusableSlider::positionFor(double value) const
{
    const double span = maximum_ - minimum_;
    if (span <= 0)
        return 0;
    return int(std::lround((value - minimum_) / span * kResolution));
}

void FocusableSlider::positionChanged(int position)
{
    if (settingPosition_)
        return;
    value_ = minimum_ + (maximum_ - minimum_) * position / kResolution;
    Q_EMIT doubleValueChanged(value_);
}

void FocusableSlider::step(int direction, bool coarse)
{
    const double size = coarse ? coarseKeyboardStep_.value_or(5 * keyboardStep_) : keyboardStep_;
    setDoubleValue(value_ + direction * size);
    // Announced even when clamped at an end, as every key press is an adjustment.
    Q_EMIT doubleValueChanged(value_);
}

bool FocusableSlider::stepForKey(int key)
{
    switch (key) {
    case Qt::Key_Left: step(-1, false); return true;
    case Qt::Key_Right: step(1, false); return true;
    case Qt::Key_Down: step(-1, true); return true;
    case Qt::Key_Up: step(1, true); return true;
    default: return false;
    }
}

void FocusableSlider::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (stepForKey(event->key())) {
            event->accept();
            return;
        }
    }
    QSlider::keyPressEvent(event);
}

void FocusableSlider::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    QSlider::mousePressEvent(event);
}

void FocusableSlider::mouseMoveEvent(QMouseEvent* event)
{
    takeFocusOnHover();
    QSlider::mouseMoveEvent(event);
}

void FocusableSlider::enterEvent(QEnterEvent* event)
{
    takeFocusOnHover();
    QSlider::enterEvent(event);
}

void FocusableSlider::takeFocusOnHover()
{
    if (!focusesOnHover_ || !isEnabled() || !isActiveWindow() || hasFocus() || textEditorHasFocus())
        return;
    setFocus(Qt::MouseFocusReason);
}

}  // namespace velmaris
