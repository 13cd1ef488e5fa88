#pragma once

#include "render/BrushStroke.h"

#include <QVariantMap>
#include <QWidget>

class QComboBox;
class QSpinBox;

namespace velmaris {

class BrushTool;

// The settings as stored under the tool's options key, and read back (missing or out-of-range
// values take the defaults' place).
QVariantMap storedBrushSettings(const BrushSettings& settings);
BrushSettings brushSettingsFromStored(const QVariantMap& stored);

// The options of the brush or the eraser: the preset, size, opacity and hardness, kept in the
// settings for the next launch.
class BrushOptions : public QWidget {
    Q_OBJECT
public:
    explicit BrushOptions(BrushTool& tool, QWidget* parent = nullptr);

    QComboBox* presetField() const { return preset_; }
    QSpinBox* sizeField() const { return size_; }
    QSpinBox* opacityField() const { return opacity_; }
    QSpinBox* hardnessField() const { return hardness_; }

private:
    void apply();
    QString preferenceName() const;

    BrushTool& tool_;
    QComboBox* preset_;
    QSpinBox* size_;
    QSpinBox* opacity_;
    QSpinBox* hardness_;
};

}  // namespace velmaris
