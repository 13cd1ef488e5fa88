#pragma once

#include "window/dialogs/NumberFieldSheet.h"

#include <QPointer>
#include <QSizeF>

class QCheckBox;

namespace velmaris {

class ImageDocument;

// "Image Size": resamples the image to the typed pixel size, in one history step. While
// "Constrain proportions" is on, editing one field fills in the other at the canvas's ratio.
class ImageSizeDialog : public NumberFieldSheet {
    Q_OBJECT
public:
    ImageSizeDialog(ImageDocument& document, QWidget* window);
    // Opens the sheet on `window`.
    static ImageSizeDialog* open(ImageDocument& document, QWidget* window);

    QLineEdit* widthField() const { return width_; }
    QLineEdit* heightField() const { return height_; }
    QCheckBox* constrainProportions() const { return constrain_; }

private:
    void resizeDocument();

    QPointer<ImageDocument> document_;
    QSizeF canvasSize_;  // the ratio the fields keep is the one the dialog opened with
    QLineEdit* width_;
    QLineEdit* height_;
    QCheckBox* constrain_;
};

}  // namespace velmaris
