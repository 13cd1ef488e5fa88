#include "platform/AtomicWrite.h"

#include "files/NativePath.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmaris {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes everything, or returns errno.
int writeAll(int descriptor, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t count = ::write(descriptor, data, std::size_t(left));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count < 0 ? errno : EIO;
        data += count;
        left -= count;
    }
    return 0;
}

std::optional<QString> writeInPlace(const QByteArray& target, const QByteArray& bytes)
{
    const int descriptor = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0)
        return systemReason(errno);
    const int error = writeAll(descriptor, bytes);
    const int closeError = ::close(descriptor) == 0 ? 0 : errno;
    if (error || closeError)
        return systemReason(error ? error : closeError);
    return std::nullopt;
}

// A new file beside the target that no one else has; the umask applies to its permissions.
std::pair<int, QByteArray> createTemporaryBeside(const QByteArray& target)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        const int descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return {descriptor, name};
    }
    return {-1, {}};
}

std::optional<QString> replaceWithTemporary(const QByteArray& target, const std::optional<mode_t>& existingMode,
                                            const QByteArray& bytes)
{
    const auto [descriptor, temporary] = createTemporaryBeside(target);
    if (descriptor < 0)
        return systemReason(errno);
    int error = writeAll(descriptor, bytes);
    if (!error && existingMode && ::fchmod(descriptor, *existingMode & 07777) != 0)
        error = errno;
    // A full disk can show only when the data reaches it.
    if (!error && ::fsync(descriptor) != 0)
        error = errno;
    if (::close(descriptor) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return systemReason(error);
    }
    return std::nullopt;
}

}  // namespace

std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QByteArray target = encodeNativePath(path);
    if (target.isEmpty())
        return systemReason(ENOENT);
    struct stat status {};
    if (::stat(target.constData(), &status) != 0)
        return replaceWithTemporary(target, std::nullopt, bytes);
    if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode))
        return writeInPlace(target, bytes);
    if (S_ISDIR(status.st_mode))
        return systemReason(EISDIR);
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("Not a regular file");
    // Through a symbolic link: replace the file it points at and keep the link.
    if (char resolved[PATH_MAX]; ::realpath(target.constData(), resolved))
        target = resolved;
    return replaceWithTemporary(target, status.st_mode, bytes);
}

}  // namespace velmaris
