#pragma once

namespace velmaris {

class ImageDocument;

// Operations that combine layers. Locks do not protect against them. Each returns whether it
// recorded a history entry.

// Puts the target layers into one new group, gathered as one block where the topmost of them was.
bool groupLayers(ImageDocument& document);
// Dissolves every group a target layer belongs to, members outside the selection included.
bool ungroupLayers(ImageDocument& document);
// Replaces the target layers by one layer drawn as the composite draws them, named after the
// primary layer, where the topmost of them was.
bool mergeLayers(ImageDocument& document);
// Replaces all layers by one canvas-sized "Background" layer; a single bitmap layer is already flat.
bool flattenImage(ImageDocument& document);

}  // namespace velmaris
