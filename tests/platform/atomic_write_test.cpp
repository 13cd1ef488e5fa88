#include "platform/AtomicWrite.h"

#include "files/NativePath.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace velmaris {
namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t fileMode(const QByteArray& path)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 ? status.st_mode : 0;
}

// Entries of a folder by their raw names (QDir skips names that are not UTF-8).
int entryCount(const QByteArray& folder)
{
    DIR* directory = ::opendir(folder.constData());
    int count = 0;
    while (const dirent* entry = directory ? ::readdir(directory) : nullptr)
        count += std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0;
    if (directory)
        ::closedir(directory);
    return count;
}

}  // namespace

TEST(AtomicWrite, ReplacesRegularFilesKeepingTheirModeTheirLinksAndOddNames)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    ASSERT_EQ(writeFileAtomically(path, "first"), std::nullopt);
    EXPECT_EQ(contents(path), "first");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_EQ(writeFileAtomically(path, "second"), std::nullopt);
    EXPECT_EQ(contents(path), "second");
    EXPECT_EQ(fileMode(QFile::encodeName(path)) & 0777, 0640u);

    const QString link = dir.filePath(QStringLiteral("link.png"));
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_EQ(writeFileAtomically(link, "third"), std::nullopt);
    EXPECT_TRUE(S_ISLNK(fileMode(QFile::encodeName(link))));
    EXPECT_EQ(contents(path), "third");

    const QByteArray oddName = QFile::encodeName(dir.path()) + "/\xff\xfe.png";
    ASSERT_EQ(writeFileAtomically(decodeNativePath(oddName), "fourth"), std::nullopt);
    EXPECT_TRUE(S_ISREG(fileMode(oddName)));
    // Nothing else is left behind.
    EXPECT_EQ(entryCount(QFile::encodeName(dir.path())), 3);
    ::unlink(oddName.constData());  // QTemporaryDir cannot remove what it cannot name
}

TEST(AtomicWrite, WritesPipesAndDevicesInPlaceAndNeverReplacesThem)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe.png")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    QByteArray received;
    std::thread reader([&] {
        const int descriptor = ::open(fifo.constData(), O_RDONLY);
        char buffer[4096];
        for (ssize_t count; (count = ::read(descriptor, buffer, sizeof buffer)) > 0;)
            received.append(buffer, count);
        ::close(descriptor);
    });
    const QByteArray bytes(100000, 'p');
    EXPECT_EQ(writeFileAtomically(QFile::decodeName(fifo), bytes), std::nullopt);
    reader.join();
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(S_ISFIFO(fileMode(fifo)));

    EXPECT_EQ(writeFileAtomically(QStringLiteral("/dev/null"), bytes), std::nullopt);
    EXPECT_TRUE(S_ISCHR(fileMode("/dev/null")));

    // A full disk says so, in the system's words.
    EXPECT_EQ(writeFileAtomically(QStringLiteral("/dev/full"), bytes), QStringLiteral("No space left on device"));
    EXPECT_EQ(writeFileAtomically(dir.path(), bytes), QStringLiteral("Is a directory"));

    // Anything else that is not a regular file, such as a socket, is refused and left alone.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(dir.filePath(QStringLiteral("socket.png")));
    ASSERT_LT(socketPath.size(), qsizetype(sizeof address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(writeFileAtomically(QFile::decodeName(socketPath), bytes), QStringLiteral("Not a regular file"));
    EXPECT_TRUE(S_ISSOCK(fileMode(socketPath)));
    ::close(listening);
}

}  // namespace velmaris
