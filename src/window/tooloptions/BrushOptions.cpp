#include "window/tooloptions/BrushOptions.h"

#include "canvas/tools/BrushTool.h"
#include "platform/Preferences.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace velmaris {

QVariantMap storedBrushSettings(const BrushSettings& settings)
{
    return {{QStringLiteral("preset"), rawValue(settings.preset)},
            {QStringLiteral("size"), settings.size},
            {QStringLiteral("opacity"), settings.opacity},
            {QStringLiteral("hardness"), settings.hardness}};
}

BrushSettings brushSettingsFromStored(const QVariantMap& stored)
{
    BrushSettings settings;
    const auto number = [&](const char* name, double fallback, double low, double high) {
        bool ok = false;
        const double value = stored.value(QLatin1String(name)).toDouble(&ok);
        return ok && std::isfinite(value) ? std::clamp(value, low, high) : fallback;
    };
    settings.preset = brushPresetFromRawValue(stored.value(QStringLiteral("preset")).toString()).value_or(settings.preset);
    settings.size = number("size", settings.size, BrushSettings::kMinSize, BrushSettings::kMaxSize);
    settings.opacity = number("opacity", settings.opacity, 0.01, 1);
    settings.hardness = number("hardness", settings.hardness, 0, 1);
    return settings;
}

BrushOptions::BrushOptions(BrushTool& tool, QWidget* parent) : QWidget(parent), tool_(tool)
{
    tool_.setSettings(brushSettingsFromStored(Preferences().variantMap(preferenceName()).value_or(QVariantMap())));
    const BrushSettings& settings = tool_.settings();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    preset_ = new QComboBox;
    preset_->setObjectName(QStringLiteral("BrushPreset"));
    preset_->setToolTip(QStringLiteral("Brush"));
    for (BrushPreset preset : kBrushPresets) {
        preset_->addItem(brushPresetTitle(preset), rawValue(preset));
        if (preset == settings.preset)
            preset_->setCurrentIndex(preset_->count() - 1);
    }
    row->addWidget(preset_);
    const auto addField = [&](const char* name, const QString& tip, const QString& suffix, int low, int high, double value) {
        auto* field = new QSpinBox;
        field->setObjectName(QLatin1String(name));
        field->setToolTip(tip);
        field->setRange(low, high);
        // The name as a prefix in place of a label keeps the row short; opacity and hardness are
        // both percentages and would otherwise look alike.
        field->setPrefix(tip + QLatin1Char(' '));
        field->setSuffix(suffix);
        field->setValue(int(std::lround(value)));
        field->setKeyboardTracking(false);
        row->addWidget(field);
        return field;
    };
    size_ = addField("BrushSize", QStringLiteral("Size"), QStringLiteral(" px"), int(BrushSettings::kMinSize),
                     int(BrushSettings::kMaxSize), settings.size);
    opacity_ = addField("BrushOpacity", QStringLiteral("Opacity"), QStringLiteral(" %"), 1, 100, settings.opacity * 100);
    hardness_ = addField("BrushHardness", QStringLiteral("Hardness"), QStringLiteral(" %"), 0, 100, settings.hardness * 100);
    connect(preset_, &QComboBox::currentIndexChanged, this, &BrushOptions::apply);
    for (QSpinBox* field : {size_, opacity_, hardness_})
        connect(field, &QSpinBox::valueChanged, this, &BrushOptions::apply);
}

QString BrushOptions::preferenceName() const
{
    return QLatin1String(tool_.erases() ? PreferenceName::eraserOptions : PreferenceName::brushOptions);
}

void BrushOptions::apply()
{
    BrushSettings settings;
    settings.preset = brushPresetFromRawValue(preset_->currentData().toString()).value_or(settings.preset);
    settings.size = size_->value();
    settings.opacity = opacity_->value() / 100.0;
    settings.hardness = hardness_->value() / 100.0;
    tool_.setSettings(settings);
    Preferences().setValue(preferenceName(), storedBrushSettings(settings));
}

}  // namespace velmaris
