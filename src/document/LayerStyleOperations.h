#pragma once

#include "model/LayerBlendMode.h"
#include "model/LayerEffects.h"

#include <QString>
#include <QUuid>

namespace velmaris {

class ImageDocument;

// Operations that restyle layers in place. Each returns whether it recorded a history entry.

// Mirrors every unlocked target layer within its own box; text layers become bitmaps first.
bool flipLayers(ImageDocument& document, bool horizontal);
// The opposite of the primary layer's lock, set on every target layer.
bool toggleLayerLock(ImageDocument& document);
bool setLayerLocked(ImageDocument& document, const QUuid& id, bool locked);
bool setLayerVisible(ImageDocument& document, const QUuid& id, bool visible);
// The name trimmed at both ends; an empty result renames nothing.
bool renameLayer(ImageDocument& document, const QUuid& id, const QString& name);
// Sets the mode on every unlocked target layer.
bool setBlendMode(ImageDocument& document, LayerBlendMode mode);
// The slider of the layers panel: a live change while dragging, recorded once `commit` is set.
// A locked primary layer keeps its opacity. Returns whether there is a primary layer.
bool setSelectedLayerOpacity(ImageDocument& document, double percent, bool commit);
// Replaces the primary layer's effects, within the maxima of clampedLayerEffects, unless it is locked.
bool setLayerEffects(ImageDocument& document, const LayerEffects& effects);

}  // namespace velmaris
