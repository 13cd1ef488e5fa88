#include "app/CommandLine.h"

#include "TestImages.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

QStringList words(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(CommandLine, ParsesExportOptionsAndRefusesBadOnes)
{
    EXPECT_EQ(parseCommandLine(words("--export in.png out.jpg --scale 0.5 --quality 0.8")),
              CommandLineRequest(ExportRequest{QStringLiteral("in.png"), QStringLiteral("out.jpg"), 0.5, 0.8}));
    EXPECT_EQ(parseCommandLine(words("a.png --help")), CommandLineRequest(HelpRequest{}));
    EXPECT_EQ(parseCommandLine(words("a.png b.tif")),
              CommandLineRequest(OpenEditorRequest{{QStringLiteral("a.png"), QStringLiteral("b.tif")}}));
    EXPECT_EQ(parseCommandLine(words("--filter twirl angle=45 radius=0.5 in.png out.png")),
              CommandLineRequest(FilterRequest{QStringLiteral("twirl"), {QStringLiteral("angle=45"), QStringLiteral("radius=0.5")},
                                               QStringLiteral("in.png"), QStringLiteral("out.png")}));
    EXPECT_EQ(parseCommandLine(words("--contact-sheet in.png out.png")),
              CommandLineRequest(ContactSheetRequest{QStringLiteral("in.png"), QStringLiteral("out.png")}));
    EXPECT_EQ(parseCommandLine(words("--filter-list")), CommandLineRequest(FilterListRequest{}));
    for (const char* bad : {"--filter invert in.png", "--contact-sheet in.png", "--filter-list x",
                            "--export in.png", "--export a b c", "--export a b --scale 0", "--export a b --scale nan",
                            "--export a b --quality 2", "--export a b --scale", "--export a b --frobnicate",
                            "--frobnicate"})
        EXPECT_TRUE(std::holds_alternative<UsageError>(parseCommandLine(words(bad)))) << bad;
}

struct ProcessResult {
    int exitCode;
    QString standardError;
};

ProcessResult runProgram(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VELMARIS_EXECUTABLE), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

TEST(CommandLine, ExportWritesTheTypeTheOutputNamesAndReportsFailuresInOneLine)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.png"));
    QImage source(40, 20, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    source.setPixel(0, 0, qRgba(255, 0, 0, 255));
    ASSERT_TRUE(source.save(input));

    const QString jpeg = dir.filePath(QStringLiteral("out.jpg"));
    ProcessResult result = runProgram({QStringLiteral("--export"), input, jpeg, QStringLiteral("--scale"),
                                       QStringLiteral("0.5"), QStringLiteral("--quality"), QStringLiteral("0.9")});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QImage written(jpeg);
    EXPECT_EQ(written.size(), QSize(20, 10));
    EXPECT_GT(qGray(written.pixel(10, 5)), 245);  // transparent became white

    const QString garbage = dir.filePath(QStringLiteral("garbage.png"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("definitely not an image");
    file.close();
    const QString untouched = dir.filePath(QStringLiteral("untouched.png"));
    result = runProgram({QStringLiteral("--export"), garbage, untouched});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, QStringLiteral("The image could not be read.\n"));
    EXPECT_FALSE(QFile::exists(untouched));

    result = runProgram({QStringLiteral("--export"), input, dir.filePath(QStringLiteral("out.xyz"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError.count(QLatin1Char('\n')), 1);

    result = runProgram({QStringLiteral("--help")});
    EXPECT_EQ(result.exitCode, 0);

    // Filters: values are clamped, unknown keys refused, the sheet holds every filter.
    const QString blurred = dir.filePath(QStringLiteral("blurred.png"));
    result = runProgram({QStringLiteral("--filter"), QStringLiteral("gaussianBlur"), QStringLiteral("inputRadius=900"),
                         input, blurred});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_EQ(QImage(blurred).size(), QSize(40, 20));
    result = runProgram({QStringLiteral("--filter"), QStringLiteral("gaussianBlur"), QStringLiteral("radius=3"), input,
                         dir.filePath(QStringLiteral("never.png"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("\"radius\"")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.png"))));
    const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
    result = runProgram({QStringLiteral("--contact-sheet"), input, sheet});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_GT(QImage(sheet).height(), 6 * 20);
}

}  // namespace
}  // namespace velmaris
