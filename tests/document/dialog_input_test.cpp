#include "document/DialogInput.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace velmaris {
namespace {

TEST(DialogInput, FieldParsesOnlyWhenTheWholeTextIsANumber)
{
    EXPECT_EQ(parseDialogNumber("5"), 5.0);
    EXPECT_EQ(parseDialogNumber("-2"), -2.0);
    EXPECT_EQ(parseDialogNumber("+2.5"), 2.5);
    EXPECT_EQ(parseDialogNumber("1e3"), 1000.0);
    EXPECT_EQ(parseDialogNumber(".5"), 0.5);
    EXPECT_EQ(parseDialogNumber("0x10"), 16.0);  // strtod reads hexadecimal
    EXPECT_FALSE(parseDialogNumber(""));
    EXPECT_FALSE(parseDialogNumber(" 5"));
    EXPECT_FALSE(parseDialogNumber("\t5"));
    EXPECT_FALSE(parseDialogNumber("5 "));
    EXPECT_FALSE(parseDialogNumber("5abc"));
    EXPECT_FALSE(parseDialogNumber("12abc"));
    EXPECT_FALSE(parseDialogNumber("1,5"));
    EXPECT_FALSE(parseDialogNumber("1e"));
    EXPECT_FALSE(parseDialogNumber(QStringLiteral("5\u00a0")));
    EXPECT_FALSE(parseDialogNumber(QString::fromUtf16(u"5\u0000" "1", 3)));
    EXPECT_TRUE(std::isinf(*parseDialogNumber("1e999")));
    EXPECT_TRUE(std::isnan(*parseDialogNumber("nan")));
}

TEST(DialogInput, DecimalPointIsTheCLocalesWhateverTheProcessLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale installed";
    EXPECT_EQ(parseDialogNumber("1.5"), 1.5);
    EXPECT_FALSE(parseDialogNumber("1,5"));
    std::setlocale(LC_NUMERIC, previous.c_str());
}

TEST(DialogInput, ImageSizeAcceptsOneTo30000AndRounds)
{
    EXPECT_EQ(imageSizeInput("500", "250.5"), QSize(500, 251));
    EXPECT_EQ(imageSizeInput("1", "30000"), QSize(1, 30000));
    EXPECT_FALSE(imageSizeInput("30000.4", "10"));  // checked before rounding
    EXPECT_FALSE(imageSizeInput("0.6", "10"));
    EXPECT_FALSE(imageSizeInput("30001", "10"));
    EXPECT_FALSE(imageSizeInput("10", "12abc"));
    EXPECT_FALSE(imageSizeInput("nan", "10"));
    EXPECT_FALSE(imageSizeInput("inf", "10"));
}

TEST(DialogInput, CanvasSizeInPercentComesToPixelsInTheSameRange)
{
    const QSizeF current(200, 50);
    EXPECT_EQ(canvasSizeInput("150", "50", true, current), QSize(300, 25));
    EXPECT_EQ(canvasSizeInput("150", "50", false, current), QSize(150, 50));
    EXPECT_EQ(canvasSizeInput("0.5", "2", true, current), QSize(1, 1));
    EXPECT_FALSE(canvasSizeInput("0.2", "100", true, current));  // 0.4 px
    EXPECT_FALSE(canvasSizeInput("15001", "100", true, current));  // 30002 px
    EXPECT_FALSE(canvasSizeInput("100", "%", true, current));

    EXPECT_EQ(convertedSideText("300", 200, true), "150");
    EXPECT_EQ(convertedSideText("1", 3, true), "33.33");
    EXPECT_EQ(convertedSideText("33.33", 3, false), "1");
    EXPECT_EQ(convertedSideText("150", 200, false), "300");
    EXPECT_FALSE(convertedSideText("wide", 200, true));
}

TEST(DialogInput, FixedSizeAspectAndStrokeRanges)
{
    EXPECT_EQ(fixedSelectionSizeInput("256", "1"), QSizeF(256, 1));
    EXPECT_FALSE(fixedSelectionSizeInput("0.99", "5"));
    EXPECT_FALSE(fixedSelectionSizeInput("inf", "5"));
    EXPECT_EQ(aspectRatioInput("0.1", "9"), QSizeF(0.1, 9));
    EXPECT_FALSE(aspectRatioInput("0", "9"));
    EXPECT_FALSE(aspectRatioInput("16", "-9"));
    EXPECT_EQ(strokeWidthInput("1000"), 1000.0);
    EXPECT_EQ(strokeWidthInput("1"), 1.0);
    EXPECT_FALSE(strokeWidthInput("1000.0001"));
    EXPECT_FALSE(strokeWidthInput("0.5"));
    EXPECT_FALSE(strokeWidthInput("2px"));
}

TEST(DialogInput, ConstrainedProportionsLinkTheFieldsThroughTheCurrentRatio)
{
    const QSizeF current(1000, 500);
    EXPECT_EQ(linkedHeightText("333", current), QStringLiteral("167"));  // 166.5 rounds away from zero
    EXPECT_EQ(linkedWidthText("251", current), QStringLiteral("502"));
    EXPECT_EQ(linkedHeightText("-0.4", current), QStringLiteral("0"));
    EXPECT_FALSE(linkedHeightText("12abc", current));
    EXPECT_FALSE(linkedWidthText("", current));
    // The width counts as at least 1; a zero height leaves the fields unlinked.
    EXPECT_EQ(linkedHeightText("3", QSizeF(0.5, 2)), QStringLiteral("6"));
    EXPECT_FALSE(linkedHeightText("3", QSizeF(100, 0)));
}

TEST(DialogInput, PrefilledFieldsCutFractionsOff)
{
    EXPECT_EQ(wholeNumberText(1023.9), QStringLiteral("1023"));
    EXPECT_EQ(aspectRatioFieldTexts(std::nullopt), std::make_pair(QStringLiteral("16"), QStringLiteral("9")));
    EXPECT_EQ(aspectRatioFieldTexts(QSizeF(4.7, 3.2)), std::make_pair(QStringLiteral("4"), QStringLiteral("3")));
}

}  // namespace
}  // namespace velmaris
