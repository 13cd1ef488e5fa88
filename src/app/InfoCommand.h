#pragma once

#include "model/CanvasState.h"

#include <QByteArray>
#include <QJsonObject>

namespace velmaris {

// The canvas size and layer list of a document as JSON, for scripts.
QJsonObject canvasInfo(const CanvasState& state);

}  // namespace velmaris
