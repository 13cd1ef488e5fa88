#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmaris {

// Writes the bytes to a temporary file beside `path` and renames it over `path`, so a failed or
// interrupted write leaves any previous file intact. An existing file keeps its ordinary
// permissions (never a set-user-ID, set-group-ID or sticky bit); a write-protected one is refused.
// A symbolic link is written through, also when dangling (the file it names is created), and keeps
// pointing where it did. The stale temporaries of writers killed beside `path` are removed. A pipe
// or character device (a FIFO, /dev/null, /dev/stdout) is written in place instead, since
// renaming over it would replace it with a regular file; other files that are not regular are
// refused. `path` is a native name (see files/NativePath.h).
// Returns the system's reason on failure ("No space left on device", "Permission denied").
std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace velmaris
