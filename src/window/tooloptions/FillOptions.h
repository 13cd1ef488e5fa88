#pragma once

#include "document/FillOperations.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace velmaris {

class FillTool;

// The fill bucket's options: tolerance, contiguous or global, anti-aliased edge, and whether the
// region is found in the current layer or in all layers. Kept in the preferences.
class FillOptions : public QWidget {
    Q_OBJECT
public:
    explicit FillOptions(FillTool& tool, QWidget* parent = nullptr);

    QSpinBox* toleranceField() const { return tolerance_; }
    QCheckBox* contiguousBox() const { return contiguous_; }
    QCheckBox* antiAliasBox() const { return antiAlias_; }
    QComboBox* sampleField() const { return sample_; }

private:
    BucketFill shown() const;
    void apply();

    FillTool& tool_;
    QSpinBox* tolerance_;
    QCheckBox* contiguous_;
    QCheckBox* antiAlias_;
    QComboBox* sample_;
};

}  // namespace velmaris
