#include "window/tooloptions/PickerOptions.h"

#include "canvas/tools/ColorPickerTool.h"

#include <QComboBox>
#include <QHBoxLayout>

namespace velmaris {

PickerOptions::PickerOptions(ColorPickerTool& picker, QWidget* parent) : QWidget(parent), picker_(picker)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    sampleSize_ = new QComboBox;
    sampleSize_->setObjectName(QStringLiteral("PickerSampleSize"));
    sampleSize_->setToolTip(QStringLiteral("Sample Size"));
    for (int side : ColorPickerTool::kSampleSides)
        sampleSize_->addItem(side == 1 ? QStringLiteral("Point Sample") : QStringLiteral("%1 × %1 Average").arg(side),
                             side);
    sampleSource_ = new QComboBox;
    sampleSource_->setObjectName(QStringLiteral("PickerSource"));
    sampleSource_->setToolTip(QStringLiteral("Sample"));
    sampleSource_->addItem(QStringLiteral("All Layers"), int(ColorSampleSource::composite));
    sampleSource_->addItem(QStringLiteral("Current Layer"), int(ColorSampleSource::layer));
    for (QComboBox* field : {sampleSize_, sampleSource_}) {
        connect(field, &QComboBox::currentIndexChanged, this, &PickerOptions::apply);
        row->addWidget(field);
    }
}

void PickerOptions::apply()
{
    picker_.setSampleSide(sampleSize_->currentData().toInt());
    picker_.setSource(ColorSampleSource(sampleSource_->currentData().toInt()));
}

}  // namespace velmaris
