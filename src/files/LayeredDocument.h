#pragma once

#include "files/NativeDocumentFile.h"
#include "model/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmaris {

// The layered exchange formats, read in the decode helper like any untrusted data; the number is
// how a request names the format.
enum class LayeredFormat : quint32 { openRaster };
inline constexpr quint32 kLayeredFormatCount = 1;

std::optional<LayeredFormat> layeredFormatForTypeName(const QString& typeName);

// Reads a layered document in this process, without the helper's limits: what the helper runs.
FileResult<NativeDocument> readLayeredDocument(const QByteArray& data, LayeredFormat format);

}  // namespace velmaris
