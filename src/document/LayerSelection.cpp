#include "document/LayerSelection.h"

#include "document/ImageDocument.h"
#include "document/LayerTargets.h"

namespace velmaris {

namespace {

// The chosen layers that exist, and every member of a group one of them belongs to.
QSet<QUuid> widenedToGroups(const CanvasState& state, const QSet<QUuid>& chosen)
{
    QSet<QUuid> groups;
    for (const Layer& layer : state.layers) {
        if (layer.groupID && chosen.contains(layer.id))
            groups.insert(*layer.groupID);
    }
    QSet<QUuid> widened;
    for (const Layer& layer : state.layers) {
        if (chosen.contains(layer.id) || (layer.groupID && groups.contains(*layer.groupID)))
            widened.insert(layer.id);
    }
    return widened;
}

bool applySelection(ImageDocument& document, const QUuid& primary, QSet<QUuid> extras)
{
    extras.remove(primary);
    const CanvasState& state = document.state();
    if (state.selectedLayerID == primary && state.extraSelectedLayerIDs == extras)
        return false;
    CanvasState changed = state;
    changed.selectedLayerID = primary;
    changed.extraSelectedLayerIDs = std::move(extras);
    document.setLiveState(std::move(changed));
    return true;
}

}  // namespace

bool selectLayer(ImageDocument& document, const QUuid& id)
{
    return selectLayers(document, id, {});
}

bool selectLayers(ImageDocument& document, const QUuid& primary, const QSet<QUuid>& ids)
{
    if (!layerIndex(document.state(), primary))
        return false;
    QSet<QUuid> chosen = ids;
    chosen.insert(primary);
    return applySelection(document, primary, widenedToGroups(document.state(), chosen));
}

}  // namespace velmaris
