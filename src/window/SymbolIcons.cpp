#include "window/SymbolIcons.h"

#include "files/SVGRasterizer.h"

#include <QFile>
#include <QHash>
#include <QPixmap>

#include <utility>

// Resources of a static library must be registered by hand before their first use, and the
// registration macro works only outside a namespace.
static void registerSymbolResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(symbols);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace velmaris {

namespace {

// Symbols with a fitting name in the freedesktop icon naming set. The others (selection shapes,
// alignment, layer stacking, visibility, lock) have none there, so a theme would at best offer a
// look-alike; they always use the program's own drawing. The alignment buttons stay together on
// purpose: the text-justify names would fit three of the six and leave a patchy row.
const QHash<QString, QString>& themeNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("plus"), QStringLiteral("list-add")},
        {QStringLiteral("minus"), QStringLiteral("list-remove")},
        {QStringLiteral("plus.square.on.square"), QStringLiteral("edit-copy")},
        {QStringLiteral("rotate.left"), QStringLiteral("object-rotate-left")},
        {QStringLiteral("rotate.right"), QStringLiteral("object-rotate-right")},
        {QStringLiteral("gearshape"), QStringLiteral("preferences-system")},
        {QStringLiteral("textformat"), QStringLiteral("insert-text")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next")},
        {QStringLiteral("chevron.down"), QStringLiteral("go-down")},
    };
    return names;
}

// The program's drawing rendered crisply at the sizes toolbars and lists ask for (and their
// double-density versions), instead of one pixmap scaled blurry.
std::optional<QIcon> ownDrawing(const QString& symbol)
{
    registerSymbolResources();
    QFile file(QStringLiteral(":/symbols/%1.svg").arg(symbol));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray svg = file.readAll();
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 44, 48, 64}) {
        if (const std::optional<Bitmap> bitmap = rasterizeSVGData(svg, QSize(side, side)))
            icon.addPixmap(QPixmap::fromImage(bitmap->image()));
    }
    if (icon.isNull())
        return std::nullopt;
    return icon;
}

QIcon blankIcon()
{
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

}  // namespace

QIcon symbolIcon(const QString& symbol)
{
    const QString themeName = themeNames().value(symbol);
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    // Rendering is cheap but windows ask for the same few symbols again and again.
    static QHash<QString, QIcon> drawings;
    if (const auto found = drawings.constFind(symbol); found != drawings.cend())
        return *found;
    const QIcon icon = ownDrawing(symbol).value_or(blankIcon());
    drawings.insert(symbol, icon);
    return icon;
}

}  // namespace velmaris
