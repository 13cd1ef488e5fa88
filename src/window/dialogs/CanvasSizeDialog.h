#pragma once

#include "window/dialogs/NumberFieldSheet.h"

#include <QPointer>
#include <QSizeF>

class QAbstractButton;
class QButtonGroup;
class QComboBox;

namespace velmaris {

class ImageDocument;

// Nine buttons in a 3 × 3 grid, one checked: where the old image stays in a resized canvas.
class AnchorPicker : public QWidget {
    Q_OBJECT
public:
    explicit AnchorPicker(QWidget* parent = nullptr);

    Qt::Alignment anchor() const;
    QAbstractButton* button(Qt::Alignment anchor) const;

private:
    void showAnchor();

    QButtonGroup* group_;
};

// "Canvas Size": gives the canvas a new size in pixels or percent without resampling, the old
// image placed by the anchor and the new area left transparent or filled with the background
// colour, in one history step. Sizes that do not come to 1 … 30000 pixels keep the sheet open
// with the reason.
class CanvasSizeDialog : public NumberFieldSheet {
    Q_OBJECT
public:
    CanvasSizeDialog(ImageDocument& document, QWidget* window);
    static CanvasSizeDialog* open(ImageDocument& document, QWidget* window);

    QLineEdit* widthField() const { return width_; }
    QLineEdit* heightField() const { return height_; }
    QComboBox* unitChoice() const { return unit_; }
    AnchorPicker* anchorPicker() const { return anchor_; }
    QComboBox* fillChoice() const { return fill_; }

private:
    bool inPercent() const;
    void convertFields();
    void resizeDocument();

    QPointer<ImageDocument> document_;
    QSizeF canvasSize_;
    QLineEdit* width_;
    QLineEdit* height_;
    QComboBox* unit_;
    AnchorPicker* anchor_;
    QComboBox* fill_;
};

}  // namespace velmaris
