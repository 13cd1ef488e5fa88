#include "document/LayerSelection.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using namespace test;

TEST(LayerSelection, GroupsAreSelectedWholeAndOnlyChangesAreAnnounced)
{
    const QUuid group = QUuid::createUuid();
    QVector<Layer> layers{solidLayer("G1"), solidLayer("Alone"), solidLayer("G2"), solidLayer("G3")};
    for (int i : {0, 2, 3})
        layers[i].groupID = group;
    auto document = documentWith(layers);
    const CanvasState& state = document->state();
    DocumentSpy recording(*document);

    ASSERT_TRUE(selectLayer(*document, layers[2].id));
    EXPECT_EQ(state.selectedLayerID, layers[2].id);
    EXPECT_EQ(state.extraSelectedLayerIDs, QSet<QUuid>({layers[0].id, layers[3].id}));
    EXPECT_FALSE(selectLayer(*document, layers[2].id));
    EXPECT_EQ(recording.stateChanges(), 1);

    ASSERT_TRUE(selectLayer(*document, layers[1].id));
    EXPECT_TRUE(state.extraSelectedLayerIDs.isEmpty());
    EXPECT_FALSE(selectLayer(*document, QUuid::createUuid()));
    EXPECT_EQ(state.selectedLayerID, layers[1].id);

    ASSERT_TRUE(selectLayers(*document, layers[1].id, {layers[3].id, QUuid::createUuid()}));
    EXPECT_EQ(state.selectedLayerID, layers[1].id);
    EXPECT_EQ(state.extraSelectedLayerIDs, QSet<QUuid>({layers[0].id, layers[2].id, layers[3].id}));
    EXPECT_EQ(recording.stateChanges(), 3);
    EXPECT_TRUE(recording.recordedNames().isEmpty());
}

}  // namespace
}  // namespace velmaris
