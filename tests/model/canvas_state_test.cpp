#include "model/CanvasState.h"

#include "TestImages.h"

#include <gtest/gtest.h>

namespace velmaris {

namespace {

Layer namedLayer(const QString& name)
{
    return test::bitmapLayer(test::solidBitmap(1, 1, {0, 0, 0, 0}), {}, name);
}

}  // namespace

TEST(CanvasState, NextLayerNameSkipsTakenNames)
{
    CanvasState state;
    EXPECT_EQ(state.nextLayerName(), "Layer 1");
    state.layers = {namedLayer("Background"), namedLayer("Layer 2"), namedLayer("Layer 4")};
    EXPECT_EQ(state.nextLayerName(), "Layer 5");
    state.layers = {namedLayer("Background"), namedLayer("Layer 3")};
    EXPECT_EQ(state.nextLayerName(), "Layer 4");
    state.layers = {namedLayer("Layer 3 "), namedLayer("layer 3")};  // only exact matches count
    EXPECT_EQ(state.nextLayerName(), "Layer 3");
}

TEST(CanvasState, SelectionQueriesIgnoreLayersThatAreGone)
{
    CanvasState state;
    state.layers = {namedLayer("A"), namedLayer("B"), namedLayer("C")};
    EXPECT_FALSE(state.selectedLayerIndex());
    state.extraSelectedLayerIDs = {state.layers[0].id};
    EXPECT_TRUE(state.targetLayerIDs().isEmpty());

    state.selectedLayerID = state.layers[1].id;
    state.extraSelectedLayerIDs = {state.layers[2].id, state.layers[0].id, state.layers[1].id};
    EXPECT_EQ(state.selectedLayerIndex(), 1);
    EXPECT_EQ(state.selectedLayer()->name, "B");
    const QVector<Layer> extras = state.extraSelectedLayers();
    ASSERT_EQ(extras.size(), 2);
    EXPECT_EQ(extras[0].name, "A");  // stack order, the primary left out
    EXPECT_EQ(extras[1].name, "C");

    const QUuid deletedExtra = QUuid::createUuid();
    const QUuid deletedPrimary = QUuid::createUuid();
    state.selectedLayerID = deletedPrimary;
    state.extraSelectedLayerIDs = {state.layers[2].id, deletedExtra};
    EXPECT_FALSE(state.selectedLayerIndex());
    EXPECT_FALSE(state.selectedLayer());
    ASSERT_EQ(state.extraSelectedLayers().size(), 1);
    EXPECT_EQ(state.extraSelectedLayers()[0].name, "C");
    EXPECT_EQ(state.targetLayerIDs(), (QSet<QUuid>{deletedPrimary, state.layers[2].id}));
}

TEST(CanvasState, AppendEmptyLayerAddsTransparentSelectedLayerOnTop)
{
    CanvasState state;
    state.size = {3.5, 0.4};
    state.layers = {namedLayer("Background")};
    state.extraSelectedLayerIDs = {state.layers[0].id};
    const CanvasState before = state;
    state.appendEmptyLayer();
    ASSERT_EQ(state.layers.size(), 2);
    const Layer& added = state.layers[1];
    EXPECT_EQ(added.name, "Layer 2");
    EXPECT_EQ(state.selectedLayerID, added.id);
    EXPECT_EQ(state.extraSelectedLayerIDs, before.extraSelectedLayerIDs);
    ASSERT_TRUE(added.bitmap());
    EXPECT_EQ(added.bitmap()->size(), QSize(4, 1));
    EXPECT_EQ(test::pixelAt(*added.bitmap(), 3, 0), (test::Rgba{0, 0, 0, 0}));
    EXPECT_TRUE(added.isVisible && !added.isLocked && !added.groupID && added.opacity == 1);
    EXPECT_NE(state, before);

    CanvasState huge = before;
    huge.size = {40000, 10};
    const CanvasState hugeBefore = huge;
    huge.appendEmptyLayer();
    EXPECT_EQ(huge, hugeBefore);
}

TEST(CanvasState, BackgroundLayersAreFilledByChoiceAndAtLeastOnePixel)
{
    const StoredColor current{1, 0, 0, 0.5};
    const auto transparent = makeBackgroundLayer(CanvasBackground::transparent, 0.4, 2.5, current);
    ASSERT_TRUE(transparent);
    EXPECT_EQ(transparent->name, "Background");
    EXPECT_EQ(transparent->bitmap()->size(), QSize(1, 3));
    EXPECT_EQ(test::pixelAt(*transparent->bitmap(), 0, 2), (test::Rgba{0, 0, 0, 0}));
    const auto white = makeBackgroundLayer(canvasBackgroundFromRawValue(7), 2, 2, current);
    EXPECT_EQ(test::pixelAt(*white->bitmap(), 1, 1), (test::Rgba{255, 255, 255, 255}));
    const auto coloured = makeBackgroundLayer(canvasBackgroundFromRawValue(2), 2, 2, current);
    EXPECT_EQ(test::pixelAt(*coloured->bitmap(), 1, 1), (test::Rgba{128, 0, 0, 128}));
    EXPECT_FALSE(makeBackgroundLayer(CanvasBackground::white, 30001, 1, current));
    EXPECT_EQ(canvasBackgroundFromRawValue(0), CanvasBackground::transparent);
    EXPECT_EQ(canvasBackgroundFromRawValue(-1), CanvasBackground::white);
}

TEST(CanvasState, ShapeAndToolRawValues)
{
    EXPECT_EQ(rawValue(SelectionShape::ellipse), "ellipse");
    EXPECT_EQ(selectionShapeFromRawValue("rectangle"), SelectionShape::rectangle);
    EXPECT_FALSE(selectionShapeFromRawValue("Ellipse"));
    EXPECT_EQ(editorToolFromRawValue(2), EditorTool::text);
    EXPECT_EQ(editorToolFromRawValue(0), EditorTool::move);
    EXPECT_EQ(editorToolFromRawValue(3), EditorTool::colorPicker);
    EXPECT_EQ(editorToolFromRawValue(4), EditorTool::brush);
    EXPECT_EQ(editorToolFromRawValue(5), EditorTool::eraser);
    EXPECT_EQ(editorToolFromRawValue(6), EditorTool::fill);
    EXPECT_EQ(editorToolFromRawValue(7), EditorTool::gradient);
    EXPECT_FALSE(editorToolFromRawValue(8));
    EXPECT_FALSE(editorToolFromRawValue(-1));
}

}  // namespace velmaris
