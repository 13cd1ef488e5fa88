#include "files/JsonWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace velmaris {

namespace {

// Bytes each input byte takes once escaped: 1 when copied, 2 for a short escape, 6 for \u00XX.
constexpr std::array<std::uint8_t, 256> makeEscapedLengths()
{
    std::array<std::uint8_t, 256> lengths{};
    for (int c = 0; c < 256; ++c)
        lengths[c] = c < 0x20 ? 6 : 1;
    for (unsigned char c : {'\b', '\f', '\n', '\r', '\t', '"', '\\', '/'})
        lengths[c] = 2;
    return lengths;
}
constexpr std::array<std::uint8_t, 256> kEscapedLengths = makeEscapedLengths();

char shortEscape(unsigned char c)
{
    switch (c) {
    case '\b': return 'b';
    case '\f': return 'f';
    case '\n': return 'n';
    case '\r': return 'r';
    case '\t': return 't';
    default: return char(c);  // '"', '\\' and '/' stand for themselves after the backslash
    }
}

// Room for the members' own bytes, so large documents are not copied while they grow.
qsizetype estimatedSize(const JsonValue& value)
{
    if (const auto* string = std::get_if<QByteArray>(&value.data))
        return string->size() + string->size() / 32 + 2;
    qsizetype size = 32;
    if (const auto* array = std::get_if<JsonValue::Array>(&value.data))
        for (const JsonValue& element : *array)
            size += estimatedSize(element);
    if (const auto* object = std::get_if<JsonValue::Object>(&value.data))
        for (const auto& [key, member] : *object)
            size += key.size() + estimatedSize(member);
    return size;
}

class Writer {
public:
    explicit Writer(qsizetype capacity) { out_.reserve(capacity); }

    bool write(const JsonValue& value)
    {
        return std::visit([this](const auto& v) { return writeValue(v); }, value.data);
    }
    QByteArray take() { return std::move(out_); }

private:
    bool writeValue(bool value)
    {
        out_.append(value ? "true" : "false");
        return true;
    }

    bool writeValue(qint64 value)
    {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        out_.append(buffer, result.ptr - buffer);
        return true;
    }

    bool writeValue(double value)
    {
        if (!std::isfinite(value))
            return false;
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        out_.append(buffer, result.ptr - buffer);
        return true;
    }

    bool writeValue(const QByteArray& string)
    {
        writeString(string);
        return true;
    }

    bool writeValue(const JsonValue::Array& array)
    {
        out_.append('[');
        for (std::size_t i = 0; i < array.size(); ++i) {
            if (i > 0)
                out_.append(',');
            if (!write(array[i]))
                return false;
        }
        out_.append(']');
        return true;
    }

    bool writeValue(const JsonValue::Object& object)
    {
        std::vector<const JsonValue::Member*> members;
        members.reserve(object.size());
        for (const auto& member : object)
            members.push_back(&member);
        std::sort(members.begin(), members.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
        out_.append('{');
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (i > 0)
                out_.append(',');
            writeString(members[i]->first);
            out_.append(':');
            if (!write(members[i]->second))
                return false;
        }
        out_.append('}');
        return true;
    }

    // Sizes the escaped text first and then fills it in place: one allocation, no per-byte append.
    void writeString(const QByteArray& string)
    {
        const auto* begin = reinterpret_cast<const unsigned char*>(string.constData());
        const auto* end = begin + string.size();
        qsizetype length = 0;
        for (const auto* p = begin; p != end; ++p)
            length += kEscapedLengths[*p];
        const qsizetype start = out_.size();
        out_.resize(start + length + 2);
        char* out = out_.data() + start;
        *out++ = '"';
        for (const auto* p = begin; p != end; ++p) {
            const unsigned char c = *p;
            switch (kEscapedLengths[c]) {
            case 1:
                *out++ = char(c);
                break;
            case 2:
                *out++ = '\\';
                *out++ = shortEscape(c);
                break;
            default:
                static constexpr char kHex[] = "0123456789abcdef";
                out = std::copy_n("\\u00", 4, out);
                *out++ = kHex[c >> 4];
                *out++ = kHex[c & 15];
            }
        }
        *out = '"';
    }

    QByteArray out_;
};

}  // namespace

std::optional<QByteArray> writeJson(const JsonValue& value)
{
    Writer writer(estimatedSize(value));
    if (!writer.write(value))
        return std::nullopt;
    return writer.take();
}

}  // namespace velmaris
