#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace velmaris {

// A file failure the user sees: a code (259 read, 512 write, 518 unsupported type), the message
// shown as it is, and the reason when one is known (which field of a document is wrong, which limit
// a decoder ran into). Dialogs show the reason beneath the message; one line of text puts it after
// a colon.
struct FileError {
    FileError() = default;
    FileError(int code, QString message, QString detail = {})
        : code(code), message(std::move(message)), detail(std::move(detail))
    {
    }

    int code = 0;
    QString message;  // may be empty (an unknown type has no description)
    QString detail;

    // The reason explains a failure; it does not make it a different one.
    friend bool operator==(const FileError& a, const FileError& b) { return a.code == b.code && a.message == b.message; }

    FileError because(const QString& reason) const
    {
        FileError error = *this;
        error.detail = reason;
        return error;
    }

    // "The image could not be read: layers[0].isVisible: not a boolean", or the message alone.
    QString withReason() const
    {
        if (detail.isEmpty())
            return message;
        QString line = message;
        if (line.endsWith(QLatin1Char('.')))
            line.chop(1);
        return line + QStringLiteral(": ") + detail;
    }

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
