#pragma once

#include <QSet>
#include <QUuid>

namespace velmaris {

class ImageDocument;

// Layer selection is not an edit: it records no history and announces a state change only when
// the selection actually changes. Groups are selected as a whole. Each returns whether it changed.

// The layer becomes the primary selection, the rest of its group the extra selection.
bool selectLayer(ImageDocument& document, const QUuid& id);
// `primary` plus `ids`, widened to whole groups; everything but `primary` is the extra selection.
bool selectLayers(ImageDocument& document, const QUuid& primary, const QSet<QUuid>& ids);

}  // namespace velmaris
