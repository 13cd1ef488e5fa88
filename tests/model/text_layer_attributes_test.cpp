#include "model/TextLayerAttributes.h"

#include <gtest/gtest.h>

namespace velmaris {

namespace {

const StoredColor kRed{1, 0, 0, 1};
const StoredColor kBlue{0, 0, 1, 1};

TextLayerAttributes text(const QString& string, QVector<TextStyleRun> runs)
{
    return {string, "Base", 10, StoredColor{0, 0, 0, 1}, std::move(runs)};
}

}  // namespace

TEST(TextLayerAttributes, ResolvedStyleTakesTheFirstRunReachingTheIndex)
{
    const auto attributes = text("abcdef", {{2, 20, {}, {}}, {0, 99, {}, {}}, {2, {}, kRed, "Run"}});
    EXPECT_EQ(attributes.resolvedStyle(1), (ResolvedTextStyle{20, {0, 0, 0, 1}, "Base"}));
    EXPECT_EQ(attributes.resolvedStyle(2), (ResolvedTextStyle{10, kRed, "Run"}));  // the empty run is skipped
    EXPECT_EQ(attributes.resolvedStyle(4), (ResolvedTextStyle{10, {0, 0, 0, 1}, "Base"}));
    EXPECT_EQ(attributes.resolvedStyle(-1).fontSize, 20);
}

TEST(TextLayerAttributes, UniformStyleReportsMixedAttributesAsAbsent)
{
    const auto attributes = text("abcdef", {{2, 20, kRed, {}}, {2, 30, kRed, {}}});
    EXPECT_EQ(attributes.uniformStyle(0, 4), (UniformTextStyle{{}, kRed, "Base"}));
    EXPECT_EQ(attributes.uniformStyle(1, 4), (UniformTextStyle{{}, {}, "Base"}));
    EXPECT_EQ(attributes.uniformStyle(2, 2), (UniformTextStyle{30, kRed, "Base"}));
    // Empty and out-of-range selections give the style at their (clamped) start.
    EXPECT_EQ(attributes.uniformStyle(3, 0), (UniformTextStyle{30, kRed, "Base"}));
    EXPECT_EQ(attributes.uniformStyle(50, 5), (UniformTextStyle{10, StoredColor{0, 0, 0, 1}, "Base"}));
    EXPECT_EQ(attributes.uniformStyle(-5, 6), (UniformTextStyle{20, kRed, "Base"}));
}

TEST(TextLayerAttributes, NormalizeRunsFoldsASingleRunIntoTheBase)
{
    auto single = text("abcde", {{5, {}, kRed, {}}});
    single.normalizeRuns();
    EXPECT_TRUE(single.runs.isEmpty());
    EXPECT_EQ(single.color, kRed);
    EXPECT_EQ(single.fontSize, 10);

    auto neighbours = text("abcde", {{2, {}, kBlue, {}}, {3, {}, kBlue, {}}});
    neighbours.normalizeRuns();
    EXPECT_TRUE(neighbours.runs.isEmpty());
    EXPECT_EQ(neighbours.color, kBlue);

    auto plain = text("abc", {{1, {}, {}, {}}, {2, {}, {}, {}}});
    plain.normalizeRuns();
    EXPECT_TRUE(plain.runs.isEmpty());
    EXPECT_EQ(plain.color, (StoredColor{0, 0, 0, 1}));

    auto empty = text("", {{3, 40, {}, {}}});
    empty.normalizeRuns();
    EXPECT_TRUE(empty.runs.isEmpty());
    EXPECT_EQ(empty.fontSize, 10);
}

TEST(TextLayerAttributes, NormalizeRunsCutsAtTheEndAndCoversTheWholeString)
{
    auto attributes = text("abcdef", {{2, 20, {}, {}}, {1, 20, {}, {}}, {10, {}, {}, "Other"}});
    attributes.normalizeRuns();
    EXPECT_EQ(attributes.runs, (QVector<TextStyleRun>{{3, 20, {}, {}}, {3, {}, {}, "Other"}}));
    EXPECT_EQ(attributes.fontFamily, "Base");

    auto shortRuns = text("abcdef", {{0, 50, {}, {}}, {2, {}, kRed, {}}});
    shortRuns.normalizeRuns();
    EXPECT_EQ(shortRuns.runs, (QVector<TextStyleRun>{{2, {}, kRed, {}}, {4, {}, {}, {}}}));
    EXPECT_EQ(shortRuns.resolvedStyle(4).color, (StoredColor{0, 0, 0, 1}));

    auto middle = text("abcdef", {{2, {}, {}, {}}, {2, 12, {}, {}}});
    middle.normalizeRuns();
    EXPECT_EQ(middle.runs, (QVector<TextStyleRun>{{2, {}, {}, {}}, {2, 12, {}, {}}, {2, {}, {}, {}}}));
}

TEST(TextLayerAttributes, LengthLimitCountsUnitsAndLinesAsTheLayoutBreaksThem)
{
    EXPECT_FALSE(textLengthProblem(QString(kMaxTextLength, u'x')));
    EXPECT_EQ(textLengthProblem(QString(kMaxTextLength + 1, u'x')), "more than 1000000 characters");
    // A CR LF pair is one break; the other breaks count one each.
    const QString lines = QStringLiteral("a\r\n").repeated(kMaxTextLines / 2) + QString(kMaxTextLines / 2 - 1, u'\n');
    EXPECT_FALSE(textLengthProblem(lines));
    EXPECT_EQ(textLengthProblem(lines + QChar::ParagraphSeparator), "more than 30000 lines");
    EXPECT_EQ(textLengthProblem(lines + u'\r'), "more than 30000 lines");
}

}  // namespace velmaris
