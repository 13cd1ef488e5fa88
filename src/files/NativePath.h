#pragma once

#include <QByteArray>
#include <QString>

namespace velmaris {

// File names are byte strings on Linux and need not be valid UTF-8. Qt's own conversion turns
// every stray byte into U+FFFD, so such a file could never be opened again. These keep each byte
// that is not part of valid UTF-8 as the lone surrogate U+DC80 + byte, which maps back exactly;
// valid names convert as QFile::decodeName and QFile::encodeName do.
QString decodeNativePath(const QByteArray& bytes);
QByteArray encodeNativePath(const QString& path);

}  // namespace velmaris
