#include "window/StatusLine.h"

#include "canvas/CanvasView.h"
#include "document/ImageDocument.h"
#include "window/tooloptions/ToolOptions.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace velmaris {

namespace {

constexpr double kZoomPresets[] = {0.0625, 0.125, 0.25, 1.0 / 3, 0.5, 2.0 / 3, 1, 1.5, 2, 3, 4, 8, 16, 32};
// The item that zooms to fit carries this in place of a magnification.
constexpr double kFitItem = 0;

QLabel* readoutLabel(const QString& objectName, const QString& toolTip)
{
    auto* label = new QLabel;
    label->setObjectName(objectName);
    // Fixed-width digits keep the readouts from jittering as the numbers change.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setToolTip(toolTip);
    return label;
}

}  // namespace

QString canvasSizeText(QSizeF size)
{
    return QStringLiteral("%1 × %2 px").arg(static_cast<qint64>(size.width())).arg(static_cast<qint64>(size.height()));
}

QString zoomPercentText(double magnification)
{
    const double percent = std::round(magnification * 10000) / 100;
    return QString::number(percent, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$"))) + QLatin1Char('%');
}

std::optional<double> parsedZoomPercent(const QString& text)
{
    QString number = text.trimmed();
    if (number.endsWith(QLatin1Char('%')))
        number.chop(1);
    bool ok = false;
    const double percent = number.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(percent) || percent <= 0)
        return std::nullopt;
    return percent / 100;
}

StatusLine::StatusLine(ImageDocument* document, CanvasView* canvas, QWidget* parent)
    : QWidget(parent), document_(document), canvas_(canvas)
{
    setObjectName(QStringLiteral("StatusLine"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(12);

    zoomField_ = new QComboBox;
    zoomField_->setObjectName(QStringLiteral("ZoomField"));
    zoomField_->setEditable(true);
    zoomField_->setInsertPolicy(QComboBox::NoInsert);
    zoomField_->setToolTip(QStringLiteral("Zoom (type a percentage and press Return)"));
    zoomField_->setAccessibleName(QStringLiteral("Zoom"));
    for (double preset : kZoomPresets)
        zoomField_->addItem(zoomPercentText(preset), preset);
    zoomField_->addItem(QStringLiteral("Fit"), kFitItem);
    zoomField_->setMinimumContentsLength(7);
    zoomField_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(zoomField_, &QComboBox::activated, this, [this](int index) {
        const double magnification = zoomField_->itemData(index).toDouble();
        if (magnification == kFitItem)
            canvas_->zoomToFit();
        else
            canvas_->setZoom(magnification);
        showMagnification(canvas_->magnification());
    });
    connect(zoomField_->lineEdit(), &QLineEdit::returnPressed, this, &StatusLine::applyTypedZoom);
    connect(canvas_, &CanvasView::magnificationChanged, this, &StatusLine::showMagnification);
    row->addWidget(zoomField_);

    for (const auto& [tool, options] : makeToolOptions(*canvas_)) {
        toolOptions_.append({tool, options});
        row->addWidget(options);
    }
    row->addStretch(1);

    pointerLabel_ = readoutLabel(QStringLiteral("VelmarisPixelInfo"), QStringLiteral("Cursor position and color"));
    pointerLabel_->setAlignment(Qt::AlignCenter);
    // Room for the longest readout (the largest canvas, a colour) and two characters' gap each side.
    const QFontMetrics metrics = pointerLabel_->fontMetrics();
    pointerLabel_->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("30000, 30000  #FFFFFF"))
                                 + 4 * metrics.averageCharWidth());
    selectionLabel_ = readoutLabel(QStringLiteral("SelectionSize"), QStringLiteral("Selection Size"));
    sizeLabel_ = readoutLabel(QStringLiteral("VelmarisImageSize"), QStringLiteral("Image Size"));
    memoryLabel_ = readoutLabel(QStringLiteral("DocumentMemory"), QStringLiteral("Memory the image and its history hold"));
    for (QLabel* label : {pointerLabel_, selectionLabel_, sizeLabel_, memoryLabel_})
        row->addWidget(label);

    if (document_) {
        connect(document_, &ImageDocument::stateDidChange, this, &StatusLine::refresh);
        connect(document_, &ImageDocument::selectionDidChange, this, &StatusLine::refresh);
    }
    showMagnification(canvas_->magnification());
    toolChanged();
    refresh();
}

void StatusLine::setPixelReadout(const std::optional<PixelReadout>& readout)
{
    pointerLabel_->setText(readout ? pixelReadoutText(*readout) : QString());
}

void StatusLine::toolChanged()
{
    for (const auto& [tool, options] : toolOptions_)
        options->setVisible(tool == canvas_->tool());
}

QWidget* StatusLine::toolOptions(EditorTool tool) const
{
    for (const auto& [optionsTool, options] : toolOptions_)
        if (optionsTool == tool)
            return options;
    return nullptr;
}

void StatusLine::refresh()
{
    if (!document_)
        return;
    sizeLabel_->setText(canvasSizeText(document_->state().size));
    const std::optional<QRectF> selection = document_->selection().rect;
    selectionLabel_->setText(selection ? QStringLiteral("Selection %1 × %2")
                                             .arg(qint64(std::round(selection->width())))
                                             .arg(qint64(std::round(selection->height())))
                                       : QString());
    selectionLabel_->setVisible(selection.has_value());
    memoryLabel_->setText(QLocale().formattedDataSize(document_->history().estimatedMemoryBytes(), 1,
                                                      QLocale::DataSizeSIFormat));
}

void StatusLine::showMagnification(double magnification)
{
    zoomField_->setEditText(zoomPercentText(magnification));
}

void StatusLine::applyTypedZoom()
{
    const QString text = zoomField_->currentText();
    if (text.trimmed().compare(QStringLiteral("fit"), Qt::CaseInsensitive) == 0) {
        canvas_->zoomToFit();
    } else if (const std::optional<double> magnification = parsedZoomPercent(text)) {
        canvas_->setZoom(*magnification);
    } else {
        QApplication::beep();
    }
    // Clamped or refused, the field shows the zoom there is.
    showMagnification(canvas_->magnification());
    canvas_->setFocus();
}

}  // namespace velmaris
