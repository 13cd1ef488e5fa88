#pragma once

#include "window/dialogs/NumberFieldSheet.h"

#include <QPointer>

namespace velmaris {

class ImageDocument;

// "Fixed Size Selection": selects a rectangle of the typed size centred on the canvas.
class FixedSizeSelectionDialog : public NumberFieldSheet {
    Q_OBJECT
public:
    FixedSizeSelectionDialog(ImageDocument& document, QWidget* window);
    static FixedSizeSelectionDialog* open(ImageDocument& document, QWidget* window);

    QLineEdit* widthField() const { return width_; }
    QLineEdit* heightField() const { return height_; }

private:
    void select();

    QPointer<ImageDocument> document_;
    QLineEdit* width_;
    QLineEdit* height_;
};

// "Selection Aspect Ratio": sets or clears the ratio marquee drags keep.
class SelectionAspectRatioDialog : public NumberFieldSheet {
    Q_OBJECT
public:
    SelectionAspectRatioDialog(ImageDocument& document, QWidget* window);
    static SelectionAspectRatioDialog* open(ImageDocument& document, QWidget* window);

    QLineEdit* widthField() const { return width_; }
    QLineEdit* heightField() const { return height_; }

private:
    void set();
    void clear();

    QPointer<ImageDocument> document_;
    QLineEdit* width_;
    QLineEdit* height_;
};

}  // namespace velmaris
