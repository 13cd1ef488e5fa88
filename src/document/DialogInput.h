#pragma once

#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>
#include <utility>

namespace velmaris {

// Numbers typed into the image and selection dialogs. A field holds a number when it is not empty,
// does not start with white space and is consumed whole by C's strtod in the C locale; so "1e3",
// "0x10" (16), "inf" and "nan" read as numbers, and the range checks below refuse what is not finite.
std::optional<double> parseDialogNumber(const QString& text);

// The values each operation accepts; the operations refuse anything else too.
inline constexpr double kMaxStrokeWidth = 1000;
bool imageSideAllowed(double side);           // 1 … 30000
bool fixedSelectionSideAllowed(double side);  // at least 1
bool aspectSideAllowed(double side);          // greater than 0
bool strokeWidthAllowed(double width);        // 1 … 1000

// What each dialog's confirm button reads from its fields; nothing when it should do nothing.
std::optional<QSize> imageSizeInput(const QString& width, const QString& height);  // rounded
// The Canvas Size fields, in pixels or in percent of `current`: each side 1 … 30000 pixels, rounded.
std::optional<QSize> canvasSizeInput(const QString& width, const QString& height, bool percent, QSizeF current);
// A Canvas Size field's text after the unit changed: pixels of `currentSide` as a percentage (two
// decimals at most) or a percentage as whole pixels; nothing when the text is no number.
std::optional<QString> convertedSideText(const QString& text, double currentSide, bool toPercent);
std::optional<QSizeF> fixedSelectionSizeInput(const QString& width, const QString& height);
std::optional<QSizeF> aspectRatioInput(const QString& width, const QString& height);
std::optional<double> strokeWidthInput(const QString& width);

// "Constrain proportions" in the Image Size dialog: the other field's new text when one field is
// edited, keeping the current height : width ratio; nothing when the fields stay unlinked.
std::optional<QString> linkedHeightText(const QString& widthText, QSizeF currentSize);
std::optional<QString> linkedWidthText(const QString& heightText, QSizeF currentSize);

// Prefilled fields show whole numbers with the fraction cut off.
QString wholeNumberText(double value);
// The aspect dialog's fields: the current aspect, or 16 : 9 when none is set.
std::pair<QString, QString> aspectRatioFieldTexts(const std::optional<QSizeF>& aspect);

}  // namespace velmaris
