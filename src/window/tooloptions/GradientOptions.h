#pragma once

#include "canvas/tools/GradientTool.h"

#include <QWidget>

class QComboBox;

namespace velmaris {

// The gradient's options: linear or radial, and whether it fades to transparent or to the
// background colour. Kept in the preferences.
class GradientOptions : public QWidget {
    Q_OBJECT
public:
    explicit GradientOptions(GradientTool& tool, QWidget* parent = nullptr);

    QComboBox* shapeField() const { return shape_; }
    QComboBox* endField() const { return end_; }

private:
    GradientSettings shown() const;
    void apply();

    GradientTool& tool_;
    QComboBox* shape_;
    QComboBox* end_;
};

}  // namespace velmaris
