#pragma once

#include "model/TextLayerAttributes.h"

namespace velmaris {

class Preferences;

// The style of a new text layer: the stored text defaults, with a size that suits the canvas
// height when no size is stored.
TextLayerAttributes defaultTextAttributes(double canvasHeight, const Preferences& preferences);

}  // namespace velmaris
