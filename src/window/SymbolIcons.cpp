#include "window/SymbolIcons.h"

#include <QFile>
#include <QPixmap>

namespace velmaris {

QIcon symbolIcon(const QString& symbol)
{
    const QString ownDrawing = QStringLiteral(":/symbols/%1.svg").arg(symbol);
    if (QFile::exists(ownDrawing))
        return QIcon(ownDrawing);
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

}  // namespace velmaris
