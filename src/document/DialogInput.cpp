#include "document/DialogInput.h"

#include "model/Bitmap.h"

#include <clocale>
#include <cmath>
#include <cstdlib>

namespace velmaris {

namespace {

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The C locale's decimal point whatever the user's locale is.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

std::optional<QSizeF> sizeInput(const QString& width, const QString& height, bool (*allowed)(double))
{
    const std::optional<double> w = parseDialogNumber(width);
    const std::optional<double> h = parseDialogNumber(height);
    if (!w || !h || !allowed(*w) || !allowed(*h))
        return std::nullopt;
    return QSizeF(*w, *h);
}

std::optional<double> proportionRatio(QSizeF size)
{
    const double ratio = size.height() / std::max(size.width(), 1.0);
    if (!(ratio > 0) || !std::isfinite(ratio))
        return std::nullopt;
    return ratio;
}

// A rounded field value; -0 shows as 0.
std::optional<QString> roundedText(double value)
{
    const double rounded = std::round(value);
    if (!std::isfinite(rounded))
        return std::nullopt;
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', 0);
}

}  // namespace

std::optional<double> parseDialogNumber(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty() || isCSpace(bytes.front()))
        return std::nullopt;
    char* end = nullptr;
    const double value = strtod_l(bytes.constData(), &end, cLocale());
    // An embedded NUL stops strtod early, so such text is refused here too.
    if (end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

bool imageSideAllowed(double side)
{
    return side >= 1 && side <= kMaxBitmapSide;
}

bool fixedSelectionSideAllowed(double side)
{
    return side >= 1 && std::isfinite(side);
}

bool aspectSideAllowed(double side)
{
    return side > 0 && std::isfinite(side);
}

bool strokeWidthAllowed(double width)
{
    return width >= 1 && width <= kMaxStrokeWidth;
}

std::optional<QSize> imageSizeInput(const QString& width, const QString& height)
{
    return canvasSizeInput(width, height, false, QSizeF());
}

std::optional<QSize> canvasSizeInput(const QString& width, const QString& height, bool percent, QSizeF current)
{
    const QSizeF scale = percent ? current / 100 : QSizeF(1, 1);
    const std::optional<double> w = parseDialogNumber(width);
    const std::optional<double> h = parseDialogNumber(height);
    if (!w || !h || !imageSideAllowed(*w * scale.width()) || !imageSideAllowed(*h * scale.height()))
        return std::nullopt;
    return QSize(int(std::round(*w * scale.width())), int(std::round(*h * scale.height())));
}

std::optional<QString> convertedSideText(const QString& text, double currentSide, bool toPercent)
{
    const std::optional<double> value = parseDialogNumber(text);
    if (!value || !(currentSide > 0))
        return std::nullopt;
    if (!toPercent)
        return roundedText(*value * currentSide / 100);
    const double percent = std::round(*value / currentSide * 10000) / 100;
    if (!std::isfinite(percent))
        return std::nullopt;
    return QString::number(percent, 'g', 15);
}

std::optional<QSizeF> fixedSelectionSizeInput(const QString& width, const QString& height)
{
    return sizeInput(width, height, fixedSelectionSideAllowed);
}

std::optional<QSizeF> aspectRatioInput(const QString& width, const QString& height)
{
    return sizeInput(width, height, aspectSideAllowed);
}

std::optional<double> strokeWidthInput(const QString& width)
{
    const std::optional<double> value = parseDialogNumber(width);
    if (!value || !strokeWidthAllowed(*value))
        return std::nullopt;
    return value;
}

std::optional<QString> linkedHeightText(const QString& widthText, QSizeF currentSize)
{
    const std::optional<double> ratio = proportionRatio(currentSize);
    const std::optional<double> width = parseDialogNumber(widthText);
    if (!ratio || !width)
        return std::nullopt;
    return roundedText(*width * *ratio);
}

std::optional<QString> linkedWidthText(const QString& heightText, QSizeF currentSize)
{
    const std::optional<double> ratio = proportionRatio(currentSize);
    const std::optional<double> height = parseDialogNumber(heightText);
    if (!ratio || !height)
        return std::nullopt;
    return roundedText(*height / *ratio);
}

QString wholeNumberText(double value)
{
    const double whole = std::trunc(value);
    return QString::number(whole == 0 || !std::isfinite(whole) ? 0.0 : whole, 'f', 0);
}

std::pair<QString, QString> aspectRatioFieldTexts(const std::optional<QSizeF>& aspect)
{
    if (!aspect)
        return {QStringLiteral("16"), QStringLiteral("9")};
    return {wholeNumberText(aspect->width()), wholeNumberText(aspect->height())};
}

}  // namespace velmaris
