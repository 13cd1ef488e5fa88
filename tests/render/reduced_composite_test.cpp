#include "render/ReducedComposite.h"

#include "render/DisplayImage.h"
#include "render/FilterCatalogue.h"
#include "render/ReducedImages.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace velmaris {
namespace {

using test::bitmapLayer;
using test::bitmapDistance;

CanvasState stateOf(QSize size, QVector<Layer> layers)
{
    CanvasState state;
    state.size = QSizeF(size);
    state.layers = std::move(layers);
    return state;
}

Bitmap halvedBitmap(const Bitmap& image, int halvings)
{
    return Bitmap::fromImage(halvedImages(image.image(), halvings, 0).last());
}

// Squares of 24 pixels, black and white: edges a blur visibly softens.
Bitmap squares(int width, int height)
{
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t value = ((x / 24 + y / 24) % 2) ? 255 : 0;
            std::uint8_t* pixel = builder->row(y) + 4 * x;
            pixel[0] = pixel[1] = pixel[2] = value;
            pixel[3] = 255;
        }
    return std::move(*builder).build();
}

double meanDifference(const Bitmap& a, const Bitmap& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < 4 * a.width(); ++x)
            sum += std::abs(int(a.row(y)[x]) - int(b.row(y)[x]));
    return sum / (4.0 * a.width() * a.height());
}

// Each level is the rounded mean of 2 × 2 blocks; a last odd row or column is left out, and a side
// of one pixel repeats it. Sizes cover the four-pixel blocks, their remainders and the thin edges.
TEST(ReducedImages, EveryLevelIsTheRoundedMeanOfTwoByTwoBlocks)
{
    for (const QSize size : {QSize(1, 1), QSize(1, 7), QSize(7, 1), QSize(2, 2), QSize(9, 5), QSize(16, 3), QSize(33, 18)}) {
        const Bitmap image = test::randomBitmap(size.width(), size.height(), unsigned(size.width() * 31 + size.height()));
        const QVector<QImage> levels = halvedImages(image.image(), 3, 0);
        ASSERT_EQ(levels.size(), 3);
        const QImage* source = &image.image();
        for (const QImage& level : levels) {
            ASSERT_EQ(level.size(), QSize(std::max(source->width() / 2, 1), std::max(source->height() / 2, 1)));
            for (int y = 0; y < level.height(); ++y)
                for (int x = 0; x < level.width(); ++x)
                    for (int c = 0; c < 4; ++c) {
                        auto at = [&](int sx, int sy) {
                            return int(source->constScanLine(std::min(sy, source->height() - 1))
                                           [4 * std::min(sx, source->width() - 1) + c]);
                        };
                        const int mean = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1)
                                          + at(2 * x + 1, 2 * y + 1) + 2) / 4;
                        ASSERT_EQ(int(level.constScanLine(y)[4 * x + c]), mean)
                            << size.width() << "×" << size.height() << " at " << x << "," << y;
                    }
            source = &level;
        }
    }
}

TEST(ReducedComposite, OpaqueLayersOnEvenPixelsGiveTheHalvedFullComposite)
{
    const Layer top = bitmapLayer(test::opaqueRandomBitmap(60, 40, 2), {20, 16});
    Layer hidden = bitmapLayer(test::opaqueRandomBitmap(40, 40, 3), {0, 0});
    hidden.isVisible = false;
    const CanvasState state = stateOf({160, 120}, {bitmapLayer(test::opaqueRandomBitmap(160, 120, 1)), top, hidden});
    const std::optional<Bitmap> full = renderComposite(state);
    ASSERT_TRUE(full);
    for (int halvings : {1, 2}) {
        const std::optional<Bitmap> reduced = renderReducedComposite(state, halvings);
        ASSERT_TRUE(reduced);
        EXPECT_EQ(bitmapDistance(*reduced, halvedBitmap(*full, halvings)), 0) << halvings;
    }
    // An odd side halves down as the display's halved images do.
    EXPECT_EQ(renderReducedComposite(stateOf({161, 3}, {}), 2)->size(), QSize(40, 1));
    EXPECT_EQ(halvedLength(3, 2), 1);
}

TEST(ReducedComposite, APreviewScaledWithTheCanvasLooksLikeTheFullPreviewHalved)
{
    const CanvasState state = stateOf({192, 144}, {bitmapLayer(squares(192, 144))});
    FilterInstance blur = FilterInstance::withDefaults(*findFilter(QStringLiteral("gaussianBlur")));
    blur.setValue(QStringLiteral("inputRadius"), 12);
    const auto previewOf = [&](const FilterInstance& instance) {
        LayerPreview preview;
        preview.layerID = state.layers[0].id;
        preview.filter = [instance](const Bitmap& image) { return instance.apply(image); };
        return preview;
    };
    const LayerPreview fullPreview = previewOf(blur);
    const Bitmap expected = halvedBitmap(*renderComposite(state, &fullPreview), 2);

    const LayerPreview scaled = previewOf(blur.scaled(0.25)), unscaled = previewOf(blur);
    const std::optional<Bitmap> reduced = renderReducedComposite(state, 2, &scaled);
    const std::optional<Bitmap> tooBlurred = renderReducedComposite(state, 2, &unscaled);
    ASSERT_TRUE(reduced && tooBlurred);
    EXPECT_LT(meanDifference(*reduced, expected), 1.0);
    EXPECT_GT(meanDifference(*tooBlurred, expected), 4 * meanDifference(*reduced, expected));
}

}  // namespace
}  // namespace velmaris
