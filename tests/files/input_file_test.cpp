#include "files/ImageEncoder.h"
#include "files/InputFile.h"
#include "files/NativePath.h"
#include "files/OpenImageFile.h"

#include "files/CodecTestHelpers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmaris {
namespace {

// Creates a file by its raw name bytes, as another program could.
bool writeRawFile(const QByteArray& name, const QByteArray& bytes)
{
    const int descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0)
        return false;
    const bool written = ::write(descriptor, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    return ::close(descriptor) == 0 && written;
}

}  // namespace

TEST(NativePath, NamesThatAreNotUtf8MapBackExactlyAndOpen)
{
    for (const QByteArray& raw : {QByteArray("plain/ascii.png"), QByteArray("caf\xc3\xa9 \xf0\x9f\x98\x80.png"),
                                 QByteArray("caf\xe9-\xff\x80.png"), QByteArray("\xed\xb2\x80\xc3"),
                                 QByteArray("\xf4\x90\x80\x80\xe0\x80")}) {
        const QString decoded = decodeNativePath(raw);
        EXPECT_EQ(encodeNativePath(decoded), raw) << raw.toHex().constData();
        if (QString::fromUtf8(raw).toUtf8() == raw) {
            EXPECT_EQ(decoded, QString::fromUtf8(raw));
        }
    }

    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.path()) + "/caf\xe9.png";
    ASSERT_TRUE(writeRawFile(name, *encodeImageData(test::quarteredBitmap(6, 4, false), ImageType::png)));
    const FileResult<CanvasState> opened = openImageFile(decodeNativePath(name));
    ASSERT_TRUE(std::holds_alternative<CanvasState>(opened)) << std::get<FileError>(opened).message.toStdString();
    EXPECT_EQ(std::get<CanvasState>(opened).size, QSizeF(6, 4));
    ::unlink(name.constData());  // QTemporaryDir cannot remove what it cannot name
}

TEST(InputFile, ReadsWholeFilesAndRefusesEndlessOrOversizedInputWhileReading)
{
    QTemporaryDir dir;
    const QByteArray bytes(3 * 1024 * 1024 + 17, 'x');
    const QString path = dir.filePath(QStringLiteral("big.bin"));
    ASSERT_TRUE(writeRawFile(QFile::encodeName(path), bytes));
    EXPECT_EQ(std::get<QByteArray>(readInputFile(path)), bytes);
    EXPECT_EQ(std::get<QByteArray>(readInputFile(path, bytes.size())), bytes);
    EXPECT_EQ(readInputFile(path, bytes.size() - 1), FileResult<QByteArray>(FileError::imageUnreadable()));

    // A device that never ends and a pipe that keeps growing are cut off at the limit.
    EXPECT_EQ(readInputFile(QStringLiteral("/dev/zero"), 5 * 1024 * 1024),
              FileResult<QByteArray>(FileError::imageUnreadable()));
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const QByteArray block(65536, 'y');
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        ::close(pipeEnds[0]);
        while (::write(pipeEnds[1], block.constData(), std::size_t(block.size())) > 0) {
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    EXPECT_EQ(readInputFile(QStringLiteral("/proc/self/fd/%1").arg(pipeEnds[0]), 2 * 1024 * 1024),
              FileResult<QByteArray>(FileError::imageUnreadable()));
    ::close(pipeEnds[0]);  // the writer stops on the broken pipe
    ::waitpid(writer, nullptr, 0);

    // Reading only regular files opens nothing else, and never waits for a pipe's writer.
    EXPECT_EQ(std::get<QByteArray>(readRegularInputFile(path)), bytes);
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& other : {fifo, QStringLiteral("/dev/zero")})
        EXPECT_EQ(readRegularInputFile(other),
                  FileResult<QByteArray>(FileError{FileError::kReadCorrupt,
                                                   QStringLiteral("The file \"%1\" could not be opened: Not a regular file").arg(other)}));

    const FileResult<QByteArray> missing = readInputFile(dir.filePath(QStringLiteral("missing.png")));
    ASSERT_TRUE(std::holds_alternative<FileError>(missing));
    EXPECT_TRUE(std::get<FileError>(missing).message.endsWith(QStringLiteral("No such file or directory")));
    const FileResult<QByteArray> directory = readInputFile(dir.path());
    ASSERT_TRUE(std::holds_alternative<FileError>(directory));
    EXPECT_TRUE(std::get<FileError>(directory).message.endsWith(QStringLiteral("Is a directory")));
}

}  // namespace velmaris
