#pragma once

#include <QString>

#include <variant>

namespace velmaris {

// A file failure the user sees: a code (259 read, 512 write, 518 unsupported type) and the
// message shown as it is.
struct FileError {
    int code = 0;
    QString message;  // may be empty (an unknown type has no description)

    friend bool operator==(const FileError&, const FileError&) = default;

    static constexpr int kReadCorrupt = 259;
    static constexpr int kWriteUnknown = 512;
    static constexpr int kWriteUnsupportedType = 518;

    static FileError imageUnreadable() { return {kReadCorrupt, QStringLiteral("The image could not be read.")}; }
    static FileError imageNotRendered() { return {kWriteUnknown, QStringLiteral("The image could not be rendered.")}; }
    static FileError imageNotEncoded() { return {kWriteUnknown, QStringLiteral("The image could not be encoded.")}; }
    static FileError svgNotWritten() { return {kWriteUnknown, QStringLiteral("The SVG could not be written.")}; }
    static FileError unsupportedType() { return {kWriteUnsupportedType, QString()}; }
};

// A value or the file error that prevented it.
template <typename T>
using FileResult = std::variant<T, FileError>;

}  // namespace velmaris
