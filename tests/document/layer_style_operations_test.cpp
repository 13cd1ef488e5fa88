#include "document/LayerStyleOperations.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using namespace test;

// Red on the left, blue on the right; the top row opaque, the bottom row clear.
Layer twoColourLayer(const QString& name)
{
    auto builder = BitmapBuilder::create(2, 2);
    std::uint8_t* row = builder->row(0);
    const std::array<std::uint8_t, 8> pixels{255, 0, 0, 255, 0, 0, 255, 255};
    std::copy(pixels.begin(), pixels.end(), row);
    Layer layer = solidLayer(name);
    layer.origin = {7, 3};
    layer.content = std::move(*builder).build();
    return layer;
}

TEST(LayerStyleOperations, FlipMirrorsUnlockedTargetsWithinTheirOwnBoxes)
{
    auto document = documentWith({twoColourLayer("Flip"), twoColourLayer("Locked")});
    document->changeLiveState([&](CanvasState& state) { state.layers[1].isLocked = true; });
    const Bitmap lockedPixels = *document->state().layers[1].bitmap();
    selectIndices(*document, 0, {1});

    DocumentSpy horizontal(*document);
    ASSERT_TRUE(flipLayers(*document, true));
    EXPECT_TRUE(horizontal.recordedOnly("Flip Layer Horizontal"));
    const Layer& flipped = document->state().layers[0];
    EXPECT_EQ(flipped.origin, QPointF(7, 3));
    EXPECT_EQ(pixelAt(*flipped.bitmap(), 0, 0), kBlue);
    EXPECT_EQ(pixelAt(*flipped.bitmap(), 1, 0), kRed);
    EXPECT_TRUE(document->state().layers[1].bitmap()->sharesPixelsWith(lockedPixels));

    DocumentSpy vertical(*document);
    ASSERT_TRUE(flipLayers(*document, false));
    EXPECT_TRUE(vertical.recordedOnly("Flip Layer Vertical"));
    EXPECT_EQ(pixelAt(*document->state().layers[0].bitmap(), 0, 1), kBlue);
    EXPECT_EQ(pixelAt(*document->state().layers[0].bitmap(), 0, 0), kClear);
}

TEST(LayerStyleOperations, FlippedTextBecomesABitmapInTheSameBox)
{
    auto document = documentWith({textLayer("Words", {12.5, 8})});
    const QRectF box = document->state().layers[0].box();
    ASSERT_TRUE(flipLayers(*document, true));
    const Layer& flipped = document->state().layers[0];
    ASSERT_NE(flipped.bitmap(), nullptr);
    EXPECT_EQ(flipped.box(), box);
    EXPECT_EQ(flipped.name, "Words");
}

TEST(LayerStyleOperations, LocksFollowThePrimaryOrTheRowThatChanged)
{
    auto document = documentWith({solidLayer("Locked"), solidLayer("Open")});
    document->changeLiveState([&](CanvasState& state) { state.layers[0].isLocked = true; });
    selectIndices(*document, 1, {0});
    DocumentSpy lock(*document);
    ASSERT_TRUE(toggleLayerLock(*document));
    EXPECT_TRUE(lock.recordedOnly("Lock Layer"));
    EXPECT_TRUE(document->state().layers[0].isLocked);
    EXPECT_TRUE(document->state().layers[1].isLocked);

    DocumentSpy unlock(*document);
    ASSERT_TRUE(toggleLayerLock(*document));
    EXPECT_TRUE(unlock.recordedOnly("Unlock Layer"));
    EXPECT_FALSE(document->state().layers[0].isLocked);

    const QUuid id = document->state().layers[0].id;
    DocumentSpy row(*document);
    ASSERT_TRUE(setLayerLocked(*document, id, true));
    ASSERT_TRUE(setLayerLocked(*document, id, false));
    EXPECT_EQ(row.recordedNames(), QStringList({"Lock Layer", "Unlock Layer"}));
}

