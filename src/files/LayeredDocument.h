#pragma once

#include "files/DocumentType.h"
#include "files/NativeDocumentFile.h"
#include "model/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmaris {

// Reads a layered document in this process, without the helper's limits: what the helper runs.
FileResult<NativeDocument> readLayeredDocument(const QByteArray& data, LayeredFormat format);
// Writes the document's layers in the format, at full size.
FileResult<QByteArray> writeLayeredDocument(const NativeDocument& document, LayeredFormat format);

}  // namespace velmaris
