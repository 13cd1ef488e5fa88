#include "model/Layer.h"

#include "TestImages.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace velmaris {

TEST(LayerModel, StoredColorJsonKeepsComponentOrderAndRefusesBadData)
{
    const StoredColor color{0.1, 0.5, 1, 0.25};
    EXPECT_EQ(color.toJsonData(), QByteArray(R"({"red":0.1,"green":0.5,"blue":1,"alpha":0.25})"));
    EXPECT_EQ(StoredColor::fromJsonData(color.toJsonData()), color);
    EXPECT_EQ(StoredColor::fromJson(color.toJson()), color);

    EXPECT_FALSE(StoredColor::fromJsonData("not json"));
    EXPECT_FALSE(StoredColor::fromJsonData("[1, 2, 3, 4]"));
    EXPECT_FALSE(StoredColor::fromJsonData(R"({"red":1,"green":1,"blue":1})"));
    EXPECT_FALSE(StoredColor::fromJsonData(R"({"red":"1","green":1,"blue":1,"alpha":1})"));
}

TEST(LayerModel, StoredColorConvertsPlatformColours)
{
    EXPECT_EQ(StoredColor::fromColor(QColor()), (StoredColor{0, 0, 0, 1}));
    const StoredColor translucent = StoredColor::fromColor(QColor::fromRgbF(1, 0, 0, 0.5f));
    EXPECT_EQ(translucent.red, 1);
    EXPECT_NEAR(translucent.alpha, 0.5, 1e-4);  // QColor keeps 16 bits per component
    const StoredColor hsv = StoredColor::fromColor(QColor::fromHsvF(1.0f / 3, 1, 1));
    EXPECT_NEAR(hsv.green, 1, 1e-4);
    EXPECT_NEAR(hsv.red, 0, 1e-4);
    EXPECT_EQ(StoredColor::fromColor((StoredColor{0, 0, 1, 1}).toColor()), (StoredColor{0, 0, 1, 1}));
    EXPECT_EQ((StoredColor{1, 0.5, 2, 0.5}).premultipliedRgba8(), (std::array<std::uint8_t, 4>{128, 64, 128, 128}));
}

TEST(LayerModel, BlendModeRawValuesRoundTripAndUnknownOnesFail)
{
    const auto modes = allBlendModes();
    for (int i = 0; i < kBlendModeCount; ++i) {
        EXPECT_EQ(int(modes[i]), i);
        EXPECT_EQ(blendModeFromRawValue(rawValue(modes[i])), modes[i]);
    }
    EXPECT_EQ(rawValue(LayerBlendMode::colorDodge), "colorDodge");
    EXPECT_EQ(displayName(LayerBlendMode::softLight), "Soft Light");
    EXPECT_EQ(displayName(LayerBlendMode::luminosity), "Luminosity");
    EXPECT_FALSE(blendModeFromRawValue("Color Dodge"));
    EXPECT_FALSE(blendModeFromRawValue("plusLighter"));
}

TEST(LayerModel, EffectsCompareMemberwiseAndAbsentEqualsOnlyAbsent)
{
    LayerEffects a;
    LayerEffects b;
    EXPECT_EQ(a, b);
    a.shadow = ShadowEffect{};
    EXPECT_NE(a, b);
    b.shadow = ShadowEffect{};
    EXPECT_EQ(a, b);
    b.shadow->offset.setHeight(4 + 1e-13);  // Qt's size comparison would call these equal
    EXPECT_NE(a, b);
    b.shadow->offset.setHeight(4);
    a.glow = GlowEffect{};
    b.glow = GlowEffect{{1, 1, 1, 1}, 8.5};
    EXPECT_NE(a, b);
}

TEST(LayerModel, LayersCompareBitmapsByIdentityAndTextByValue)
{
    const Bitmap pixels = test::solidBitmap(2, 2, {1, 2, 3, 255});
    Layer a;
    a.content = pixels;
    Layer b = a;
    EXPECT_EQ(a, b);
    b.content = test::solidBitmap(2, 2, {1, 2, 3, 255});  // same pixels, another bitmap
    EXPECT_NE(a, b);

    b = a;
    b.origin = {0, 1e-13};
    EXPECT_NE(a, b);

    Layer text = a;
    text.content = TextLayerAttributes{"Hi", "DejaVu Sans", 20, {}, {}};
    EXPECT_NE(a, text);
    Layer sameText = text;
    sameText.content = TextLayerAttributes{"Hi", "DejaVu Sans", 20, {}, {}};
    EXPECT_EQ(text, sameText);
    std::get<TextLayerAttributes>(sameText.content).runs.append(TextStyleRun{1, 30, {}, {}});
    EXPECT_NE(text, sameText);

    EXPECT_NE(Layer{}.id, Layer{}.id);
    EXPECT_EQ(Layer{}.pixelSize(), QSizeF(0, 0));  // no pixels yet
    a.origin = {3.5, -2};
    EXPECT_EQ(a.box(), QRectF(3.5, -2, 2, 2));
}

}  // namespace velmaris
