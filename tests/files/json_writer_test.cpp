#include "files/JsonWriter.h"

#include <gtest/gtest.h>

#include <limits>

namespace velmaris {
namespace {

QByteArray written(const JsonValue& value)
{
    const auto json = writeJson(value);
    EXPECT_TRUE(json.has_value());
    return json.value_or(QByteArray());
}

TEST(JsonWriter, SortsKeysByBytesAtEveryLevel)
{
    const JsonValue value = JsonValue::Object{
        {"b", JsonValue::Array{JsonValue::Object{{"z", true}, {"y", false}}}},
        {"a", qint64(1)},
        {"B", qint64(-2)},
        {QByteArray("\xc3\xa9"), QByteArray("e")},  // "é" sorts after every ASCII key
        {"aa", JsonValue::Object{}},
    };
    EXPECT_EQ(written(value), QByteArray("{\"B\":-2,\"a\":1,\"aa\":{},\"b\":[{\"y\":false,\"z\":true}],\"\xc3\xa9\":\"e\"}"));
}

TEST(JsonWriter, EscapesOnlyWhatJsonNeedsPlusSlash)
{
    const QString text = QStringLiteral("a/b \"q\" \\ \t\n\r\b\f") + QChar(1) + QChar(0x1f) + QStringLiteral(" ü – \U0001F600");
    EXPECT_EQ(written(text), QByteArray("\"a\\/b \\\"q\\\" \\\\ \\t\\n\\r\\b\\f\\u0001\\u001f") + QStringLiteral(" ü – \U0001F600\"").toUtf8());
    EXPECT_EQ(written(QByteArray("ab/+/=")), QByteArray("\"ab\\/+\\/=\""));
    EXPECT_EQ(written(QByteArray()), QByteArray("\"\""));
}

TEST(JsonWriter, NumbersInShortestRoundTripForm)
{
    EXPECT_EQ(written(100.0), "100");
    EXPECT_EQ(written(0.1), "0.1");
    EXPECT_EQ(written(-2.5), "-2.5");
    EXPECT_EQ(written(1e300), "1e+300");
    EXPECT_EQ(written(qint64(-9223372036854775807LL - 1)), "-9223372036854775808");
    const double third = 1.0 / 3.0;
    EXPECT_EQ(written(third).toDouble(), third);
}

TEST(JsonWriter, NonFiniteNumberFailsAnywhere)
{
    EXPECT_FALSE(writeJson(std::numeric_limits<double>::quiet_NaN()));
    const JsonValue nested = JsonValue::Object{
        {"a", JsonValue::Array{1.0, std::numeric_limits<double>::infinity()}}};
    EXPECT_FALSE(writeJson(nested));
}

}  // namespace
}  // namespace velmaris
