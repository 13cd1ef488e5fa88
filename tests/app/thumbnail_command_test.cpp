#include "app/CommandLine.h"
#include "app/ThumbnailCommand.h"

#include "app/ProgramTestHelpers.h"
#include "files/CodecTestHelpers.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::runProgram;

TEST(ThumbnailCommand, SizeBringsTheLongestSideDownAndNeverEnlarges)
{
    EXPECT_EQ(thumbnailSize(QSize(400, 100), 128), QSize(128, 32));
    EXPECT_EQ(thumbnailSize(QSize(100, 400), 128), QSize(32, 128));
    EXPECT_EQ(thumbnailSize(QSize(300, 300), 256), QSize(256, 256));
    EXPECT_EQ(thumbnailSize(QSize(40, 20), 256), QSize(40, 20));
    EXPECT_EQ(thumbnailSize(QSize(30000, 10), 64), QSize(64, 1));  // a sliver keeps one row

    const auto parse = [](const char* size) {
        return parseCommandLine({QStringLiteral("--thumbnail"), QStringLiteral("in.velmaris"),
                                 QStringLiteral("out.png"), QString::fromLatin1(size)});
    };
    EXPECT_EQ(parse("256"), CommandLineRequest(ThumbnailRequest{QStringLiteral("in.velmaris"),
                                                                QStringLiteral("out.png"), 256}));
    for (const char* bad : {"0", "4097", "-5", "12.5", "big", ""})
        EXPECT_TRUE(std::holds_alternative<UsageError>(parse(bad))) << bad;
    EXPECT_TRUE(std::holds_alternative<UsageError>(
        parseCommandLine({QStringLiteral("--thumbnail"), QStringLiteral("in.png"), QStringLiteral("out.png")})));
}

TEST(ThumbnailCommand, WritesScaledPngsOfImagesAndDocumentsAndNothingForBadInput)
{
    QTemporaryDir dir;
    const auto thumbnail = [&](const QString& input, const QString& size) {
        const QString output = dir.filePath(QStringLiteral("thumb.png"));
        QFile::remove(output);
        const test::ProcessResult result = runProgram({QStringLiteral("--thumbnail"), input, output, size});
        EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
        return QImage(output);
    };
    const auto image = [&](const QString& name, int width, int height) {
        QImage picture(width, height, QImage::Format_ARGB32);
        picture.fill(QColor(200, 40, 40));
        const QString path = dir.filePath(name);
        EXPECT_TRUE(picture.save(path));
        return path;
    };

    EXPECT_EQ(thumbnail(image(QStringLiteral("wide.png"), 400, 100), QStringLiteral("128")).size(), QSize(128, 32));
    EXPECT_EQ(thumbnail(image(QStringLiteral("tall.jpg"), 100, 400), QStringLiteral("128")).size(), QSize(32, 128));
    EXPECT_EQ(thumbnail(image(QStringLiteral("small.png"), 40, 20), QStringLiteral("256")).size(), QSize(40, 20));

    // A native document is flattened: its one layer's colour shows.
    const QString native = dir.filePath(QStringLiteral("doc.velmaris"));
    ASSERT_EQ(runProgram({QStringLiteral("--export"), dir.filePath(QStringLiteral("wide.png")), native}).exitCode, 0);
    const QImage flattened = thumbnail(native, QStringLiteral("64"));
    EXPECT_EQ(flattened.size(), QSize(64, 16));
    EXPECT_EQ(flattened.pixelColor(32, 8), QColor(200, 40, 40));

    // Corrupt, cut-off and oversized inputs: one line on standard error and no output file.
    const QByteArray document = test::fileBytes(native);
    test::writeBytes(dir.filePath(QStringLiteral("cut.velmaris")), document.left(document.size() / 2));
    test::writeBytes(dir.filePath(QStringLiteral("garbage.png")), "not a picture");
    using test::bigEndian;
    test::writeBytes(dir.filePath(QStringLiteral("huge.png")),
                     test::kPngSignature
                         + test::pngChunk("IHDR" + bigEndian(40000) + bigEndian(40000)
                                          + QByteArray("\x08\x06\x00\x00\x00", 5))
                         + test::pngChunk("IDAT\x78"));
    for (const char* name : {"cut.velmaris", "garbage.png", "huge.png", "missing.png"}) {
        const QString output = dir.filePath(QStringLiteral("never.png"));
        const test::ProcessResult result =
            runProgram({QStringLiteral("--thumbnail"), dir.filePath(QString::fromLatin1(name)), output,
                        QStringLiteral("128")});
        EXPECT_NE(result.exitCode, 0) << name;
        EXPECT_EQ(result.standardError.count(QLatin1Char('\n')), 1) << name;
        EXPECT_FALSE(QFile::exists(output)) << name;
    }
    // Nor is a temporary file left beside the output.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("never")), QStringList());
}

}  // namespace
}  // namespace velmaris
