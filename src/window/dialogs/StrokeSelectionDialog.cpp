#include "window/dialogs/StrokeSelectionDialog.h"

#include "document/DialogInput.h"
#include "document/ImageDocument.h"
#include "document/SelectionPainting.h"
#include "platform/CurrentColorStore.h"
#include "window/dialogs/NumberFieldSheet.h"

#include <QLineEdit>
#include <QPointer>

namespace velmaris {

void StrokeSelectionDialog::open(ImageDocument* document, QWidget* window)
{
    auto* sheet = new NumberFieldSheet(window, QObject::tr("Stroke Selection"),
                                       QObject::tr("Strokes the selection border with the current color."));
    QLineEdit* width = sheet->addField(QObject::tr("Width (px)"), QStringLiteral("2"));
    sheet->addButton(QObject::tr("Stroke"), [document = QPointer<ImageDocument>(document), width] {
        const std::optional<double> value = strokeWidthInput(width->text());
        if (value && document)
            strokeSelection(*document, CurrentColorStore::shared().color(), *value);
    });
    sheet->addButton(QObject::tr("Cancel"));
    sheet->present();
}

}  // namespace velmaris
