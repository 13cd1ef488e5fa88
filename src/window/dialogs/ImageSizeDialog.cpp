#include "window/dialogs/ImageSizeDialog.h"

#include "document/CanvasTransformOperations.h"
#include "document/DialogInput.h"
#include "document/ImageDocument.h"

#include <QCheckBox>
#include <QLineEdit>

namespace velmaris {

ImageSizeDialog::ImageSizeDialog(ImageDocument& document, QWidget* window)
    : NumberFieldSheet(window, tr("Image Size"), tr("Resample the image to new pixel dimensions."))
    , document_(&document)
    , canvasSize_(document.state().size)
{
    width_ = addField(tr("Width (px)"), wholeNumberText(canvasSize_.width()));
    height_ = addField(tr("Height (px)"), wholeNumberText(canvasSize_.height()));
    constrain_ = new QCheckBox(tr("Constrain proportions"));
    constrain_->setChecked(true);
    addAccessory(constrain_);
    addButton(tr("Resize"), [this] { resizeDocument(); });
    addButton(tr("Cancel"));

    // Only the user's edits link the fields, so filling in one never echoes back into the other.
    connect(width_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!constrain_->isChecked())
            return;
        if (const std::optional<QString> linked = linkedHeightText(text, canvasSize_))
            height_->setText(*linked);
    });
    connect(height_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!constrain_->isChecked())
            return;
        if (const std::optional<QString> linked = linkedWidthText(text, canvasSize_))
            width_->setText(*linked);
    });
}

ImageSizeDialog* ImageSizeDialog::open(ImageDocument& document, QWidget* window)
{
    return openOn<ImageSizeDialog>(window, document);
}

void ImageSizeDialog::resizeDocument()
{
    const std::optional<QSize> size = imageSizeInput(width_->text(), height_->text());
    if (!size || !document_)
        return;
    resizeImage(*document_, size->width(), size->height());
}

}  // namespace velmaris
