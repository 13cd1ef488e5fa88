#include "document/LayerGroupOperations.h"

#include "document/ImageDocument.h"
#include "document/LayerTargets.h"
#include "render/Compositor.h"

namespace velmaris {

namespace {

void selectOnly(CanvasState& state, const QUuid& id)
{
    state.selectedLayerID = id;
    state.extraSelectedLayerIDs.clear();
}

}  // namespace

bool groupLayers(ImageDocument& document)
{
    const QVector<int> members = targetLayerIndices(document.state());
    if (members.size() < 2)
        return false;
    const QUuid group = QUuid::createUuid();
    CanvasState state = document.state();
    QVector<Layer> block = takeLayers(state, members);
    for (Layer& layer : block)
        layer.groupID = group;
    const int position = blockPosition(members);
    for (qsizetype i = 0; i < block.size(); ++i)
        state.layers.insert(position + i, std::move(block[i]));
    document.commitState(std::move(state), QStringLiteral("Group Layers"));
    return true;
}

bool ungroupLayers(ImageDocument& document)
{
    QSet<QUuid> groups;
    for (int index : targetLayerIndices(document.state())) {
        if (const std::optional<QUuid>& group = document.state().layers[index].groupID)
            groups.insert(*group);
    }
    if (groups.isEmpty())
        return false;
    CanvasState state = document.state();
    for (Layer& layer : state.layers) {
        if (layer.groupID && groups.contains(*layer.groupID))
            layer.groupID.reset();
    }
    document.commitState(std::move(state), QStringLiteral("Ungroup Layers"));
    return true;
}

bool mergeLayers(ImageDocument& document)
{
    const QVector<int> memberIndices = targetLayerIndices(document.state());
    const std::optional<Layer> primary = document.state().selectedLayer();
    if (memberIndices.size() < 2 || !primary)
        return false;
    QVector<Layer> members;
    for (int index : memberIndices)
        members.append(document.state().layers[index]);
    const std::optional<RenderedRegion> merged = renderLayerRegion(members);
    if (!merged)
        return false;

    CanvasState state = document.state();
    takeLayers(state, memberIndices);
    Layer layer = makeBitmapLayer(merged->image, primary->name, merged->rect.topLeft());
    selectOnly(state, layer.id);
    state.layers.insert(blockPosition(memberIndices), std::move(layer));
    document.commitState(std::move(state), QStringLiteral("Merge Layers"));
    return true;
}

bool flattenImage(ImageDocument& document)
{
    const QVector<Layer>& layers = document.state().layers;
    if (layers.isEmpty() || (layers.size() == 1 && !layers[0].isText()))
        return false;
    const std::optional<Bitmap> composite = renderComposite(document.state());
    if (!composite)
        return false;
    CanvasState state = document.state();
    Layer layer = makeBitmapLayer(*composite, QStringLiteral("Background"));
    selectOnly(state, layer.id);
    state.layers = {std::move(layer)};
    document.commitState(std::move(state), QStringLiteral("Flatten Image"));
    return true;
}

}  // namespace velmaris
