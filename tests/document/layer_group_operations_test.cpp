#include "document/LayerGroupOperations.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using namespace test;

TEST(LayerGroupOperations, GroupGathersTheTargetsWhereTheTopmostWas)
{
    auto document = documentWith({solidLayer("L0"), solidLayer("L1"), solidLayer("L2"), solidLayer("L3")});
    selectIndices(*document, 2, {0});
    const CanvasState before = document->state();
    DocumentSpy recording(*document);
    ASSERT_TRUE(groupLayers(*document));
    EXPECT_TRUE(recording.recordedOnly("Group Layers"));
    const CanvasState& state = document->state();
    EXPECT_EQ(layerNames(state), QStringList({"L1", "L0", "L2", "L3"}));
    ASSERT_TRUE(state.layers[1].groupID);
    EXPECT_EQ(state.layers[2].groupID, state.layers[1].groupID);
    EXPECT_FALSE(state.layers[0].groupID);
    EXPECT_FALSE(state.layers[3].groupID);
    EXPECT_EQ(state.selectedLayerID, before.selectedLayerID);
    EXPECT_EQ(state.extraSelectedLayerIDs, before.extraSelectedLayerIDs);
}

TEST(LayerGroupOperations, UngroupDissolvesWholeGroupsOfTheTargets)
{
    const QUuid group = QUuid::createUuid();
    const QUuid other = QUuid::createUuid();
    QVector<Layer> layers{solidLayer("G1"), solidLayer("G2"), solidLayer("G3"), solidLayer("O1"), solidLayer("O2")};
    for (int i = 0; i < 5; ++i)
        layers[i].groupID = i < 3 ? group : other;
    auto document = documentWith(layers);
    selectIndices(*document, 1);
    DocumentSpy recording(*document);
    ASSERT_TRUE(ungroupLayers(*document));
    EXPECT_TRUE(recording.recordedOnly("Ungroup Layers"));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(document->state().layers[i].groupID) << i;
    EXPECT_EQ(document->state().layers[3].groupID, other);
    EXPECT_EQ(document->state().layers[4].groupID, other);
}

TEST(LayerGroupOperations, MergeDrawsTheVisibleMembersIntoTheUnionOfTheirBoxes)
{
    auto document = documentWith({solidLayer("Left", 10, 10, {0, 0}, kRed),
                                  solidLayer("Right", 10, 10, {20, 5}, kBlue)});
    document->changeLiveState([&](CanvasState& state) { state.layers[1].isLocked = true; });
    selectIndices(*document, 0, {1});
    DocumentSpy recording(*document);
    ASSERT_TRUE(mergeLayers(*document));
    EXPECT_TRUE(recording.recordedOnly("Merge Layers"));
    const CanvasState& state = document->state();
    ASSERT_EQ(state.layers.size(), 1);
    const Layer& merged = state.layers[0];
    EXPECT_EQ(merged.name, "Left");
    EXPECT_EQ(merged.box(), QRectF(0, 0, 30, 15));
    EXPECT_FALSE(merged.isLocked);
    EXPECT_EQ(pixelAt(*merged.bitmap(), 0, 0), kRed);
    EXPECT_EQ(pixelAt(*merged.bitmap(), 29, 14), kBlue);
    EXPECT_EQ(pixelAt(*merged.bitmap(), 15, 2), kClear);
    EXPECT_EQ(state.selectedLayerID, merged.id);
    EXPECT_TRUE(state.extraSelectedLayerIDs.isEmpty());
}

TEST(LayerGroupOperations, MergedHiddenMembersAreRemovedWithoutPixels)
{
    Layer hidden = solidLayer("Hidden", 10, 10, {0, 0}, kRed);
    hidden.isVisible = false;
    hidden.opacity = 0.5;
    hidden.blendMode = LayerBlendMode::multiply;
    hidden.groupID = QUuid::createUuid();
    auto document = documentWith({hidden, solidLayer("Between"), solidLayer("Shown", 4, 4, {2, 2}, kBlue),
                                  solidLayer("Top")});
    selectIndices(*document, 0, {2});
    ASSERT_TRUE(mergeLayers(*document));
    const CanvasState& state = document->state();
    EXPECT_EQ(layerNames(state), QStringList({"Between", "Hidden", "Top"}));
    const Layer& merged = state.layers[1];
    EXPECT_TRUE(merged.isVisible);
    EXPECT_EQ(merged.opacity, 1.0);
    EXPECT_EQ(merged.blendMode, LayerBlendMode::normal);
    EXPECT_FALSE(merged.groupID);
    EXPECT_EQ(merged.box(), QRectF(0, 0, 10, 10));
    EXPECT_EQ(pixelAt(*merged.bitmap(), 0, 0), kClear);
    EXPECT_EQ(pixelAt(*merged.bitmap(), 3, 3), kBlue);
}

TEST(LayerGroupOperations, FlattenComposesEverythingIntoOneBackgroundLayer)
{
    auto document = documentWith({textLayer("Words", {3, 4})}, {40.4, 30});
    DocumentSpy recording(*document);
    ASSERT_TRUE(flattenImage(*document));
    EXPECT_TRUE(recording.recordedOnly("Flatten Image"));
    ASSERT_EQ(document->state().layers.size(), 1);
    const Layer& flat = document->state().layers[0];
    EXPECT_EQ(flat.name, "Background");
    ASSERT_NE(flat.bitmap(), nullptr);
    EXPECT_EQ(flat.bitmap()->size(), QSize(40, 30));
    EXPECT_EQ(flat.origin, QPointF(0, 0));
    EXPECT_EQ(document->state().selectedLayerID, flat.id);

    document = documentWith({solidLayer("Under", 4, 4, {0, 0}, kRed), solidLayer("Over", 2, 2, {1, 1}, kBlue)}, {4, 4});
    selectIndices(*document, 0, {1});
    ASSERT_TRUE(flattenImage(*document));
    const Bitmap& pixels = *document->state().layers[0].bitmap();
    EXPECT_EQ(pixelAt(pixels, 0, 0), kRed);
    EXPECT_EQ(pixelAt(pixels, 1, 1), kBlue);
    EXPECT_TRUE(document->state().extraSelectedLayerIDs.isEmpty());
}

}  // namespace
}  // namespace velmaris
