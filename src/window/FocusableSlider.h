#pragma once

#include <QSlider>

#include <optional>

namespace velmaris {

// A horizontal slider over a range of doubles. The arrow keys step it: Left/Right by the fine
// step, Down/Up by the coarse one (5 × fine unless set), clamped to the range. It takes the
// keyboard focus on a click and, when focusesOnHover is on, when the pointer moves over it, unless
// someone is typing into a text field.
class FocusableSlider : public QSlider {
    Q_OBJECT
public:
    // Positions the underlying integer slider has across the range.
    static constexpr int kResolution = 10000;

    explicit FocusableSlider(QWidget* parent = nullptr);

    void setDoubleRange(double minimum, double maximum);
    double minimumValue() const { return minimum_; }
    double maximumValue() const { return maximum_; }
    double doubleValue() const { return value_; }
    // Clamped to the range; announces nothing, as a change from outside needs no echo.
    void setDoubleValue(double value);

    double keyboardStep() const { return keyboardStep_; }
    void setKeyboardStep(double step) { keyboardStep_ = step; }
    std::optional<double> coarseKeyboardStep() const { return coarseKeyboardStep_; }
    void setCoarseKeyboardStep(std::optional<double> step) { coarseKeyboardStep_ = step; }
    bool focusesOnHover() const { return focusesOnHover_; }
    void setFocusesOnHover(bool focuses) { focusesOnHover_ = focuses; }

    // Moves the value by `direction` fine or coarse steps, clamped, and announces it like a drag.
    void step(int direction, bool coarse);
    // Steps for an arrow key; false for any other key.
    bool stepForKey(int key);

Q_SIGNALS:
    // The user moved the slider (drag, click, wheel or keys).
    void doubleValueChanged(double value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void positionChanged(int position);
    void takeFocusOnHover();
    int positionFor(double value) const;

    double minimum_ = 0;
    double maximum_ = 1;
    double value_ = 0;
    double keyboardStep_ = 0.01;
    std::optional<double> coarseKeyboardStep_;
    bool focusesOnHover_ = true;
    bool settingPosition_ = false;  // the integer position follows value_, not the user
};

}  // namespace velmaris
