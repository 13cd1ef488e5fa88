#include "canvas/CanvasInteractionDelegate.h"

#include <cmath>

namespace velmaris {

QString pixelReadoutText(const PixelReadout& readout)
{
    QString colour = QStringLiteral("\u2014");
    if (readout.color && readout.color->alpha > 0) {
        auto byte = [](double component) { return int(std::round(std::clamp(component, 0.0, 1.0) * 255)); };
        colour = QStringLiteral("#%1%2%3")
                     .arg(byte(readout.color->red), 2, 16, QLatin1Char('0'))
                     .arg(byte(readout.color->green), 2, 16, QLatin1Char('0'))
                     .arg(byte(readout.color->blue), 2, 16, QLatin1Char('0'))
                     .toUpper();
    }
    return QStringLiteral("%1, %2  %3").arg(readout.x).arg(readout.y).arg(colour);
}

}  // namespace velmaris
