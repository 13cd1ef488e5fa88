#include "model/Layer.h"
#include "model/StyledText.h"
#include "model/StyledTextLayout.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

namespace velmaris {

namespace {

TextLayerAttributes sans(const QString& string, double size = 20, QVector<TextStyleRun> runs = {})
{
    return {string, "DejaVu Sans", size, StoredColor{0, 0, 0, 1}, std::move(runs)};
}

QSizeF measured(const TextLayerAttributes& attributes)
{
    return measureStyledText(styledText(attributes));
}

}  // namespace

TEST(StyledText, RunsOverrideFontAndColourOverTheirSpansOnly)
{
    const StoredColor red{1, 0, 0, 1};
    const StyledText text = styledText(
        sans("abcdefg", 20, {{2, {}, red, {}}, {2, 30, {}, {}}, {1, {}, {}, "DejaVu Serif"}, {9, {}, red, {}}}));
    ASSERT_EQ(text.formats.size(), 4);
    const auto& formats = text.formats;
    EXPECT_EQ(formats[0].start, 0);
    EXPECT_EQ(formats[0].length, 2);
    EXPECT_EQ(formats[0].format.foreground().color(), red.toColor());
    EXPECT_EQ(formats[0].format.font().family(), "DejaVu Sans");
    EXPECT_EQ(formats[0].format.font().pointSizeF(), 20);
    EXPECT_EQ(formats[1].format.font().pointSizeF(), 30);
    EXPECT_EQ(formats[1].format.foreground().color(), QColor(Qt::black));
    EXPECT_EQ(formats[2].format.font().family(), "DejaVu Serif");
    EXPECT_EQ(formats[2].format.font().pointSizeF(), 20);  // the base size with the run's family
    EXPECT_EQ(formats[3].start, 5);
    EXPECT_EQ(formats[3].length, 2);  // cut at the end of the string
    EXPECT_EQ(formats[3].format.foreground().color(), red.toColor());

    // A run that reaches no character ends the runs: the later run is ignored.
    const StyledText stopped = styledText(sans("ab", 20, {{2, 30, {}, {}}, {0, {}, red, {}}, {5, 40, {}, {}}}));
    ASSERT_EQ(stopped.formats.size(), 1);
    EXPECT_EQ(stopped.formats[0].format.font().pointSizeF(), 30);
}

TEST(StyledText, MissingFamiliesFallBackToTheSystemFontAtTheSameSize)
{
    const QFont missing = textFont("No Such Family 123", 33);
    EXPECT_EQ(missing.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(missing.pointSizeF(), 33);
    EXPECT_EQ(textFont("DejaVu Sans", -4).pointSizeF(), 12);
}

TEST(StyledText, LayerPixelSizeRoundsUpAndAddsTheMargin)
{
    EXPECT_EQ(textLayerPixelSize({10.2, 14}), QSize(13, 16));
    EXPECT_EQ(textLayerPixelSize({0, 0}), QSize(2, 2));
    EXPECT_EQ(textLayerPixelSize({-10, 1e20}), QSize(1, std::numeric_limits<int>::max()));

    Layer layer;
    layer.content = sans("Hello");
    EXPECT_EQ(layer.pixelSize(), QSizeF(textLayerPixelSize(measured(sans("Hello")))));
}

TEST(StyledText, MeasuresInCanvasPixelsWithOneLinePerNewline)
{
    // DejaVu Sans is 1.164 em from ascender to descender.
    const QSizeF line = measured(sans("Hg", 64));
    EXPECT_NEAR(line.height(), 64 * 1.164, 1.5);

    const QSizeF twoLines = measured(sans("Hg\nHg", 64));
    EXPECT_NEAR(twoLines.height(), 2 * line.height(), 1e-6);
    EXPECT_EQ(measured(sans("Hg\r\nHg", 64)), twoLines);
    EXPECT_EQ(measured(sans(QStringLiteral("Hg\u2028Hg"), 64)), twoLines);
    EXPECT_EQ(measured(sans("Hg\n", 64)).height(), twoLines.height());  // the caret's empty line counts
    EXPECT_EQ(measured(sans("Hg\nHg", 64)).width(), line.width());

    const QSizeF empty = measured(sans("", 64));
    EXPECT_EQ(empty.width(), 0);
    EXPECT_NEAR(empty.height(), line.height(), 1e-6);

    // No wrapping however long the line; trailing spaces widen it.
    const QSizeF longLine = measured(sans(QString(500, u'W'), 64));
    EXPECT_NEAR(longLine.height(), line.height(), 1e-6);
    EXPECT_GT(measured(sans("Hg  ", 64)).width(), line.width() + 20);

    // A larger run raises only its own line.
    const QSizeF mixed = measured(sans("a\nb", 20, {{1, 40, {}, {}}}));
    EXPECT_NEAR(mixed.height(), (40 + 20) * 1.164, 1.5);

    // Sizes beyond what the font engine measures directly still scale in proportion.
    const QSizeF huge = measured(sans("Hg", 64 * 400));
    EXPECT_NEAR(huge.width() / line.width(), 400, 2);
    EXPECT_NEAR(huge.height() / line.height(), 400, 2);
}

}  // namespace velmaris

namespace velmaris {

TEST(StyledText, LayerBoxIsRememberedPerAttributesWithoutLayingOutAgain)
{
    clearTextLayerSizes();
    Layer layer;
    layer.content = sans("Remembered box", 31);
    const QRectF first = layer.box();
    const std::uint64_t layouts = StyledTextLayout::madeCount();
    layer.origin = QPointF(50, -7);
    EXPECT_EQ(layer.box(), QRectF(QPointF(50, -7), first.size()));
    Layer copy = layer;  // equal attributes in another layer hit the same entry
    EXPECT_EQ(copy.pixelSize(), first.size());
    EXPECT_EQ(StyledTextLayout::madeCount(), layouts);

    // Any change of the attributes is measured anew, and matches an uncached measurement.
    const auto expectFreshMeasurement = [&](const TextLayerAttributes& attributes) {
        layer.content = attributes;
        const std::uint64_t before = StyledTextLayout::madeCount();
        EXPECT_EQ(layer.pixelSize(), QSizeF(textLayerPixelSize(measured(attributes))));
        EXPECT_EQ(StyledTextLayout::madeCount(), before + 2);  // the memo's and the reference's
    };
    expectFreshMeasurement(sans("Remembered box!", 31));
    expectFreshMeasurement(sans("Remembered box!", 32));
    expectFreshMeasurement(sans("Remembered box!", 32, {TextStyleRun{3, 60.0, {}, {}}}));
    expectFreshMeasurement(sans("Remembered box!", 32, {TextStyleRun{4, 60.0, {}, {}}}));
}

}  // namespace velmaris
