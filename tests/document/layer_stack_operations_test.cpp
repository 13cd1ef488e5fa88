#include "document/LayerStackOperations.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using namespace test;

TEST(LayerStackOperations, AddedLayersAreCanvasSizedTransparentAndSelectedOnTop)
{
    auto document = documentWith({solidLayer("Background")}, {20, 10});
    DocumentSpy recording(*document);
    ASSERT_TRUE(addLayer(*document));
    EXPECT_TRUE(recording.recordedOnly("Add Layer"));
    const CanvasState& state = document->state();
    ASSERT_EQ(state.layers.size(), 2);
    EXPECT_EQ(state.layers[1].name, "Layer 2");
    EXPECT_EQ(state.layers[1].bitmap()->size(), QSize(20, 10));
    EXPECT_EQ(pixelAt(*state.layers[1].bitmap(), 5, 5), kClear);
    EXPECT_EQ(state.selectedLayerID, state.layers[1].id);
}

TEST(LayerStackOperations, ImportCentresTheImageAndKeepsOnePixelOnTheCanvas)
{
    auto document = documentWith({solidLayer("A"), solidLayer("B")}, {100, 50});
    selectIndices(*document, 0, {1});
    DocumentSpy recording(*document);

    ASSERT_TRUE(importImageLayer(*document, solidBitmap(3, 10, kBlue), "Dropped", {50, 25}));
    EXPECT_TRUE(recording.recordedOnly("Import Image"));
    const Layer& centred = document->state().layers.last();
    EXPECT_EQ(centred.name, "Dropped");
    EXPECT_EQ(centred.origin, QPointF(49, 20));  // 48.5 rounds away from zero
    EXPECT_EQ(document->state().selectedLayerID, centred.id);
    EXPECT_TRUE(document->state().extraSelectedLayerIDs.isEmpty());

    importImageLayer(*document, solidBitmap(10, 10, kBlue), "Far", {5000, -5000});
    EXPECT_EQ(document->state().layers.last().origin, QPointF(99, -9));
    importImageLayer(*document, solidBitmap(10, 10, kBlue), "Far", {-5000, 5000});
    EXPECT_EQ(document->state().layers.last().origin, QPointF(-9, 49));
}

TEST(LayerStackOperations, PasteCentresThePasteboardImageOnTheCanvas)
{
    auto document = documentWith({solidLayer("A"), solidLayer("B")}, {1024, 768});
    selectIndices(*document, 0, {1});
    const Bitmap image = solidBitmap(101, 52, kBlue);
    DocumentSpy recording(*document);

    ASSERT_TRUE(pasteImageLayer(*document, image));
    EXPECT_TRUE(recording.recordedOnly("Paste"));
    const Layer& pasted = document->state().layers.last();
    EXPECT_EQ(pasted.name, "Pasted Layer");
    EXPECT_EQ(pasted.origin, QPointF(462, 358));  // 461.5 rounds away from zero
    EXPECT_TRUE(pasted.bitmap()->sharesPixelsWith(image));
    EXPECT_EQ(document->state().selectedLayerID, pasted.id);
    EXPECT_TRUE(document->state().extraSelectedLayerIDs.isEmpty());
}

TEST(LayerStackOperations, DeleteKeepsALayerSkipsLockedOnesAndSelectsTheLayerAbove)
{
    auto document = documentWith({solidLayer("A"), solidLayer("B"), solidLayer("C")});
    selectIndices(*document, 0, {1, 2});
    EXPECT_FALSE(deleteLayer(*document));  // every layer

    document->changeLiveState([&](CanvasState& state) { state.layers[1].isLocked = true; });
    document->changeLiveState([&](CanvasState& state) { state.layers[2].isLocked = true; });
    selectIndices(*document, 1, {2});
    EXPECT_FALSE(deleteLayer(*document));  // every target locked

    document = documentWith({solidLayer("A"), solidLayer("B"), solidLayer("C")});
    selectIndices(*document, 1);
    DocumentSpy middle(*document);
    ASSERT_TRUE(deleteLayer(*document));
    EXPECT_TRUE(middle.recordedOnly("Delete Layer"));
    EXPECT_EQ(layerNames(document->state()), QStringList({"A", "C"}));
    EXPECT_EQ(document->state().selectedLayer()->name, "C");

    ASSERT_TRUE(deleteLayer(*document));
    EXPECT_EQ(layerNames(document->state()), QStringList({"A"}));
    EXPECT_EQ(document->state().selectedLayer()->name, "A");

    document = documentWith({solidLayer("A"), solidLayer("B"), solidLayer("C"), solidLayer("D")});
    document->changeLiveState([&](CanvasState& state) { state.layers[2].isLocked = true; });
    selectIndices(*document, 0, {1, 2});
    DocumentSpy several(*document);
    ASSERT_TRUE(deleteLayer(*document));
    EXPECT_TRUE(several.recordedOnly("Delete Layers"));
    EXPECT_EQ(layerNames(document->state()), QStringList({"C", "D"}));
    EXPECT_EQ(document->state().selectedLayer()->name, "C");
    EXPECT_TRUE(document->state().extraSelectedLayerIDs.isEmpty());
}

