#pragma once

#include <QIcon>
#include <QString>

namespace velmaris {

// The icon for one of the program's symbol names ("crop", "rotate.left", "eye", …): the desktop
// theme's icon of the matching freedesktop name when the theme has one, else the program's own
// drawing, else a blank 16 × 16 image, so a control is never left without an icon.
QIcon symbolIcon(const QString& symbol);

}  // namespace velmaris
