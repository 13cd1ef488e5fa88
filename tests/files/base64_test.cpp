#include "files/Base64.h"

#include <QList>

#include <gtest/gtest.h>

#include <random>

namespace velmaris {
namespace {

std::optional<QByteArray> qtDecoded(const QByteArray& text)
{
    auto result = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    return result ? std::optional<QByteArray>(*result) : std::nullopt;
}

TEST(Base64, AcceptsAndRefusesExactlyWhatQtDoes)
{
    std::mt19937 random(5);
    QVector<QByteArray> texts{"", "=", "==", "A", "AA", "AA=", "AA==", "AAA=", "AAAA=", "A===", "QQ==QQ==", "AB\nCD",
                              "ab+/", "ab-_", "AAAA AAA"};
    for (int size = 0; size < 80; ++size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random());
        const QByteArray padded = bytes.toBase64();
        texts << padded << bytes.toBase64(QByteArray::OmitTrailingEquals);
        // One wrong or padding character anywhere, which the SIMD and table paths must both see.
        for (const char wrong : {'=', '*', '\0', char(0xC3), ' '}) {
            QByteArray spoilt = padded;
            if (!spoilt.isEmpty())
                spoilt[qsizetype(random() % spoilt.size())] = wrong;
            texts << spoilt;
        }
    }
    for (const QByteArray& text : texts)
        EXPECT_EQ(decodeBase64(text), qtDecoded(text)) << text.toStdString();
}

TEST(Base64, PrefixReadsOnlyItsOwnCharacters)
{
    const QByteArray bytes = QByteArray("0123456789abcdefghijklmnopqrstuvwxyz").repeated(3);
    const QByteArray text = bytes.toBase64();
    for (const qsizetype count : {0, 1, 2, 3, 24, 100, 200})
        EXPECT_EQ(decodeBase64Prefix(text, count), bytes.left(count)) << count;
    // What follows the prefix is not read, but a bad character or padding within it is refused.
    EXPECT_EQ(decodeBase64Prefix(text.left(32) + "@@@@@", 24), bytes.left(24));
    EXPECT_EQ(decodeBase64Prefix(text.left(20) + "=" + text.mid(21), 24), std::nullopt);
    EXPECT_EQ(decodeBase64Prefix("QUJD", 24), QByteArray("ABC"));
    EXPECT_EQ(decodeBase64Prefix("QUI=", 24), QByteArray("AB"));
    EXPECT_EQ(decodeBase64Prefix("@@", 24), std::nullopt);
}

}  // namespace
}  // namespace velmaris
