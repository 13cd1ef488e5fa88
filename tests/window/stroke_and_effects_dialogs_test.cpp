#include "window/dialogs/LayerEffectsDialog.h"
#include "window/dialogs/StrokeSelectionDialog.h"

#include "document/LayerStyleOperations.h"
#include "document/TestDocuments.h"
#include "platform/CurrentColorStore.h"
#include "window/SheetTestHelpers.h"

#include <QCheckBox>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::documentWith;
using test::DocumentSpy;
using test::kBlue;
using test::kClear;
using test::labelTexts;
using test::openSheet;
using test::press;
using test::shownWindow;
using test::solidLayer;
using test::typeInto;

constexpr StoredColor kCurrentBlue{0, 0, 1, 1};

test::Rgba canvasPixel(const ImageDocument& document, int x, int y)
{
    const Layer& layer = document.state().layers[0];
    return test::pixelAt(*layer.bitmap(), x - int(layer.origin.x()), y - int(layer.origin.y()));
}

QLineEdit* field(const QWidget* sheet, const char* name)
{
    return sheet->findChild<QLineEdit*>(QString::fromLatin1(name));
}

StoredColor wellColor(const QWidget* sheet, const char* name)
{
    return sheet->findChild<EffectColorWell*>(QString::fromLatin1(name))->color();
}

QCheckBox* effectSwitch(const QWidget* sheet, const QString& title)
{
    for (QCheckBox* box : sheet->findChildren<QCheckBox*>())
        if (box->text() == title)
            return box;
    return nullptr;
}

TEST(StrokeSelectionDialog, StrokesInTheCurrentColourAndRefusesOtherWidths)
{
    CurrentColorStore::shared().setColor(kCurrentBlue);
    auto document = documentWith({solidLayer("Layer", 20, 20, {0, 0}, kClear)}, {20, 20});
    document->setSelectionRect(QRectF(2, 2, 10, 10));
    auto window = shownWindow();

    for (const char* width : {"0.5", "1000.5", "abc", " 2", "", "2px", "nan"}) {
        DocumentSpy spy(*document);
        StrokeSelectionDialog::open(document.get(), window.get());
        NumberFieldSheet* sheet = openSheet(window.get());
        ASSERT_TRUE(sheet);
        typeInto(sheet->findChild<QLineEdit*>(), QString::fromLatin1(width));
        press(sheet, "Stroke");
        EXPECT_TRUE(spy.silent()) << width;
    }
    DocumentSpy cancelled(*document);
    StrokeSelectionDialog::open(document.get(), window.get());
    press(openSheet(window.get()), "Cancel");
    EXPECT_TRUE(cancelled.silent());

    DocumentSpy spy(*document);
    StrokeSelectionDialog::open(document.get(), window.get());
    NumberFieldSheet* sheet = openSheet(window.get());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(labelTexts(sheet), (QStringList{"Stroke Selection", "Strokes the selection border with the current color.",
                                              "Width (px)"}));
    EXPECT_EQ(sheet->findChild<QLineEdit*>()->text(), "2");
    EXPECT_TRUE(sheet->button("Stroke")->isDefault());
    press(sheet, "Stroke");
    EXPECT_TRUE(spy.recordedOnly("Stroke Selection"));
    EXPECT_EQ(canvasPixel(*document, 2, 6), kBlue);
    EXPECT_EQ(canvasPixel(*document, 3, 6), kBlue);
    EXPECT_EQ(canvasPixel(*document, 4, 6), kClear);  // two pixels wide, inside the selection
    EXPECT_EQ(canvasPixel(*document, 1, 6), kClear);
}

TEST(LayerEffectsDialog, PrefillsTheLayersEffectsAndDefaultsForTheAbsentOnes)
{
    CurrentColorStore::shared().setColor(kCurrentBlue);
    Layer layer = solidLayer("Badge", 10, 10);
    layer.effects.shadow = ShadowEffect{StoredColor{1, 0, 0, 0.25}, QSizeF(2.5, -3), 1.5};
    layer.effects.glow = GlowEffect{StoredColor{0, 1, 0, 1}, 12};
    auto document = documentWith({layer});
    auto window = shownWindow();
    DocumentSpy spy(*document);

    LayerEffectsDialog::open(document.get(), window.get());
    NumberFieldSheet* sheet = openSheet(window.get());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    const QStringList labels = labelTexts(sheet);
    EXPECT_EQ(labels.mid(0, 2), (QStringList{"Layer Effects", "Non-destructive effects for \"Badge\"."}));
    EXPECT_TRUE(labels.contains("Offset") && labels.contains(",") && labels.contains("Blur") &&
                labels.contains("Width") && labels.contains("Radius"));
    EXPECT_TRUE(effectSwitch(sheet, "Drop Shadow")->isChecked());
    EXPECT_FALSE(effectSwitch(sheet, "Stroke")->isChecked());
    EXPECT_TRUE(effectSwitch(sheet, "Outer Glow")->isChecked());
    EXPECT_EQ(field(sheet, "shadowOffsetX")->text(), "2.5");
    EXPECT_EQ(field(sheet, "shadowOffsetY")->text(), "-3");
    EXPECT_EQ(field(sheet, "shadowBlur")->text(), "1.5");
    EXPECT_EQ(field(sheet, "strokeWidth")->text(), "4");
    EXPECT_EQ(field(sheet, "glowRadius")->text(), "12");
    EXPECT_EQ(field(sheet, "glowRadius")->width(), 44);
    EXPECT_EQ(wellColor(sheet, "shadowColor"), (StoredColor{1, 0, 0, 0.25}));
    EXPECT_EQ(wellColor(sheet, "strokeColor"), kCurrentBlue);
    EXPECT_EQ(wellColor(sheet, "glowColor"), (StoredColor{0, 1, 0, 1}));
    EXPECT_TRUE(sheet->button("OK")->isDefault());

    // Confirmed unchanged, the effects are equal and nothing is recorded.
    press(sheet, "OK");
    LayerEffectsDialog::open(document.get(), window.get());
    press(openSheet(window.get()), "Cancel");
    EXPECT_TRUE(spy.silent());
    EXPECT_EQ(document->state().layers[0].effects, layer.effects);
}

