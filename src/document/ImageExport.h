#pragma once

#include "files/ExportImage.h"
#include "model/CanvasState.h"
#include "model/FileError.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace velmaris {

// Why an export wrote nothing: the picture could not be made (the window beeps) or the file
// could not be written (the window shows the error).
struct ExportFailure {
    enum class Stage { picture, writing };
    Stage stage;
    FileError error;
};

using ExportCompletion = std::function<void(const std::optional<ExportFailure>& failure)>;

// Composes, scales, encodes and writes atomically to `path`, all on a worker thread from `state`
// as it is now, so a large canvas never stalls the caller. `completion` runs on `context`'s thread
// and not at all once `context` is gone; a failed write leaves nothing at `path`.
void exportInBackground(const CanvasState& state, const ExportRequest& request, const QString& path,
                        QObject* context, ExportCompletion completion);

// The same, synchronously (the worker's body).
std::optional<ExportFailure> exportToFile(const CanvasState& state, const ExportRequest& request,
                                          const QString& path);

}  // namespace velmaris