TEST(LayerStyleOperations, VisibilityAndNamesIgnoreLocks)
{
    auto document = documentWith({solidLayer("Layer")});
    document->changeLiveState([&](CanvasState& state) { state.layers[0].isLocked = true; });
    const QUuid id = document->state().layers[0].id;
    DocumentSpy recording(*document);
    ASSERT_TRUE(setLayerVisible(*document, id, false));
    EXPECT_FALSE(document->state().layers[0].isVisible);
    ASSERT_TRUE(setLayerVisible(*document, id, true));
    ASSERT_TRUE(renameLayer(*document, id, " \t Sky\n"));
    EXPECT_EQ(document->state().layers[0].name, "Sky");
    EXPECT_EQ(recording.recordedNames(), QStringList({"Hide Layer", "Show Layer", "Rename Layer"}));
}

TEST(LayerStyleOperations, BlendModeChangesOnlyUnlockedTargets)
{
    auto document = documentWith({solidLayer("Locked"), solidLayer("Open"), solidLayer("Unselected")});
    document->changeLiveState([&](CanvasState& state) { state.layers[0].isLocked = true; });
    document->changeLiveState([&](CanvasState& state) { state.layers[1].blendMode = LayerBlendMode::screen; });
    selectIndices(*document, 1, {0});
    EXPECT_FALSE(setBlendMode(*document, LayerBlendMode::screen));  // only the locked one differs

    DocumentSpy recording(*document);
    ASSERT_TRUE(setBlendMode(*document, LayerBlendMode::multiply));
    EXPECT_TRUE(recording.recordedOnly("Blend Mode"));
    EXPECT_EQ(document->state().layers[0].blendMode, LayerBlendMode::normal);
    EXPECT_EQ(document->state().layers[1].blendMode, LayerBlendMode::multiply);
    EXPECT_EQ(document->state().layers[2].blendMode, LayerBlendMode::normal);
}

TEST(LayerStyleOperations, OpacityIsLiveUntilCommittedAndLockedLayersKeepTheirs)
{
    auto document = documentWith({solidLayer("Layer")});
    DocumentSpy drag(*document);
    ASSERT_TRUE(setSelectedLayerOpacity(*document, 40, false));
    EXPECT_DOUBLE_EQ(document->state().layers[0].opacity, 0.4);
    EXPECT_EQ(drag.stateChanges(), 1);
    EXPECT_TRUE(drag.recordedNames().isEmpty());
    ASSERT_TRUE(setSelectedLayerOpacity(*document, 30, true));
    EXPECT_DOUBLE_EQ(document->state().layers[0].opacity, 0.3);
    EXPECT_EQ(drag.recordedNames(), QStringList{"Layer Opacity"});

    document->changeLiveState([&](CanvasState& state) { state.layers[0].isLocked = true; });
    DocumentSpy locked(*document);
    ASSERT_TRUE(setSelectedLayerOpacity(*document, 90, true));
    EXPECT_DOUBLE_EQ(document->state().layers[0].opacity, 0.3);
    EXPECT_TRUE(locked.recordedOnly("Layer Opacity"));
}

TEST(LayerStyleOperations, EffectsReplaceThePrimaryLayersUnlessLocked)
{
    auto document = documentWith({solidLayer("Below"), solidLayer("Layer")});
    selectIndices(*document, 1, {0});
    LayerEffects effects;
    effects.glow = GlowEffect{};
    DocumentSpy recording(*document);
    ASSERT_TRUE(setLayerEffects(*document, effects));
    EXPECT_TRUE(recording.recordedOnly("Layer Effects"));
    EXPECT_EQ(document->state().layers[1].effects, effects);
    EXPECT_EQ(document->state().layers[0].effects, LayerEffects{});

    // Sizes beyond the maxima are lowered to them; asking again for as much changes nothing.
    effects.glow->radius = 1e6;
    effects.stroke = StrokeEffect{{}, 1e6};
    ASSERT_TRUE(setLayerEffects(*document, effects));
    EXPECT_EQ(document->state().layers[1].effects.glow->radius, kMaxGlowRadius);
    EXPECT_EQ(document->state().layers[1].effects.stroke->width, kMaxStrokeEffectWidth);
    EXPECT_FALSE(setLayerEffects(*document, effects));

    document->changeLiveState([&](CanvasState& state) { state.layers[1].isLocked = true; });
    EXPECT_FALSE(setLayerEffects(*document, LayerEffects{}));
}

}  // namespace
}  // namespace velmaris
