#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmaris {

// Writes the bytes to a temporary file beside `path` and renames it over `path`, so a failed or
// interrupted write leaves any previous file intact; an existing file keeps its permissions and a
// symbolic link keeps pointing at it. A pipe or character device (a FIFO, /dev/null, /dev/stdout)
// is written in place instead, since renaming over it would replace it with a regular file; other
// files that are not regular are refused. `path` is a native name (see files/NativePath.h).
// Returns the system's reason on failure ("No space left on device").
std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace velmaris
