#pragma once

#include "model/CanvasState.h"
#include "model/FileError.h"

#include <QString>

namespace velmaris {

// Reads a native document or a flat image from disk as a canvas. The type comes from the
// extension: the native one, svg for the vector reader, anything else lets the decoder
// recognise the bytes.
FileResult<CanvasState> openImageFile(const QString& path);

}  // namespace velmaris
