#pragma once

#include <QWidget>

class QComboBox;

namespace velmaris {

class ColorPickerTool;

// The colour picker's options: the sample size and whether it samples all layers or the current one.
class PickerOptions : public QWidget {
    Q_OBJECT
public:
    explicit PickerOptions(ColorPickerTool& picker, QWidget* parent = nullptr);

    QComboBox* sampleSizeField() const { return sampleSize_; }
    QComboBox* sampleSourceField() const { return sampleSource_; }

private:
    void apply();

    ColorPickerTool& picker_;
    QComboBox* sampleSize_;
    QComboBox* sampleSource_;
};

}  // namespace velmaris
