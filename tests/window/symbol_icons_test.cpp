#include "window/SymbolIcons.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

// Every symbol the window's controls ask for.
const QStringList kSymbols{
    QStringLiteral("arrow.up.and.down.and.arrow.left.and.right"), QStringLiteral("rectangle.dashed"),
    QStringLiteral("textformat"), QStringLiteral("circle.dashed"), QStringLiteral("square.resize"),
    QStringLiteral("aspectratio"), QStringLiteral("crop"), QStringLiteral("rotate.left"), QStringLiteral("rotate.right"),
    QStringLiteral("align.horizontal.left"), QStringLiteral("align.horizontal.center"),
    QStringLiteral("align.horizontal.right"), QStringLiteral("align.vertical.top"),
    QStringLiteral("align.vertical.center"), QStringLiteral("align.vertical.bottom"),
    QStringLiteral("sidebar.leading"), QStringLiteral("sidebar.trailing"), QStringLiteral("gearshape"),
    QStringLiteral("plus"), QStringLiteral("minus"), QStringLiteral("plus.square.on.square"),
    QStringLiteral("square.on.square"), QStringLiteral("square.on.square.dashed"),
    QStringLiteral("square.filled.on.square"), QStringLiteral("square.3.layers.3d.down.right"), QStringLiteral("eye"),
    QStringLiteral("eye.slash"), QStringLiteral("lock.open"), QStringLiteral("lock.fill"),
    QStringLiteral("chevron.right"), QStringLiteral("chevron.down"), QStringLiteral("doc.badge.plus"),
    QStringLiteral("folder"), QStringLiteral("doc.on.clipboard"), QStringLiteral("photo.on.rectangle"),
    QStringLiteral("photo.stack"), QStringLiteral("arrow.swap"), QStringLiteral("square.filled.and.square")};

// The desktop offers no icon theme for the length of a test, so only the program's drawings show.
class NoIconTheme {
public:
    NoIconTheme()
        : name_(QIcon::themeName()), fallback_(QIcon::fallbackThemeName()), paths_(QIcon::themeSearchPaths())
    {
        QIcon::setThemeSearchPaths({empty_.path()});
        QIcon::setThemeName(QStringLiteral("velmaris-test-no-theme"));
        QIcon::setFallbackThemeName(QStringLiteral("velmaris-test-no-theme"));
    }
    ~NoIconTheme()
    {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setFallbackThemeName(fallback_);
        QIcon::setThemeName(name_);
    }

private:
    QTemporaryDir empty_;
    QString name_, fallback_;
    QStringList paths_;
};

QImage iconImage(const QIcon& icon, int side)
{
    return icon.pixmap(QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32);
}

int paintedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

// Each symbol at 16 and 32 px on a light and on a dark toolbar colour, one symbol a column.
QImage contactSheet()
{
    constexpr int kCell = 40;
    QImage sheet(kCell * int(kSymbols.size()), kCell * 4, QImage::Format_ARGB32);
    QPainter painter(&sheet);
    for (int row = 0; row < 4; ++row) {
        const int side = row % 2 == 0 ? 16 : 32;
        painter.fillRect(0, row * kCell, sheet.width(), kCell, row < 2 ? QColor(240, 240, 240) : QColor(45, 45, 45));
        for (qsizetype column = 0; column < kSymbols.size(); ++column)
            painter.drawImage(int(column) * kCell + (kCell - side) / 2, row * kCell + (kCell - side) / 2,
                              iconImage(symbolIcon(kSymbols[column]), side));
    }
    return sheet;
}

TEST(SymbolIcons, EverySymbolHasItsOwnNeutralDrawingAndAnUnknownNameIsBlank)
{
    const NoIconTheme noTheme;
    for (const QString& symbol : kSymbols) {
        const QImage small = iconImage(symbolIcon(symbol), 16);
        ASSERT_EQ(small.size(), QSize(16, 16)) << symbol.toStdString();
        EXPECT_GE(paintedPixels(small), 12) << symbol.toStdString();
        // An icon never enlarges its pixmaps: a large toolbar gets 32 px only if it was drawn at 32.
        const QImage large = iconImage(symbolIcon(symbol), 32);
        ASSERT_EQ(large.size(), QSize(32, 32)) << symbol.toStdString();
        EXPECT_GT(paintedPixels(large), paintedPixels(small)) << symbol.toStdString();
        // One neutral grey, whatever the toolbar's colour.
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb pixel = large.pixel(x, y);
                if (qAlpha(pixel) == 255) {
                    ASSERT_TRUE(qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel)) << symbol.toStdString();
                }
            }
    }
    const QImage unknown = iconImage(symbolIcon(QStringLiteral("no.such.symbol")), 16);
    EXPECT_EQ(unknown.size(), QSize(16, 16));
    EXPECT_EQ(paintedPixels(unknown), 0);

    // VELMARIS_SYMBOL_SHEET=sheet.png writes the drawings side by side, to look at them.
    const QString sheetPath = qEnvironmentVariable("VELMARIS_SYMBOL_SHEET");
    if (!sheetPath.isEmpty()) {
        EXPECT_TRUE(contactSheet().save(sheetPath));
    }
}

}  // namespace
}  // namespace velmaris
