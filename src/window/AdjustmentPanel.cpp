#include "window/AdjustmentPanel.h"

#include "document/FilterPreview.h"
#include "document/ImageDocument.h"
#include "window/FocusableSlider.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

constexpr int kMargin = 16;
constexpr int kRowSpacing = 10;
constexpr int kItemSpacing = 8;
// Between the panel and the corner of the area it is placed in.
constexpr int kAreaInset = 16;

QFont sizedFont(QFont font, int pointSize)
{
    font.setPointSize(pointSize);
    return font;
}

}  // namespace

int parameterDecimals(const FilterParameter& parameter)
{
    const double step = (parameter.maximum - parameter.minimum) / 100;
    if (!(step > 0) || !std::isfinite(step))
        return 2;
    // A step just under a power of ten (0.99 on 1 … 100) shows like that power.
    return std::clamp(int(std::ceil(-std::log10(step) - 0.05)), 0, 3);
}

QString formatParameterValue(double value, const FilterParameter& parameter)
{
    const int decimals = parameterDecimals(parameter);
    // No "-0.00" for a small negative value that rounds to nothing.
    if (std::abs(value) * std::pow(10.0, decimals) < 0.5)
        value = 0;
    return QString::number(value, 'f', decimals);
}

std::optional<double> parseParameterValue(const QString& text, const FilterParameter& parameter)
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || std::isnan(value))
        return std::nullopt;
    return std::clamp(value, parameter.minimum, parameter.maximum);
}

AdjustmentPanel::AdjustmentPanel(ImageDocument* document, const FilterDescriptor& descriptor, QWidget* documentWindow)
    : QWidget(documentWindow, Qt::Tool)
    , document_(document)
    , instance_(FilterInstance::withDefaults(descriptor))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(descriptor.historyName);
    // The panel itself takes the arrow keys before any control has the focus.
    setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kRowSpacing);
    const QFont labelFont = sizedFont(font(), 12);
    const QFont fieldFont = sizedFont(QFontDatabase::systemFont(QFontDatabase::FixedFont), 11);
    for (const FilterParameter& parameter : descriptor.parameters) {
        const double value = instance_.values.value(parameter.key, parameter.defaultValue);
        auto* label = new QLabel(parameter.label, this);
        label->setFont(labelFont);
        label->setFixedWidth(kLabelWidth);

        auto* slider = new FocusableSlider(this);
        slider->setObjectName(parameter.key);
        slider->setDoubleRange(parameter.minimum, parameter.maximum);
        slider->setDoubleValue(value);
        slider->setFixedWidth(kSliderWidth);
        slider->setToolTip(tr("Left/Right arrows adjust; Up/Down for larger steps"));
        slider->setKeyboardStep((parameter.maximum - parameter.minimum) / 100);
        slider->setCoarseKeyboardStep((parameter.maximum - parameter.minimum) / 20);
        slider->setAccessibleName(parameter.label);

        auto* field = new QLineEdit(formatParameterValue(value, parameter), this);
        field->setObjectName(parameter.key);
        field->setFont(fieldFont);
        field->setFixedWidth(kFieldWidth);
        field->setAccessibleName(parameter.label);

        auto* row = new QHBoxLayout;
        row->setSpacing(kItemSpacing);
        row->addStretch();
        row->addWidget(label);
        row->addWidget(slider);
        row->addWidget(field);
        layout->addLayout(row);
        rows_.append(Row{parameter.key, parameter, slider, field});
    }
    for (const Row& row : rows_) {
        connect(row.slider, &FocusableSlider::doubleValueChanged, this,
                [this, row](double value) { sliderChanged(row, value); });
        connect(row.field, &QLineEdit::editingFinished, this, [this, row] { fieldChanged(row); });
    }

    cancel_ = new QPushButton(tr("Cancel"), this);
    ok_ = new QPushButton(tr("OK"), this);
    ok_->setDefault(true);
    for (QPushButton* button : {cancel_, ok_})
        button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kItemSpacing);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addWidget(ok_);
    layout->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
    connect(ok_, &QPushButton::clicked, this, &AdjustmentPanel::confirm);

    resize(kContentWidth, kContentHeight);
    setFocus();

    if (document_) {
        const auto follow = [this] {
            if (!applied_)
                updatePreview();
        };
        connect(document_, &ImageDocument::stateDidChange, this, follow);
        connect(document_, &ImageDocument::selectionDidChange, this, follow);
    }
}

