// Every layer operation whose precondition fails leaves the document exactly as it was: no state
// change, no history entry, no announcement.
#include "document/LayerAlignment.h"
#include "document/LayerGroupOperations.h"
#include "document/TestDocuments.h"
#include "document/LayerSelection.h"
#include "document/LayerStackOperations.h"
#include "document/LayerStyleOperations.h"

#include <gtest/gtest.h>

#include <functional>

namespace velmaris {
namespace {

using namespace test;

struct Refusal {
    const char* what;
    std::function<void(ImageDocument&)> arrange;
    std::function<bool(ImageDocument&)> operation;
};

const QUuid kMissing = QUuid::createUuid();

void lockAll(ImageDocument& document)
{
    document.changeLiveState([](CanvasState& state) {
        for (Layer& layer : state.layers)
            layer.isLocked = true;
    });
}

void selectNothing(ImageDocument& document)
{
    document.changeLiveState([&](CanvasState& state) { state.selectedLayerID.reset(); });
    document.changeLiveState([&](CanvasState& state) { state.extraSelectedLayerIDs.clear(); });
}

void selectAll(ImageDocument& document)
{
    selectIndices(document, 0, {1, 2});
}

void groupBottomTwo(ImageDocument& document)
{
    const QUuid group = QUuid::createUuid();
    document.changeLiveState([&](CanvasState& state) { state.layers[0].groupID = group; });
    document.changeLiveState([&](CanvasState& state) { state.layers[1].groupID = group; });
}

void keepOnlyStyledBitmap(ImageDocument& document)
{
    Layer layer = solidLayer("Styled");
    layer.opacity = 0.5;
    layer.blendMode = LayerBlendMode::screen;
    layer.effects.glow = GlowEffect{};
    document.changeLiveState([&](CanvasState& state) { state.layers = {layer}; });
    selectIndices(document, 0);
}

QUuid idAt(const ImageDocument& document, int index)
{
    return document.state().layers[index].id;
}

const std::vector<Refusal>& refusals()
{
    static const std::vector<Refusal> table{
        {"import of a null image", {}, [](auto& d) { return importImageLayer(d, Bitmap(), "None", {0, 0}); }},
        {"paste of a null image", {}, [](auto& d) { return pasteImageLayer(d, Bitmap()); }},
        {"delete of every layer", selectAll, [](auto& d) { return deleteLayer(d); }},
        {"delete of locked layers", lockAll, [](auto& d) { return deleteLayer(d); }},
        {"delete without selection", selectNothing, [](auto& d) { return deleteLayer(d); }},
        {"duplicate without selection", selectNothing, [](auto& d) { return duplicateLayer(d); }},
        {"flip of locked layers", lockAll, [](auto& d) { return flipLayers(d, true); }},
        {"toggle lock without primary", selectNothing, [](auto& d) { return toggleLayerLock(d); }},
        {"lock of a locked layer", lockAll, [](auto& d) { return setLayerLocked(d, idAt(d, 1), true); }},
        {"unlock of an unlocked layer", {}, [](auto& d) { return setLayerLocked(d, idAt(d, 1), false); }},
        {"lock of a missing layer", {}, [](auto& d) { return setLayerLocked(d, kMissing, true); }},
        {"visibility of a missing layer", {}, [](auto& d) { return setLayerVisible(d, kMissing, false); }},
        {"rename to blanks", {}, [](auto& d) { return renameLayer(d, idAt(d, 0), " \n\t "); }},
        {"rename of a missing layer", {}, [](auto& d) { return renameLayer(d, kMissing, "Name"); }},
        {"move to the same index", {}, [](auto& d) { return moveLayer(d, 1, 1); }},
        {"move from past the top", {}, [](auto& d) { return moveLayer(d, 3, 0); }},
        {"move past the gap above the top", {}, [](auto& d) { return moveLayer(d, 0, 4); }},
        {"blend mode already set", {}, [](auto& d) { return setBlendMode(d, LayerBlendMode::normal); }},
        {"blend mode of locked layers", lockAll, [](auto& d) { return setBlendMode(d, LayerBlendMode::screen); }},
        {"opacity without primary", selectNothing, [](auto& d) { return setSelectedLayerOpacity(d, 50, true); }},
        {"effects already set", {}, [](auto& d) { return setLayerEffects(d, LayerEffects{}); }},
        {"effects of a locked layer", lockAll,
         [](auto& d) { return setLayerEffects(d, LayerEffects{std::nullopt, StrokeEffect{}, std::nullopt}); }},
        {"group of one layer", {}, [](auto& d) { return groupLayers(d); }},
        {"ungroup without grouped targets", groupBottomTwo, [](auto& d) { return ungroupLayers(d); }},
        {"merge of one layer", {}, [](auto& d) { return mergeLayers(d); }},
        {"merge without primary", selectNothing, [](auto& d) { return mergeLayers(d); }},
        {"flatten of one styled bitmap", keepOnlyStyledBitmap, [](auto& d) { return flattenImage(d); }},
        {"flatten of an empty canvas", [](auto& d) { d.changeLiveState([](CanvasState& state) { state.layers.clear(); }); },
         [](auto& d) { return flattenImage(d); }},
        {"align without primary", selectNothing, [](auto& d) { return alignLayers(d, LayerAlignment::left); }},
        {"align of an aligned layer", {}, [](auto& d) { return alignLayers(d, LayerAlignment::right); }},
        {"align of aligned extras", [](auto& d) { selectIndices(d, 2, {1}); },
         [](auto& d) { return alignLayers(d, LayerAlignment::right); }},
        {"select of a missing layer", {}, [](auto& d) { return selectLayer(d, kMissing); }},
        {"select of the selected layer", {}, [](auto& d) { return selectLayer(d, idAt(d, 2)); }},
        {"multi-select of the selection", selectAll,
         [](auto& d) { return selectLayers(d, idAt(d, 0), {idAt(d, 1), idAt(d, 2)}); }},
    };
    return table;
}

TEST(LayerOperationRefusals, FailedPreconditionsChangeRecordAndAnnounceNothing)
{
    for (const Refusal& refusal : refusals()) {
        SCOPED_TRACE(refusal.what);
        // Three right-aligned layers on a 100-wide canvas, the top one selected.
        auto document = documentWith({solidLayer("A", 10, 10, {90, 0}), solidLayer("B", 10, 10, {90, 20}),
                                      solidLayer("C", 10, 10, {90, 40})});
        if (refusal.arrange)
            refusal.arrange(*document);
        const CanvasState before = document->state();
        DocumentSpy recording(*document);
        EXPECT_FALSE(refusal.operation(*document));
        EXPECT_TRUE(recording.silent());
        EXPECT_TRUE(document->state() == before);
    }
}

}  // namespace
}  // namespace velmaris
