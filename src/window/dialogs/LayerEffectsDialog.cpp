#include "window/dialogs/LayerEffectsDialog.h"

#include "document/ImageDocument.h"
#include "document/LayerEffectsInput.h"
#include "document/LayerStyleOperations.h"
#include "platform/CurrentColorStore.h"
#include "window/ColorDialogs.h"
#include "window/dialogs/NumberFieldSheet.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace velmaris {

namespace {

constexpr int kEffectFieldWidth = 44;
constexpr QSize kWellSize(44, 22);

// The effect rows below the sheet's text: a switch, the labelled fields and a colour well each.
class EffectsGrid : public QWidget {
public:
    explicit EffectsGrid(const LayerEffectsFields& fields)
    {
        grid_ = new QGridLayout(this);
        grid_->setContentsMargins(0, 0, 0, 0);
        grid_->setHorizontalSpacing(NumberFieldSheet::kGridSpacing);
        grid_->setVerticalSpacing(NumberFieldSheet::kGridSpacing);

        shadowOn_ = addSwitch(0, tr("Drop Shadow"), fields.shadowOn);
        addLabel(0, 1, tr("Offset"));
        offsetX_ = addField(0, 2, fields.shadowOffsetX, QStringLiteral("shadowOffsetX"), -kMaxShadowOffset,
                            kMaxShadowOffset);
        addLabel(0, 3, QStringLiteral(","));
        offsetY_ = addField(0, 4, fields.shadowOffsetY, QStringLiteral("shadowOffsetY"), -kMaxShadowOffset,
                            kMaxShadowOffset);
        addLabel(0, 5, tr("Blur"));
        blur_ = addField(0, 6, fields.shadowBlur, QStringLiteral("shadowBlur"), 0, kMaxShadowBlur);
        shadowColor_ = addWell(0, fields.shadowColor, QStringLiteral("shadowColor"));

        strokeOn_ = addSwitch(1, tr("Stroke"), fields.strokeOn);
        addLabel(1, 1, tr("Width"));
        strokeWidth_ = addField(1, 2, fields.strokeWidth, QStringLiteral("strokeWidth"), 1, kMaxStrokeEffectWidth);
        strokeColor_ = addWell(1, fields.strokeColor, QStringLiteral("strokeColor"));

        glowOn_ = addSwitch(2, tr("Outer Glow"), fields.glowOn);
        addLabel(2, 1, tr("Radius"));
        glowRadius_ = addField(2, 2, fields.glowRadius, QStringLiteral("glowRadius"), 1, kMaxGlowRadius);
        glowColor_ = addWell(2, fields.glowColor, QStringLiteral("glowColor"));
    }

    LayerEffectsFields fields() const
    {
        return LayerEffectsFields{shadowOn_->isChecked(), offsetX_->text(),       offsetY_->text(),
                                  blur_->text(),          shadowColor_->color(),  strokeOn_->isChecked(),
                                  strokeWidth_->text(),   strokeColor_->color(),  glowOn_->isChecked(),
                                  glowRadius_->text(),    glowColor_->color()};
    }

private:
    static constexpr int kWellColumn = 7;

    QCheckBox* addSwitch(int row, const QString& title, bool on)
    {
        auto* box = new QCheckBox(title, this);
        box->setChecked(on);
        grid_->addWidget(box, row, 0);
        return box;
    }
    void addLabel(int row, int column, const QString& text)
    {
        grid_->addWidget(new QLabel(text, this), row, column, Qt::AlignRight);
    }
    // The tooltip names the range; layerEffectsInput brings a value outside it back in.
    QLineEdit* addField(int row, int column, const QString& text, const QString& name, double lowest, double highest)
    {
        auto* field = new QLineEdit(text, this);
        field->setObjectName(name);
        field->setToolTip(tr("%1 to %2").arg(lowest).arg(highest));
        field->setFixedWidth(kEffectFieldWidth);
        grid_->addWidget(field, row, column);
        return field;
    }
    EffectColorWell* addWell(int row, const StoredColor& color, const QString& name)
    {
        auto* well = new EffectColorWell(color, this);
        well->setObjectName(name);
        grid_->addWidget(well, row, kWellColumn);
        return well;
    }

    QGridLayout* grid_;
    QCheckBox* shadowOn_;
    QLineEdit* offsetX_;
    QLineEdit* offsetY_;
    QLineEdit* blur_;
    EffectColorWell* shadowColor_;
    QCheckBox* strokeOn_;
    QLineEdit* strokeWidth_;
    EffectColorWell* strokeColor_;
    QCheckBox* glowOn_;
    QLineEdit* glowRadius_;
    EffectColorWell* glowColor_;
};

}  // namespace

EffectColorWell::EffectColorWell(const StoredColor& color, QWidget* parent) : QPushButton(parent)
{
    setFixedSize(kWellSize);
    setAutoDefault(false);  // Return in a field confirms the sheet, never picks a colour
    setIconSize(kWellSize - QSize(12, 10));
    setColor(color);
    connect(this, &QPushButton::clicked, this, &EffectColorWell::choose);
}

void EffectColorWell::setColor(const StoredColor& color)
{
    color_ = color;
    QPixmap swatch(iconSize());
    swatch.fill(Qt::transparent);
    QPainter painter(&swatch);
    // A checker under the colour shows its transparency.
    painter.fillRect(swatch.rect(), QBrush(Qt::white));
    painter.fillRect(QRect(0, 0, swatch.width() / 2, swatch.height() / 2), Qt::lightGray);
    painter.fillRect(QRect(swatch.width() / 2, swatch.height() / 2, swatch.width(), swatch.height()), Qt::lightGray);
    painter.fillRect(swatch.rect(), color.toColor());
    painter.end();
    setIcon(QIcon(swatch));
}

void EffectColorWell::choose()
{
    QColorDialog* dialog = makeColorDialog(color_.toColor(), this);
    connect(dialog, &QColorDialog::colorSelected, this,
            [this](const QColor& chosen) { setColor(StoredColor::fromColor(chosen)); });
    dialog->open();
}

void LayerEffectsDialog::open(ImageDocument* document, QWidget* window)
{
    if (!document)
        return;
    const std::optional<Layer> layer = document->state().selectedLayer();
    if (!layer)
        return;
    auto* sheet = new NumberFieldSheet(
        window, QObject::tr("Layer Effects"),
        QObject::tr("Non-destructive effects for \"%1\".").arg(layer->name));
    auto* grid = new EffectsGrid(layerEffectsFields(layer->effects, CurrentColorStore::shared().color()));
    sheet->addAccessory(grid);
    sheet->addButton(QObject::tr("OK"), [document = QPointer<ImageDocument>(document), grid] {
        if (document)
            setLayerEffects(*document, layerEffectsInput(grid->fields()));
    });
    sheet->addButton(QObject::tr("Cancel"));
    sheet->present();
}

}  // namespace velmaris
