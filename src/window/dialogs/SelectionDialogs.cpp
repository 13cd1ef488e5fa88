#include "window/dialogs/SelectionDialogs.h"

#include "document/DialogInput.h"
#include "document/ImageDocument.h"
#include "document/SelectionOperations.h"

#include <QLineEdit>

namespace velmaris {

FixedSizeSelectionDialog::FixedSizeSelectionDialog(ImageDocument& document, QWidget* window)
    : NumberFieldSheet(window, tr("Fixed Size Selection"),
                       tr("Creates a selection of exact pixel dimensions, centered on the canvas."))
    , document_(&document)
{
    width_ = addField(tr("Width (px)"), QStringLiteral("256"));
    height_ = addField(tr("Height (px)"), QStringLiteral("256"));
    addButton(tr("Select"), [this] { select(); });
    addButton(tr("Cancel"));
}

FixedSizeSelectionDialog* FixedSizeSelectionDialog::open(ImageDocument& document, QWidget* window)
{
    return openOn<FixedSizeSelectionDialog>(window, document);
}

void FixedSizeSelectionDialog::select()
{
    const std::optional<QSizeF> size = fixedSelectionSizeInput(width_->text(), height_->text());
    if (size && document_)
        selectFixedSize(*document_, *size);
}

SelectionAspectRatioDialog::SelectionAspectRatioDialog(ImageDocument& document, QWidget* window)
    : NumberFieldSheet(window, tr("Selection Aspect Ratio"),
                       tr("Constrains marquee drags to this width : height ratio until cleared."))
    , document_(&document)
{
    const auto [width, height] = aspectRatioFieldTexts(document.selection().aspect);
    width_ = addField(tr("Width"), width);
    height_ = addField(tr("Height"), height);
    addButton(tr("Set"), [this] { set(); });
    addButton(tr("Clear"), [this] { clear(); });
    addButton(tr("Cancel"));
}

SelectionAspectRatioDialog* SelectionAspectRatioDialog::open(ImageDocument& document, QWidget* window)
{
    return openOn<SelectionAspectRatioDialog>(window, document);
}

void SelectionAspectRatioDialog::set()
{
    const std::optional<QSizeF> aspect = aspectRatioInput(width_->text(), height_->text());
    if (aspect && document_)
        document_->setSelectionAspect(*aspect);
}

void SelectionAspectRatioDialog::clear()
{
    if (document_)
        document_->setSelectionAspect(std::nullopt);
}

}  // namespace velmaris
