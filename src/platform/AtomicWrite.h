#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmaris {

// Writes the bytes to a temporary file beside `path` and renames it over `path`, so a failed or
// interrupted write leaves any previous file intact. Returns the system's reason on failure.
std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace velmaris
