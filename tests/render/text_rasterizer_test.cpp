#include "render/TextRasterizer.h"

#include "model/Layer.h"
#include "model/StyledText.h"
#include "TestImages.h"

#include <gtest/gtest.h>

namespace velmaris {

namespace {

TextLayerAttributes sans(const QString& string, double size, QVector<TextStyleRun> runs = {})
{
    return {string, "DejaVu Sans", size, StoredColor{0, 0, 1, 1}, std::move(runs)};
}

struct InkExtent {
    int top = INT_MAX;
    int bottom = -1;
};

// Rows with any opaque-enough pixel in columns [fromX, toX).
InkExtent inkRows(const Bitmap& bitmap, int fromX, int toX)
{
    InkExtent extent;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = fromX; x < toX; ++x) {
            if (test::pixelAt(bitmap, x, y)[3] > 128) {
                extent.top = std::min(extent.top, y);
                extent.bottom = y;
            }
        }
    }
    return extent;
}

}  // namespace

TEST(TextRasterizer, ImageMatchesTheLayerBoxWithATransparentMargin)
{
    const TextLayerAttributes attributes = sans("Hg\nWM", 40);
    const std::optional<Bitmap> bitmap = rasterizeTextLayer(attributes);
    ASSERT_TRUE(bitmap);
    Layer layer;
    layer.content = attributes;
    EXPECT_EQ(QSizeF(bitmap->size()), layer.pixelSize());
    EXPECT_EQ(bitmap->image().format(), kBitmapFormat);

    const int w = bitmap->width();
    const int h = bitmap->height();
    int inked = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const test::Rgba pixel = test::pixelAt(*bitmap, x, y);
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
                ASSERT_EQ(pixel[3], 0) << x << "," << y;
            }
            EXPECT_LE(pixel[2], pixel[3]);  // premultiplied
            inked += pixel[3] == 255 && pixel[2] == 255;
        }
    }
    EXPECT_GT(inked, 200);
}

TEST(TextRasterizer, PointsArePixelsAndRunColoursStayInTheirSpan)
{
    const StoredColor red{1, 0, 0, 1};
    const std::optional<Bitmap> bitmap = rasterizeTextLayer(sans("HH", 64, {{1, {}, {}, {}}, {1, {}, red, {}}}));
    ASSERT_TRUE(bitmap);
    // DejaVu Sans capitals are 0.729 em high.
    const InkExtent extent = inkRows(*bitmap, 0, bitmap->width());
    EXPECT_NEAR(extent.bottom - extent.top + 1, 0.729 * 64, 2);

    int blueLeft = 0, redLeft = 0, blueRight = 0, redRight = 0;
    const int middle = bitmap->width() / 2;
    for (int y = 0; y < bitmap->height(); ++y) {
        for (int x = 0; x < bitmap->width(); ++x) {
            const test::Rgba pixel = test::pixelAt(*bitmap, x, y);
            const bool left = x < middle;
            (left ? blueLeft : blueRight) += pixel[2] == 255;
            (left ? redLeft : redRight) += pixel[0] == 255;
        }
    }
    EXPECT_GT(blueLeft, 100);
    EXPECT_GT(redRight, 100);
    EXPECT_EQ(redLeft, 0);
    EXPECT_EQ(blueRight, 0);
}

TEST(TextRasterizer, EmptyTextIsOneLineHighAndHugeTextFails)
{
    const std::optional<Bitmap> empty = rasterizeTextLayer(sans("", 30));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->width(), 2);
    EXPECT_GT(empty->height(), 30);

    EXPECT_FALSE(rasterizeTextLayer(sans("Huge", 100000)));
}

TEST(TextRasterizer, AHundredThousandStyleRunsOverManyLinesDrawEveryOne)
{
    constexpr int kRuns = 100000, kLineLength = 40;
    QString string(kRuns, u'M');
    for (int i = kLineLength - 1; i < kRuns - 1; i += kLineLength)
        string[i] = u'\n';
    QVector<TextStyleRun> runs;
    for (int i = 0; i < kRuns; ++i)
        runs.push_back({1, std::nullopt, i % 2 ? StoredColor{0, 0, 1, 1} : StoredColor{1, 0, 0, 1}, std::nullopt});
    TextLayerAttributes attributes = sans(string, 8, runs);
    attributes.normalizeRuns();
    ASSERT_EQ(attributes.runs.size(), kRuns);

    const std::optional<Bitmap> bitmap = rasterizeTextLayer(attributes);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->size(), rememberedTextLayerSize(attributes));
    // Red and blue letters alternate on the first line and on the last.
    const int lines = kRuns / kLineLength;
    const int lineHeight = bitmap->height() / lines;
    for (int top : {1, bitmap->height() - 1 - lineHeight}) {
        int red = 0, blue = 0;
        for (int y = top; y < top + lineHeight; ++y)
            for (int x = 0; x < bitmap->width(); ++x) {
                const test::Rgba pixel = test::pixelAt(*bitmap, x, y);
                red += pixel[3] > 64 && pixel[0] > pixel[2];
                blue += pixel[3] > 64 && pixel[2] > pixel[0];
            }
        EXPECT_GT(red, 20) << top;
        EXPECT_NEAR(blue, red, red / 4) << top;
    }
}

}  // namespace velmaris
