#pragma once

#include <QByteArray>
#include <QString>

#include <concepts>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace velmaris {

// A JSON value built in memory and then written in one pass. Strings are UTF-8 bytes; a large
// string (a Base64 payload) is shared, not copied, thanks to QByteArray's implicit sharing.
struct JsonValue {
    using Array = std::vector<JsonValue>;
    using Member = std::pair<QByteArray, JsonValue>;
    using Object = std::vector<Member>;  // the writer sorts the keys; a key appears at most once
    using Data = std::variant<bool, qint64, double, QByteArray, Array, Object>;

    // Only the exact alternative types convert, so an int or a const char* never turns into a bool.
    template <typename T>
        requires(std::same_as<std::remove_cvref_t<T>, bool> || std::same_as<std::remove_cvref_t<T>, qint64>
                 || std::same_as<std::remove_cvref_t<T>, double> || std::same_as<std::remove_cvref_t<T>, QByteArray>
                 || std::same_as<std::remove_cvref_t<T>, Array> || std::same_as<std::remove_cvref_t<T>, Object>)
    JsonValue(T&& value) : data(std::forward<T>(value))
    {
    }
    JsonValue(const QString& string) : data(string.toUtf8()) {}

    Data data;
};

// Compact JSON (no whitespace) with the keys of every object in ascending byte order. Non-ASCII
// text is written as UTF-8, "/" as "\/", quote, backslash and control characters escaped. Doubles
// get their shortest round-trip form. nullopt when a number is not finite.
std::optional<QByteArray> writeJson(const JsonValue& value);

}  // namespace velmaris