TEST(LayerEffectsDialog, BuildsTheCheckedEffectsWithFallbacksAndLimits)
{
    CurrentColorStore::shared().setColor(kCurrentBlue);
    auto document = documentWith({solidLayer("Plain")});
    auto window = shownWindow();

    LayerEffectsDialog::open(document.get(), window.get());
    NumberFieldSheet* sheet = openSheet(window.get());
    EXPECT_FALSE(effectSwitch(sheet, "Drop Shadow")->isChecked());
    EXPECT_EQ(field(sheet, "shadowOffsetX")->text(), "4");
    EXPECT_EQ(field(sheet, "shadowOffsetY")->text(), "4");
    EXPECT_EQ(field(sheet, "shadowBlur")->text(), "6");
    EXPECT_EQ(field(sheet, "glowRadius")->text(), "8");
    EXPECT_EQ(wellColor(sheet, "shadowColor"), (StoredColor{0, 0, 0, 0.5}));
    EXPECT_EQ(wellColor(sheet, "glowColor"), (StoredColor{1, 1, 1, 1}));
    effectSwitch(sheet, "Drop Shadow")->setChecked(true);
    effectSwitch(sheet, "Stroke")->setChecked(true);
    typeInto(field(sheet, "shadowOffsetX"), "-7.5");
    typeInto(field(sheet, "shadowOffsetY"), "1e");  // not a number: the default
    typeInto(field(sheet, "shadowBlur"), "-2");
    typeInto(field(sheet, "strokeWidth"), "abc");
    typeInto(field(sheet, "glowRadius"), "30");  // unchecked: no glow whatever the field says
    DocumentSpy spy(*document);
    press(sheet, "OK");
    EXPECT_TRUE(spy.recordedOnly("Layer Effects"));
    LayerEffects expected;
    expected.shadow = ShadowEffect{StoredColor{0, 0, 0, 0.5}, QSizeF(-7.5, 4), 0};
    expected.stroke = StrokeEffect{kCurrentBlue, 4};
    EXPECT_EQ(document->state().layers[0].effects, expected);

    LayerEffectsDialog::open(document.get(), window.get());
    sheet = openSheet(window.get());
    effectSwitch(sheet, "Drop Shadow")->setChecked(false);
    effectSwitch(sheet, "Outer Glow")->setChecked(true);
    typeInto(field(sheet, "strokeWidth"), "0.25");
    typeInto(field(sheet, "glowRadius"), "inf");
    press(sheet, "OK");
    expected.shadow.reset();
    expected.stroke->width = 1;
    expected.glow = GlowEffect{StoredColor{1, 1, 1, 1}, 8};
    EXPECT_EQ(document->state().layers[0].effects, expected);

    // Sizes beyond the maxima are lowered to them.
    LayerEffectsDialog::open(document.get(), window.get());
    sheet = openSheet(window.get());
    effectSwitch(sheet, "Drop Shadow")->setChecked(true);
    typeInto(field(sheet, "shadowOffsetX"), "99999");
    typeInto(field(sheet, "shadowBlur"), "5000");
    typeInto(field(sheet, "strokeWidth"), "1e9");
    typeInto(field(sheet, "glowRadius"), "2000");
    EXPECT_EQ(field(sheet, "glowRadius")->toolTip(), "1 to 500");
    press(sheet, "OK");
    const LayerEffects& limited = document->state().layers[0].effects;
    EXPECT_EQ(limited.shadow->offset, QSizeF(kMaxShadowOffset, 4));
    EXPECT_EQ(limited.shadow->blur, kMaxShadowBlur);
    EXPECT_EQ(limited.stroke->width, kMaxStrokeEffectWidth);
    EXPECT_EQ(limited.glow->radius, kMaxGlowRadius);

    // Without a primary layer there is nothing to style: no sheet opens.
    auto empty = documentWith({});
    LayerEffectsDialog::open(empty.get(), window.get());
    EXPECT_FALSE(openSheet(window.get()));
}

}  // namespace
}  // namespace velmaris
