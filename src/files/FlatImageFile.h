#pragma once

#include "model/CanvasState.h"
#include "files/ImageType.h"
#include "model/FileError.h"

#include <QByteArray>

namespace velmaris {

// A flat image file opened as a canvas: its pixel size, one selected "Background" layer and the
// metadata the file carries.
FileResult<CanvasState> readFlatImage(const QByteArray& data, ImageType type);

struct FlatExportOptions {
    double scale = 1;                // the composite is resampled by this factor
    std::optional<double> quality;   // 0–1, for lossy types
    bool removeLocation = false;     // the kept metadata is written without where the photo was taken
};

// The canvas flattened and written as a flat type (SVG through the wrapper), optionally scaled, with
// the canvas's metadata where the type holds it.
FileResult<QByteArray> writeFlatImage(const CanvasState& state, ImageType type,
                                      const FlatExportOptions& options = {});

}  // namespace velmaris
