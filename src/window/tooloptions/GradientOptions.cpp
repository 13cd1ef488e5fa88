#include "window/tooloptions/GradientOptions.h"

#include "platform/Preferences.h"

#include <QComboBox>
#include <QHBoxLayout>

namespace velmaris {

namespace {

constexpr char kRadial[] = "Radial";
constexpr char kToBackground[] = "ToBackgroundColor";

}  // namespace

GradientOptions::GradientOptions(GradientTool& tool, QWidget* parent) : QWidget(parent), tool_(tool)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    shape_ = new QComboBox;
    shape_->setObjectName(QStringLiteral("GradientShape"));
    shape_->setToolTip(QStringLiteral("Shape"));
    shape_->addItem(QStringLiteral("Linear"), int(GradientShape::linear));
    shape_->addItem(QStringLiteral("Radial"), int(GradientShape::radial));
    end_ = new QComboBox;
    end_->setObjectName(QStringLiteral("GradientEnd"));
    end_->setToolTip(QStringLiteral("Ends in"));
    end_->addItem(QStringLiteral("To Transparent"), false);
    end_->addItem(QStringLiteral("To Background Color"), true);

    const GradientSettings defaults = tool.settings();
    const QVariantMap stored = Preferences().variantMap(PreferenceName::gradientToolOptions).value_or(QVariantMap());
    shape_->setCurrentIndex(stored.value(kRadial, defaults.shape == GradientShape::radial).toBool() ? 1 : 0);
    end_->setCurrentIndex(stored.value(kToBackground, defaults.toBackgroundColor).toBool() ? 1 : 0);
    for (QComboBox* field : {shape_, end_}) {
        connect(field, &QComboBox::currentIndexChanged, this, &GradientOptions::apply);
        row->addWidget(field);
    }
    tool_.setSettings(shown());
}

GradientSettings GradientOptions::shown() const
{
    return {GradientShape(shape_->currentData().toInt()), end_->currentData().toBool()};
}

void GradientOptions::apply()
{
    const GradientSettings settings = shown();
    tool_.setSettings(settings);
    Preferences().setValue(PreferenceName::gradientToolOptions,
                           QVariantMap{{kRadial, settings.shape == GradientShape::radial},
                                       {kToBackground, settings.toBackgroundColor}});
}

}  // namespace velmaris
