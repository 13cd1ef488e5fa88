#pragma once

#include "document/ImageDocument.h"
#include "model/StoredColor.h"

#include <functional>

namespace velmaris {

class Pasteboard;

// Painting the selection into the primary layer with a colour (the application's current colour).
// Both need a selection inside the canvas and an unlocked primary layer; a text layer becomes a
// bitmap first. They return false, changing nothing, when that is missing or the pixels cannot be
// made; otherwise they record one history entry. The selection is kept.

// The selection's shape, or with inversion everything else: the layer grows to the whole canvas.
bool fillSelection(ImageDocument& document, const StoredColor& color);
// The border of the selection's shape, `width` (1 … 1000) wide, inside the selection's rectangle.
bool strokeSelection(ImageDocument& document, const StoredColor& color, double width);

// Cut: the selected pixels of the primary layer go on the pasteboard as Copy writes them
// (`written` runs once it holds them) and become transparent in the layer, one history entry
// "Cut". Only an unlocked bitmap layer with a selection inside the canvas can be cut.
bool canCutSelection(const ImageDocument& document);
bool cutSelection(ImageDocument& document, const Pasteboard& pasteboard, std::function<void()> written = {});

}  // namespace velmaris
