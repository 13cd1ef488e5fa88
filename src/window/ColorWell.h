#pragma once

#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QPushButton>

namespace velmaris {

// A button showing a colour (or a checker pattern when the colour is mixed); a click opens a
// colour dialog and only the colour finally chosen there is announced. Once the dialog closes, the
// keyboard focus returns to where the click took it from.
class ColorWell : public QPushButton {
    Q_OBJECT
public:
    explicit ColorWell(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    bool isMixed() const { return mixed_; }
    void setColor(const QColor& color);
    void setMixed();

    // The dialog while it is open, else null.
    QColorDialog* colorDialog() const { return dialog_; }

Q_SIGNALS:
    void colorChosen(const QColor& color);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void openDialog();

    QColor color_ = Qt::black;
    bool mixed_ = false;
    QPointer<QColorDialog> dialog_;
    // The widget a click on the well took the focus from; it gets the focus back when the dialog
    // closes.
    QPointer<QWidget> focusBeforeClick_;
    bool focusTakenByClick_ = false;
};

// The 12 × 12 checker pattern that stands for a mixed colour.
QBrush mixedColorBrush();

}  // namespace velmaris
