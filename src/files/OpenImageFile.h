#pragma once

#include "files/NativeDocumentFile.h"
#include "model/CanvasState.h"
#include "model/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmaris {

// Reads a document of the given type name: the native reader for the native type, a layered
// type's reader in the decode helper, the flat reader (one "Background" layer, no selection) for
// any other; an unknown name lets the decoder recognise the bytes.
FileResult<NativeDocument> readDocumentData(const QByteArray& data, const QString& typeName);
// The same from disk. Without a type name it comes from the extension.
FileResult<NativeDocument> readDocumentFile(const QString& path, const std::optional<QString>& typeName = {});

// Reads a native document or a flat image from disk as a canvas. The type comes from the
// extension: the native one, svg for the vector reader, anything else lets the decoder
// recognise the bytes.
FileResult<CanvasState> openImageFile(const QString& path);

}  // namespace velmaris
