#pragma once

#include "model/FileError.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>
#include <variant>

namespace velmaris {

// No image file is this large; reading stops here so that an input that never ends (a character
// device, a pipe that keeps growing) cannot take all the memory.
inline constexpr qint64 kMaxInputFileBytes = qint64(2) << 30;

// Opens a file for reading by its native name (see NativePath.h), or the system's reason.
std::variant<std::unique_ptr<QFile>, QString> openInputFile(const QString& path);

// The whole file: "could not be opened" with the system's reason, or the ordinary read error when
// reading fails or the file holds more than `limit` bytes.
FileResult<QByteArray> readInputFile(const QString& path, qint64 limit = kMaxInputFileBytes);
// The same for a regular file only: anything else (a pipe, a device) is "could not be opened"
// without waiting for it, for reads no one asked for, such as thumbnails.
FileResult<QByteArray> readRegularInputFile(const QString& path);

class MappedFile;

// A file's bytes as readInputFile() gives them, mapped instead of read when it is a regular file
// (see MappedFile.h, also for what `mapping` reports when the file changes meanwhile).
struct InputBytes {
    QByteArray bytes;                           // a view of the mapping, or the bytes read
    std::size_t readablePastEnd = 0;            // zero bytes readable after them
    std::shared_ptr<const MappedFile> mapping;  // keeps the view alive; null when read
};
FileResult<InputBytes> mapInputFile(const QString& path, qint64 limit = kMaxInputFileBytes);

}  // namespace velmaris
