#include "window/dialogs/CanvasSizeDialog.h"

#include "document/CanvasTransformOperations.h"
#include "document/DialogInput.h"
#include "document/ImageDocument.h"
#include "model/Bitmap.h"
#include "platform/CurrentColorStore.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

namespace velmaris {

namespace {

constexpr Qt::Alignment kRows[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
constexpr Qt::Alignment kColumns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
constexpr int kAnchorButtonSide = 22;

// The checked anchor shows the image as a filled square.
QIcon anchorMark(const QColor& color)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(QRect(1, 1, 10, 10), color);
    return QIcon(pixmap);
}

}  // namespace

AnchorPicker::AnchorPicker(QWidget* parent) : QWidget(parent), group_(new QButtonGroup(this))
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            auto* button = new QToolButton(this);
            button->setCheckable(true);
            button->setFixedSize(kAnchorButtonSide, kAnchorButtonSide);
            group_->addButton(button, int(kRows[row] | kColumns[column]));
            grid->addWidget(button, row, column);
        }
    button(Qt::AlignCenter)->setChecked(true);
    connect(group_, &QButtonGroup::idToggled, this, &AnchorPicker::showAnchor);
    showAnchor();
}

Qt::Alignment AnchorPicker::anchor() const
{
    return Qt::Alignment(group_->checkedId());
}

QAbstractButton* AnchorPicker::button(Qt::Alignment anchor) const
{
    return group_->button(int(anchor));
}

void AnchorPicker::showAnchor()
{
    const QIcon mark = anchorMark(palette().color(QPalette::WindowText));
    for (QAbstractButton* each : group_->buttons())
        each->setIcon(each->isChecked() ? mark : QIcon());
}

CanvasSizeDialog::CanvasSizeDialog(ImageDocument& document, QWidget* window)
    : NumberFieldSheet(window, tr("Canvas Size"), tr("Add or remove space around the image without resampling it.")),
      document_(&document),
      canvasSize_(document.state().size)
{
    width_ = addField(tr("Width"), wholeNumberText(canvasSize_.width()));
    height_ = addField(tr("Height"), wholeNumberText(canvasSize_.height()));
    unit_ = new QComboBox;
    unit_->addItems({tr("Pixels"), tr("Percent")});
    addRow(tr("Units"), unit_);
    anchor_ = new AnchorPicker;
    addRow(tr("Anchor"), anchor_);
    fill_ = new QComboBox;
    fill_->addItems({tr("Transparent"), tr("Background Color")});
    addRow(tr("Fill"), fill_);
    connect(unit_, &QComboBox::currentIndexChanged, this, &CanvasSizeDialog::convertFields);
    setConfirmCheck([this] {
        if (canvasSizeInput(width_->text(), height_->text(), inPercent(), canvasSize_))
            return QString();
        return (inPercent() ? tr("The width and height must be percentages that come to 1 to %1 pixels.")
                            : tr("The width and height must be numbers from 1 to %1 pixels."))
            .arg(kMaxBitmapSide);
    });
    addButton(tr("Resize"), [this] { resizeDocument(); });
    addButton(tr("Cancel"));
}

CanvasSizeDialog* CanvasSizeDialog::open(ImageDocument& document, QWidget* window)
{
    return openOn<CanvasSizeDialog>(window, document);
}

bool CanvasSizeDialog::inPercent() const
{
    return unit_->currentIndex() == 1;
}

void CanvasSizeDialog::convertFields()
{
    for (auto [field, side] : {std::pair{width_, canvasSize_.width()}, std::pair{height_, canvasSize_.height()}})
        if (const std::optional<QString> converted = convertedSideText(field->text(), side, inPercent()))
            field->setText(*converted);
}

void CanvasSizeDialog::resizeDocument()
{
    const std::optional<QSize> size = canvasSizeInput(width_->text(), height_->text(), inPercent(), canvasSize_);
    if (!size || !document_)
        return;
    std::optional<StoredColor> fill;
    if (fill_->currentIndex() == 1)
        fill = CurrentColorStore::shared().backgroundColor();
    resizeCanvas(*document_, size->width(), size->height(), anchor_->anchor(), fill);
}

}  // namespace velmaris
