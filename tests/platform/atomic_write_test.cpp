#include "platform/AtomicWrite.h"

#include "files/NativePath.h"

#include <QDir>
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
#include <ctime>
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

TEST(AtomicWrite, RefusesWriteProtectedFilesAndNeverCarriesSpecialBits)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("kept.png")));
    ASSERT_EQ(writeFileAtomically(QFile::decodeName(path), "original"), std::nullopt);
    ASSERT_EQ(::chmod(path.constData(), 0444), 0);
    EXPECT_EQ(writeFileAtomically(QFile::decodeName(path), "replaced"), QStringLiteral("Permission denied"));
    EXPECT_EQ(contents(QFile::decodeName(path)), "original");
    EXPECT_EQ(fileMode(path) & 07777, 0444u);

    ASSERT_EQ(::chmod(path.constData(), 06755), 0);
    ASSERT_EQ(writeFileAtomically(QFile::decodeName(path), "replaced"), std::nullopt);
    EXPECT_EQ(contents(QFile::decodeName(path)), "replaced");
    EXPECT_EQ(fileMode(path) & 07777, 0755u);
    EXPECT_EQ(entryCount(QFile::encodeName(dir.path())), 1);
}

TEST(AtomicWrite, WritesThroughADanglingLinkAndKeepsTheLink)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QByteArray link = QFile::encodeName(dir.filePath(QStringLiteral("link.png")));
    ASSERT_EQ(::symlink("sub/target.png", link.constData()), 0);
    ASSERT_EQ(writeFileAtomically(QFile::decodeName(link), "through"), std::nullopt);
    EXPECT_TRUE(S_ISLNK(fileMode(link)));
    EXPECT_EQ(contents(dir.filePath(QStringLiteral("sub/target.png"))), "through");
    EXPECT_EQ(entryCount(QFile::encodeName(dir.filePath(QStringLiteral("sub")))), 1);

    // A link to itself is a loop, reported and left alone.
    const QByteArray loop = QFile::encodeName(dir.filePath(QStringLiteral("loop.png")));
    ASSERT_EQ(::symlink("loop.png", loop.constData()), 0);
    EXPECT_EQ(writeFileAtomically(QFile::decodeName(loop), "x"), QString::fromLocal8Bit(std::strerror(ELOOP)));
    EXPECT_TRUE(S_ISLNK(fileMode(loop)));
}

TEST(AtomicWrite, RemovesOnlyItsOwnStaleTemporariesOfTheSameName)
{
    QTemporaryDir dir;
    const auto make = [&](const char* name, std::time_t age) {
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
        QFile file(QFile::decodeName(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        const timespec times[2] = {{std::time(nullptr) - age, 0}, {std::time(nullptr) - age, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        return path;
    };
    const std::time_t hour = 3600;
    const QByteArray stale = make("picture.png.1z141z3.tmp", hour);
    const QList<QByteArray> kept = {make("picture.png.4bc12x9.tmp", 0),        // a writer may still be at it
                                    make("picture.png.ABC.tmp", hour),         // not a name it makes
                                    make("picture.png.backup1.tmp", hour),     // the user's own
                                    make("picture.png.old.tmp", hour),
                                    make("picture.png.abc.tmp.keep", hour),
                                    make("picture.png.tmp", hour),
                                    make("other.png.1z141z3.tmp", hour)};
    ASSERT_EQ(writeFileAtomically(dir.filePath(QStringLiteral("picture.png")), "new"), std::nullopt);
    EXPECT_EQ(fileMode(stale), 0u);
    for (const QByteArray& path : kept)
        EXPECT_TRUE(S_ISREG(fileMode(path))) << path.constData();
}

}  // namespace velmaris
