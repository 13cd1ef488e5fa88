#include "window/tooloptions/FillOptions.h"

#include "canvas/tools/FillTool.h"
#include "platform/Preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSpinBox>

namespace velmaris {

namespace {

constexpr char kTolerance[] = "Tolerance";
constexpr char kContiguous[] = "Contiguous";
constexpr char kAntiAlias[] = "AntiAlias";
constexpr char kAllLayers[] = "SampleAllLayers";

}  // namespace

FillOptions::FillOptions(FillTool& tool, QWidget* parent) : QWidget(parent), tool_(tool)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    tolerance_ = new QSpinBox;
    tolerance_->setObjectName(QStringLiteral("FillTolerance"));
    tolerance_->setRange(0, 100);
    // The prefix in place of a label keeps the row short enough for the status line of a small window.
    tolerance_->setPrefix(QStringLiteral("Tolerance "));
    tolerance_->setToolTip(QStringLiteral("How far a colour may differ from the one clicked"));
    contiguous_ = new QCheckBox(QStringLiteral("Contiguous"));
    contiguous_->setObjectName(QStringLiteral("FillContiguous"));
    antiAlias_ = new QCheckBox(QStringLiteral("Anti-alias"));
    antiAlias_->setObjectName(QStringLiteral("FillAntiAlias"));
    sample_ = new QComboBox;
    sample_->setObjectName(QStringLiteral("FillSample"));
    sample_->setToolTip(QStringLiteral("Sample"));
    sample_->addItem(QStringLiteral("Current Layer"), int(FillSampling::layer));
    sample_->addItem(QStringLiteral("All Layers"), int(FillSampling::composite));

    const BucketFill defaults = tool.settings();
    const QVariantMap stored = Preferences().variantMap(PreferenceName::fillToolOptions).value_or(QVariantMap());
    tolerance_->setValue(stored.value(kTolerance, defaults.region.tolerance).toInt());
    contiguous_->setChecked(stored.value(kContiguous, defaults.region.contiguous).toBool());
    antiAlias_->setChecked(stored.value(kAntiAlias, defaults.region.antiAliased).toBool());
    sample_->setCurrentIndex(stored.value(kAllLayers, defaults.sampling == FillSampling::composite).toBool() ? 1 : 0);

    row->addWidget(tolerance_);
    row->addWidget(contiguous_);
    row->addWidget(antiAlias_);
    row->addWidget(sample_);
    connect(tolerance_, &QSpinBox::valueChanged, this, &FillOptions::apply);
    connect(contiguous_, &QCheckBox::toggled, this, &FillOptions::apply);
    connect(antiAlias_, &QCheckBox::toggled, this, &FillOptions::apply);
    connect(sample_, &QComboBox::currentIndexChanged, this, &FillOptions::apply);
    tool_.setSettings(shown());
}

BucketFill FillOptions::shown() const
{
    return {{tolerance_->value(), contiguous_->isChecked(), antiAlias_->isChecked()},
            FillSampling(sample_->currentData().toInt())};
}

void FillOptions::apply()
{
    const BucketFill settings = shown();
    tool_.setSettings(settings);
    Preferences().setValue(PreferenceName::fillToolOptions,
                           QVariantMap{{kTolerance, settings.region.tolerance},
                                       {kContiguous, settings.region.contiguous},
                                       {kAntiAlias, settings.region.antiAliased},
                                       {kAllLayers, settings.sampling == FillSampling::composite}});
}

}  // namespace velmaris
