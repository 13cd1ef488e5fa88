#include "files/InputFile.h"
#include "files/MappedFile.h"
#include "files/NativeDocumentFile.h"

#include "TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace velmaris {
namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool truncateFile(const QString& path, qint64 size)
{
    return ::truncate(QFile::encodeName(path).constData(), off_t(size)) == 0;
}

TEST(MappedFile, MapsRegularFilesReadsTheRestAndSurvivesAFileCutShort)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("three-pages"));
    QByteArray content(3 * 4096 + 100, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char('a' + i % 26);
    ASSERT_TRUE(writeFile(path, content));

    const FileResult<InputBytes> mapped = mapInputFile(path);
    ASSERT_TRUE(std::holds_alternative<InputBytes>(mapped));
    const InputBytes& input = std::get<InputBytes>(mapped);
    ASSERT_TRUE(input.mapping);
    EXPECT_EQ(input.bytes, content);
    EXPECT_GE(input.readablePastEnd, std::size_t(64));
    for (std::size_t i = 0; i < input.readablePastEnd; ++i)
        EXPECT_EQ(input.bytes.constData()[input.bytes.size() + qsizetype(i)], '\0');
    EXPECT_FALSE(input.mapping->changed());

    // Another program cuts the file to one page: what lay beyond reads as zeros, not as a crash.
    ASSERT_TRUE(truncateFile(path, 4096));
    const char* data = input.bytes.constData();
    EXPECT_EQ(data[100], content[100]);
    EXPECT_EQ(data[2 * 4096 + 5], '\0');
    EXPECT_EQ(data[3 * 4096 + 50], '\0');
    EXPECT_TRUE(input.mapping->changed());

    // Too large, empty or not a regular file: read as before (and refused past the limit).
    EXPECT_TRUE(std::holds_alternative<FileError>(mapInputFile(path, 100)));
    const QString empty = dir.filePath(QStringLiteral("empty"));
    ASSERT_TRUE(writeFile(empty, {}));
    const FileResult<InputBytes> readEmpty = mapInputFile(empty);
    ASSERT_TRUE(std::holds_alternative<InputBytes>(readEmpty));
    EXPECT_TRUE(std::get<InputBytes>(readEmpty).bytes.isEmpty());
    EXPECT_FALSE(std::get<InputBytes>(readEmpty).mapping);
    EXPECT_TRUE(std::holds_alternative<FileError>(mapInputFile(dir.path())));
}

TEST(MappedFile, ANativeDocumentCutShortBetweenOutlineAndPixelsIsUnreadable)
{
    NativeDocument document;
    document.state.size = QSizeF(300, 200);
    document.state.layers = {test::bitmapLayer(test::randomBitmap(300, 200, 5), {}, QStringLiteral("Noise"))};
    const FileResult<QByteArray> written = writeNativeDocument(document);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(written));
    const QByteArray& bytes = std::get<QByteArray>(written);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.velmaris"));
    ASSERT_TRUE(writeFile(path, bytes));

    // Whole, the mapped document reads as the bytes do.
    const FileResult<InputBytes> input = mapInputFile(path);
    ASSERT_TRUE(std::holds_alternative<InputBytes>(input));
    const FileResult<NativeOutline> outline = readNativeDocumentOutline(std::get<InputBytes>(input));
    ASSERT_TRUE(std::holds_alternative<NativeOutline>(outline));
    EXPECT_EQ(std::get<NativeOutline>(outline).bitmapSizes.value(0), QSize(300, 200));

    // Cut short after the outline was read: the pixels are refused, with the reason.
    ASSERT_TRUE(truncateFile(path, 4096));
    const FileResult<QVector<Bitmap>> pixels = decodeNativeLayerPixels(std::get<NativeOutline>(outline));
    ASSERT_TRUE(std::holds_alternative<FileError>(pixels));
    EXPECT_TRUE(std::get<FileError>(pixels).withReason().contains(QStringLiteral("changed while it was read")))
        << std::get<FileError>(pixels).withReason().toStdString();
}

}  // namespace
}  // namespace velmaris
