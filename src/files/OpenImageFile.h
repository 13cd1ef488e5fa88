#pragma once

#include "files/NativeDocumentFile.h"
#include "model/CanvasState.h"
#include "model/FileError.h"

#include <QString>

namespace velmaris {

// Reads a native document or a flat image from disk (a flat image as one "Background" layer
// with no selection). The type comes from the extension: the native one, svg for the vector
// reader, anything else lets the decoder recognise the bytes.
FileResult<NativeDocument> openDocumentFile(const QString& path);

// The canvas of openDocumentFile.
FileResult<CanvasState> openImageFile(const QString& path);

}  // namespace velmaris
