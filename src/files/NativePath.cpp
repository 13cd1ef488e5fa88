#include "files/NativePath.h"

#include <QFile>

namespace velmaris {

namespace {

constexpr char16_t kEscapeBase = 0xDC80;

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase && unit <= kEscapeBase + 0x7F;
}

// The length of the well-formed UTF-8 sequence at `offset`, or 0 where the byte there is stray.
qsizetype utf8SequenceLength(const QByteArray& bytes, qsizetype offset)
{
    const auto byte = [&](qsizetype i) { return std::uint8_t(bytes[i]); };
    const std::uint8_t lead = byte(offset);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // overlong
        if (lead == 0xED)
            high = 0x9F;  // encoded surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (offset + length > bytes.size() || byte(offset + 1) < low || byte(offset + 1) > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if ((byte(offset + i) & 0xC0) != 0x80)
            return 0;
    return length;
}

}  // namespace

QString decodeNativePath(const QByteArray& bytes)
{
    QString path;
    path.reserve(bytes.size());
    for (qsizetype offset = 0; offset < bytes.size();) {
        const qsizetype length = utf8SequenceLength(bytes, offset);
        if (length == 0) {
            path.append(QChar(char16_t(kEscapeBase + (std::uint8_t(bytes[offset]) & 0x7F))));
            ++offset;
        } else {
            path.append(QString::fromUtf8(bytes.constData() + offset, length));
            offset += length;
        }
    }
    return path;
}

QByteArray encodeNativePath(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) { bytes.append(path.mid(runStart, end - runStart).toUtf8()); };
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        // Only an unpaired low surrogate can be an escape: a paired one belongs to a real character.
        const bool paired = i > 0 && path[i - 1].isHighSurrogate();
        if (isEscapedByte(unit) && !paired) {
            flushRun(i);
            bytes.append(char(0x80 | (unit - kEscapeBase)));
            runStart = i + 1;
        }
    }
    flushRun(path.size());
    return bytes;
}

}  // namespace velmaris