AdjustmentPanel::~AdjustmentPanel()
{
    // Destroyed with its document window, without a close: the preview still goes.
    finish();
}

FocusableSlider* AdjustmentPanel::slider(const QString& key) const
{
    for (const Row& row : rows_)
        if (row.key == key)
            return row.slider;
    return nullptr;
}

QLineEdit* AdjustmentPanel::valueField(const QString& key) const
{
    for (const Row& row : rows_)
        if (row.key == key)
            return row.field;
    return nullptr;
}

void AdjustmentPanel::placeAtTopRightOf(const QWidget* area)
{
    const QScreen* screen = area ? area->screen() : QGuiApplication::primaryScreen();
    QRect frame = frameGeometry();
    if (area) {
        const QRect target(area->mapToGlobal(QPoint(0, 0)), area->size());
        frame.moveTopRight(target.topRight() + QPoint(-kAreaInset, kAreaInset));
        if (frame.left() < target.left())
            frame.moveLeft(target.left());
    } else if (screen) {
        frame.moveCenter(screen->availableGeometry().center());
    }
    if (screen) {
        const QRect available = screen->availableGeometry();
        frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width())));
        frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height())));
    }
    move(frame.topLeft());
}

void AdjustmentPanel::updatePreview()
{
    // A field that hands in its value as the panel closes must not bring the preview back.
    if (document_ && !applied_ && !finished_)
        updateFilterPreview(*document_, instance_);
}

void AdjustmentPanel::sliderChanged(const Row& row, double value)
{
    lastAdjustedKey_ = row.key;
    instance_.setValue(row.key, value);
    showValue(row);
    updatePreview();
}

void AdjustmentPanel::showValue(const Row& row)
{
    if (row.field->hasFocus() && row.field->isModified())
        return;
    row.field->setText(formatParameterValue(instance_.values.value(row.key), row.parameter));
}

void AdjustmentPanel::fieldChanged(const Row& row)
{
    const std::optional<double> value = parseParameterValue(row.field->text(), row.parameter);
    row.field->setModified(false);
    if (!value)
        return;
    instance_.setValue(row.key, *value);
    row.slider->setDoubleValue(*value);
    showValue(row);
    updatePreview();
}

void AdjustmentPanel::confirm()
{
    applied_ = true;
    if (document_) {
        document_->setFilterPreview(std::nullopt);
        applyFilter(*document_, instance_);
    }
    close();
}

void AdjustmentPanel::finish()
{
    if (finished_)
        return;
    finished_ = true;
    if (!applied_ && document_)
        document_->setFilterPreview(std::nullopt);
    Q_EMIT closed();
}

void AdjustmentPanel::closeEvent(QCloseEvent* event)
{
    finish();
    QWidget::closeEvent(event);
}

FocusableSlider* AdjustmentPanel::arrowKeyTarget() const
{
    for (QWidget* hit = QApplication::widgetAt(QCursor::pos()); hit; hit = hit->parentWidget())
        if (auto* slider = qobject_cast<FocusableSlider*>(hit); slider && slider->window() == this)
            return slider;
    if (lastAdjustedKey_)
        if (FocusableSlider* last = slider(*lastAdjustedKey_))
            return last;
    return rows_.isEmpty() ? nullptr : rows_.first().slider;
}

void AdjustmentPanel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        confirm();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // A text field keeps its own caret keys.
        if (!qobject_cast<QLineEdit*>(QApplication::focusWidget()))
            if (FocusableSlider* target = arrowKeyTarget(); target && target->stepForKey(event->key()))
                return;
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace velmaris
