#pragma once

#include "model/CanvasState.h"

#include <QUuid>
#include <QVector>

#include <optional>

namespace velmaris {

// Stack indices (ascending) of the primary and extra-selected layers.
QVector<int> targetLayerIndices(const CanvasState& state);
std::optional<int> layerIndex(const CanvasState& state, const QUuid& id);

// Takes the layers at `indices` (ascending) out of the stack; returns them bottom first.
QVector<Layer> takeLayers(CanvasState& state, const QVector<int>& indices);
// Where a block replacing the layers at `indices` (ascending, not empty) lands once they are taken
// out: directly above the other layers that were below the topmost of them.
int blockPosition(const QVector<int>& indices);

}  // namespace velmaris
