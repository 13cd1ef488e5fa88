#include "document/LayerTargets.h"

namespace velmaris {

QVector<int> targetLayerIndices(const CanvasState& state)
{
    const QSet<QUuid> targets = state.targetLayerIDs();
    QVector<int> indices;
    for (int i = 0; i < state.layers.size(); ++i) {
        if (targets.contains(state.layers[i].id))
            indices.append(i);
    }
    return indices;
}

std::optional<int> layerIndex(const CanvasState& state, const QUuid& id)
{
    for (int i = 0; i < state.layers.size(); ++i) {
        if (state.layers[i].id == id)
            return i;
    }
    return std::nullopt;
}

QVector<Layer> takeLayers(CanvasState& state, const QVector<int>& indices)
{
    QVector<Layer> taken;
    taken.reserve(indices.size());
    for (int index : indices)
        taken.append(state.layers[index]);
    // From the top down, so the lower indices stay valid.
    for (auto it = indices.crbegin(); it != indices.crend(); ++it)
        state.layers.removeAt(*it);
    return taken;
}

int blockPosition(const QVector<int>& indices)
{
    return indices.last() - int(indices.size() - 1);
}

}  // namespace velmaris
