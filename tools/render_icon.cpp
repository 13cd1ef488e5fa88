// Renders the application icon's SVG drawing to a square PNG at build time, with the same SVG
// renderer the program reads documents with, so no separate converter is needed to install.
//   velmaris-render-icon INPUT.svg SIDE OUTPUT.png

#include "files/SVGRasterizer.h"

#include <QFile>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: velmaris-render-icon INPUT.svg SIDE OUTPUT.png\n", stderr);
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    bool isNumber = false;
    const int side = QString::fromLocal8Bit(argv[2]).toInt(&isNumber);
    if (!input.open(QIODevice::ReadOnly) || !isNumber || side < 1 || side > 1024) {
        std::fprintf(stderr, "velmaris-render-icon: cannot read %s at %s px\n", argv[1], argv[2]);
        return 1;
    }
    const std::optional<velmaris::Bitmap> icon = velmaris::rasterizeSVGData(input.readAll(), QSize(side, side));
    if (!icon || !icon->image().save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "velmaris-render-icon: cannot render %s\n", argv[1]);
        return 1;
    }
    return 0;
}
