#pragma once

#include "model/CanvasState.h"

#include <QVector>

#include <utility>

class QWidget;

namespace velmaris {

class CanvasView;

// The options row of each tool that has one, shown in the status line while that tool is chosen.
// The widgets set their tool's options on `canvas`'s tool objects.
QVector<std::pair<EditorTool, QWidget*>> makeToolOptions(CanvasView& canvas);

}  // namespace velmaris