TEST(LayerStackOperations, DuplicatesGoAboveTheTopmostSourceWithLocksAndNewGroups)
{
    auto document = documentWith({solidLayer("Base"), solidLayer("Top")});
    document->changeLiveState([&](CanvasState& state) { state.layers[0].isLocked = true; });
    selectIndices(*document, 0);
    DocumentSpy single(*document);
    ASSERT_TRUE(duplicateLayer(*document));
    EXPECT_TRUE(single.recordedOnly("Duplicate Layer"));
    const Layer& copy = document->state().layers[1];
    EXPECT_EQ(layerNames(document->state()), QStringList({"Base", "Base copy", "Top"}));
    EXPECT_TRUE(copy.isLocked);
    EXPECT_NE(copy.id, document->state().layers[0].id);
    EXPECT_TRUE(copy.bitmap()->sharesPixelsWith(*document->state().layers[0].bitmap()));
    EXPECT_EQ(document->state().selectedLayerID, copy.id);

    const QUuid group = QUuid::createUuid();
    document = documentWith({solidLayer("G1"), solidLayer("Other"), solidLayer("G2"), solidLayer("Top")});
    document->changeLiveState([&](CanvasState& state) { state.layers[0].groupID = group; });
    document->changeLiveState([&](CanvasState& state) { state.layers[2].groupID = group; });
    selectIndices(*document, 0, {2});
    DocumentSpy pair(*document);
    ASSERT_TRUE(duplicateLayer(*document));
    EXPECT_TRUE(pair.recordedOnly("Duplicate Layers"));
    const CanvasState& state = document->state();
    EXPECT_EQ(layerNames(state), QStringList({"G1", "Other", "G2", "G1 copy", "G2 copy", "Top"}));
    ASSERT_TRUE(state.layers[3].groupID);
    EXPECT_NE(*state.layers[3].groupID, group);
    EXPECT_EQ(state.layers[4].groupID, state.layers[3].groupID);
    EXPECT_EQ(state.layers[0].groupID, group);
    EXPECT_EQ(state.selectedLayerID, state.layers[3].id);
    EXPECT_EQ(state.extraSelectedLayerIDs, QSet<QUuid>{state.layers[4].id});
}

TEST(LayerStackOperations, MoveLandsInTheGapCountedBeforeRemoval)
{
    auto document = documentWith({solidLayer("A"), solidLayer("B"), solidLayer("C")});
    DocumentSpy recording(*document);
    ASSERT_TRUE(moveLayer(*document, 0, 2));
    EXPECT_TRUE(recording.recordedOnly("Reorder Layer"));
    EXPECT_EQ(layerNames(document->state()), QStringList({"B", "A", "C"}));
    ASSERT_TRUE(moveLayer(*document, 0, 3));
    EXPECT_EQ(layerNames(document->state()), QStringList({"A", "C", "B"}));
    ASSERT_TRUE(moveLayer(*document, 2, 0));
    EXPECT_EQ(layerNames(document->state()), QStringList({"B", "A", "C"}));
    for (auto [from, to] : {std::pair{1, 1}, {3, 0}, {-1, 2}, {0, 4}, {0, -1}})
        EXPECT_FALSE(moveLayer(*document, from, to)) << from << " → " << to;
}

}  // namespace
}  // namespace velmaris
