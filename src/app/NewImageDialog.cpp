#include "app/NewImageDialog.h"

#include "document/DialogInput.h"
#include "model/Bitmap.h"
#include "platform/CurrentColorStore.h"
#include "platform/Preferences.h"

#include <QComboBox>
#include <QLineEdit>

namespace velmaris {

NewImageDialog::NewImageDialog(Created created, QWidget* window)
    : NumberFieldSheet(window, QStringLiteral("New Image"), QString()), created_(std::move(created))
{
    const Preferences preferences;
    const DocumentDefaults defaults = documentDefaults(preferences, CurrentColorStore::shared().color());
    const double width = defaults.width > 0 ? defaults.width : DocumentDefaults::kWidth;
    const double height = defaults.height > 0 ? defaults.height : DocumentDefaults::kHeight;
    width_ = addField(QStringLiteral("Width (px)"), wholeNumberText(width));
    height_ = addField(QStringLiteral("Height (px)"), wholeNumberText(height));
    background_ = new QComboBox;
    background_->addItems({QStringLiteral("Transparent"), QStringLiteral("White"), QStringLiteral("Current Color")});
    background_->setCurrentIndex(static_cast<int>(defaults.background));
    background_->setFixedWidth(140);
    addRow(QStringLiteral("Background"), background_);
    setConfirmCheck([this] {
        if (imageSizeInput(width_->text(), height_->text()))
            return QString();
        return QStringLiteral("The width and height must be numbers from 1 to %1 pixels.").arg(kMaxBitmapSide);
    });
    addButton(QStringLiteral("Create"), [this] { create(); });
    addButton(QStringLiteral("Cancel"));
}

void NewImageDialog::create()
{
    const std::optional<QSize> size = imageSizeInput(width_->text(), height_->text());
    if (!size)
        return;
    DocumentDefaults defaults = documentDefaults(Preferences(), CurrentColorStore::shared().color());
    defaults.width = size->width();
    defaults.height = size->height();
    defaults.background = canvasBackgroundFromRawValue(background_->currentIndex());
    created_(std::make_unique<ImageDocument>(defaults));
}

}  // namespace velmaris
