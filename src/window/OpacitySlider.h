#pragma once

#include <QSlider>

namespace velmaris {

// A horizontal 0–100 slider that tells apart the moves of a gesture from its end: while the mouse
// button or an arrow key is held, every change is reported as live; releasing reports the final
// value once as committed. A change outside a gesture (the wheel) is committed at once.
// Left/Right step by 1, Up/Down by 10.
class OpacitySlider : public QSlider {
    Q_OBJECT
public:
    explicit OpacitySlider(QWidget* parent = nullptr);

    bool isInGesture() const { return inGesture_; }
    // Where the middle of the handle is when the slider shows `value`, in the slider's coordinates.
    QPoint handleCentre(int value) const;

Q_SIGNALS:
    void valueEdited(int value, bool commit);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void userChanged(int value);
    void endGesture();

    bool inGesture_ = false;
    bool changedInGesture_ = false;
};

}  // namespace velmaris
