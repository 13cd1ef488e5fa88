#include "window/ColorDialogs.h"

#include "platform/CurrentColorStore.h"

#include <QColorDialog>

#include <algorithm>

namespace velmaris {

namespace {

// The dialog's custom colours are shared by all its instances in the process.
void restoreCustomColors()
{
    const QVector<StoredColor>& kept = CurrentColorStore::shared().customColors();
    const int count = std::min(int(kept.size()), QColorDialog::customCount());
    for (int index = 0; index < count; ++index)
        QColorDialog::setCustomColor(index, kept[index].toColor());
}

void keepCustomColors()
{
    QVector<StoredColor> colors;
    for (int index = 0; index < QColorDialog::customCount(); ++index)
        colors.append(StoredColor::fromColor(QColorDialog::customColor(index)));
    CurrentColorStore::shared().setCustomColors(colors);
}

}  // namespace

QColorDialog* makeColorDialog(const QColor& initial, QWidget* parent)
{
    restoreCustomColors();
    auto* dialog = new QColorDialog(initial, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    QObject::connect(dialog, &QDialog::finished, dialog, &keepCustomColors);
    return dialog;
}

}  // namespace velmaris
