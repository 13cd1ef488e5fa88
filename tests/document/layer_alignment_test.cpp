#include "document/LayerAlignment.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using namespace test;

TEST(LayerAlignment, RawValuesAndDisplayNames)
{
    const std::vector<std::tuple<LayerAlignment, QString, QString>> table{
        {LayerAlignment::left, "left", "Left"},
        {LayerAlignment::centerHorizontal, "centerHorizontal", "Horizontal Center"},
        {LayerAlignment::right, "right", "Right"},
        {LayerAlignment::top, "top", "Top"},
        {LayerAlignment::centerVertical, "centerVertical", "Vertical Center"},
        {LayerAlignment::bottom, "bottom", "Bottom"},
    };
    for (const auto& [alignment, raw, name] : table) {
        EXPECT_EQ(rawValue(alignment), raw);
        EXPECT_EQ(displayName(alignment), name);
        EXPECT_EQ(layerAlignmentFromRawValue(raw), alignment);
    }
    EXPECT_FALSE(layerAlignmentFromRawValue("Left"));
}

TEST(LayerAlignment, ASingleLayerAlignsToTheSelectionOrTheCanvas)
{
    auto document = documentWith({solidLayer("Layer", 100, 50, {3, 7})}, {1024, 768});
    DocumentSpy recording(*document);
    ASSERT_TRUE(alignLayers(*document, LayerAlignment::centerHorizontal));
    EXPECT_TRUE(recording.recordedOnly("Align Layer Horizontal Center"));
    EXPECT_EQ(document->state().layers[0].origin, QPointF(462, 7));
    EXPECT_FALSE(alignLayers(*document, LayerAlignment::centerHorizontal));

    document->setSelectionRect(QRectF(10, 20, 201, 100));
    const std::vector<std::pair<LayerAlignment, QPointF>> expected{
        {LayerAlignment::left, {10, 7}},         {LayerAlignment::right, {111, 7}},
        {LayerAlignment::centerHorizontal, {61, 7}},  // 60.5
        {LayerAlignment::top, {61, 20}},         {LayerAlignment::bottom, {61, 70}},
        {LayerAlignment::centerVertical, {61, 45}},
    };
    for (const auto& [alignment, origin] : expected) {
        ASSERT_TRUE(alignLayers(*document, alignment)) << rawValue(alignment).toStdString();
        EXPECT_EQ(document->state().layers[0].origin, origin) << rawValue(alignment).toStdString();
    }
}

TEST(LayerAlignment, ASelectionDraggedUpOrLeftAlignsByItsEdges)
{
    // The same rectangle as (10, 20, 201 × 100), stored from its other corners.
    for (const QRectF& rect : {QRectF(211, 120, -201, -100), QRectF(211, 20, -201, 100), QRectF(10, 120, 201, -100)}) {
        auto document = documentWith({solidLayer("Layer", 100, 50, {3, 7})}, {1024, 768});
        document->setSelectionRect(rect);
        ASSERT_TRUE(alignLayers(*document, LayerAlignment::left));
        ASSERT_TRUE(alignLayers(*document, LayerAlignment::bottom));
        EXPECT_EQ(document->state().layers[0].origin, QPointF(10, 70));
        ASSERT_TRUE(alignLayers(*document, LayerAlignment::right));
        ASSERT_TRUE(alignLayers(*document, LayerAlignment::top));
        EXPECT_EQ(document->state().layers[0].origin, QPointF(111, 20));
        ASSERT_TRUE(alignLayers(*document, LayerAlignment::centerHorizontal));
        ASSERT_TRUE(alignLayers(*document, LayerAlignment::centerVertical));
        EXPECT_EQ(document->state().layers[0].origin, QPointF(61, 45));
    }
}

TEST(LayerAlignment, ExtraSelectedLayersAlignToThePrimaryBox)
{
    auto document = documentWith({solidLayer("Primary", 200, 100, {100, 100}), solidLayer("Small", 50, 50, {0, 0}),
                                  solidLayer("Aligned", 20, 40, {9, 130}), solidLayer("Unselected", 50, 50, {0, 0})});
    selectIndices(*document, 0, {1, 2});
    document->setSelectionRect(QRectF(0, 0, 10, 10));  // ignored with several layers
    DocumentSpy recording(*document);
    ASSERT_TRUE(alignLayers(*document, LayerAlignment::centerVertical));
    EXPECT_TRUE(recording.recordedOnly("Align Layers Vertical Center"));
    const CanvasState& state = document->state();
    EXPECT_EQ(state.layers[0].origin, QPointF(100, 100));
    EXPECT_EQ(state.layers[1].origin, QPointF(0, 125));
    EXPECT_EQ(state.layers[2].origin, QPointF(9, 130));
    EXPECT_EQ(state.layers[3].origin, QPointF(0, 0));
    EXPECT_FALSE(alignLayers(*document, LayerAlignment::centerVertical));
}

}  // namespace
}  // namespace velmaris
