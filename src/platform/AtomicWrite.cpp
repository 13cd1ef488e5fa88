#include "platform/AtomicWrite.h"

#include "files/NativePath.h"

#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include <dirent.h>
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

// A temporary file of a writer that was killed is left behind; one older than this is stale.
constexpr std::time_t kStaleTemporarySeconds = 10 * 60;

// The temporaries this process is writing now, which are never stale.
QMutex temporariesMutex;
QSet<QByteArray> temporariesInUse;

constexpr qsizetype kTemporaryTokenLength = 7;

// "<name>.<a digit, then 6 of 0-9a-z>.tmp", the names createTemporaryBeside makes for `name` (and
// the seven-character ones earlier versions made). A user's own "<name>.backup.tmp" or
// "<name>.old.tmp" never matches, so it is never taken for ours.
bool isTemporaryNameFor(const char* entry, const QByteArray& name)
{
    const QByteArrayView candidate(entry);
    if (candidate.size() != name.size() + 1 + kTemporaryTokenLength + 4 || !candidate.startsWith(name + '.')
        || !candidate.endsWith(".tmp"))
        return false;
    const QByteArrayView token = candidate.sliced(name.size() + 1, kTemporaryTokenLength);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    return isDigit(token.front())
        && std::all_of(token.begin(), token.end(), [&](char c) { return isDigit(c) || (c >= 'a' && c <= 'z'); });
}

QByteArray newTemporaryToken()
{
    QRandomGenerator& random = *QRandomGenerator::global();
    constexpr quint64 kSixLetters = 36ull * 36 * 36 * 36 * 36 * 36;
    return QByteArray::number(random.bounded(10)) + QByteArray::number(random.generate64() % kSixLetters, 36).rightJustified(6, '0');
}

// Removes the temporaries of writers that were killed while writing beside `target`.
void removeStaleTemporaries(const QByteArray& target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    const QByteArray name = target.mid(slash + 1);
    DIR* directory = ::opendir(folder.constData());
    if (!directory)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(directory)) {
        if (!isTemporaryNameFor(entry->d_name, name))
            continue;
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat status {};
        if (::lstat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode)
            || now - status.st_mtime < kStaleTemporarySeconds)
            continue;
        const QMutexLocker lock(&temporariesMutex);
        if (!temporariesInUse.contains(path))
            ::unlink(path.constData());
    }
    ::closedir(directory);
}

// A new file beside the target that no one else has; the umask applies to its permissions.
std::pair<int, QByteArray> createTemporaryBeside(const QByteArray& target)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = target + '.' + newTemporaryToken() + ".tmp";
        const int descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            const QMutexLocker lock(&temporariesMutex);
            temporariesInUse.insert(name);
        }
        if (descriptor >= 0 || errno != EEXIST)
            return {descriptor, name};
    }
    return {-1, {}};
}

std::optional<QString> replaceWithTemporary(const QByteArray& target, const std::optional<mode_t>& existingMode,
                                            const QByteArray& bytes)
{
    removeStaleTemporaries(target);
    const auto [descriptor, temporary] = createTemporaryBeside(target);
    if (descriptor < 0)
        return systemReason(errno);
    // Only the ordinary permissions: a set-user-ID, set-group-ID or sticky bit is never carried over.
    int error = writeAll(descriptor, bytes);
    if (!error && existingMode && ::fchmod(descriptor, *existingMode & 0777) != 0)
        error = errno;
    // A full disk can show only when the data reaches it.
    if (!error && ::fsync(descriptor) != 0)
        error = errno;
    if (::close(descriptor) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error)
        ::unlink(temporary.constData());
    {
        const QMutexLocker lock(&temporariesMutex);
        temporariesInUse.remove(temporary);
    }
    if (error)
        return systemReason(error);
    return std::nullopt;
}

// The path at the end of a chain of symbolic links, which need not exist yet: writing through a
// dangling link creates the file it names, so the link itself is never replaced. errno on failure.
std::optional<QByteArray> followLinks(QByteArray path)
{
    if (path.isEmpty()) {
        errno = ENOENT;
        return std::nullopt;
    }
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status {};
        if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), link.data(), std::size_t(link.size()));
        if (length < 0 || length >= link.size()) {
            errno = length < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        link.truncate(length);
        const qsizetype slash = path.lastIndexOf('/');
        path = link.startsWith('/') || slash < 0 ? link : path.left(slash + 1) + link;
    }
    errno = ELOOP;
    return std::nullopt;
}

}  // namespace

std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QByteArray native = encodeNativePath(path);
    struct stat status {};
    const bool exists = !native.isEmpty() && ::stat(native.constData(), &status) == 0;
    // Pipes and devices by the name given: /dev/stdout's link names no file for a pipe.
    if (exists && (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)))
        return writeInPlace(native, bytes);
    if (exists && S_ISDIR(status.st_mode))
        return systemReason(EISDIR);
    if (exists && !S_ISREG(status.st_mode))
        return QStringLiteral("Not a regular file");
    // A write-protected file stays as it is, even for a user the system would let replace it.
    if (exists && ((status.st_mode & 0222) == 0 || ::access(native.constData(), W_OK) != 0))
        return systemReason(EACCES);
    const std::optional<QByteArray> target = followLinks(native);
    if (!target)
        return systemReason(errno);
    return replaceWithTemporary(*target, exists ? std::optional<mode_t>(status.st_mode) : std::nullopt, bytes);
}

}  // namespace velmaris
