#pragma once

#include <QColor>

class QColorDialog;
class QWidget;

namespace velmaris {

// Every colour dialog of the program: with alpha, deleted once closed, and showing the custom
// colours kept from earlier sessions; the custom colours it ends with are kept when it closes.
QColorDialog* makeColorDialog(const QColor& initial, QWidget* parent);

}  // namespace velmaris
