#include "files/InputFile.h"

#include "files/MappedFile.h"
#include "files/NativePath.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmaris {

namespace {

constexpr qint64 kReadChunkBytes = qint64(1) << 20;

FileError notOpened(const QString& path, const QString& reason)
{
    return {FileError::kReadCorrupt, QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, reason)};
}

enum class Kind { any, regularOnly };

// An open descriptor, or the system's reason. Directories open for reading, but hold no image.
// Only a regular file is opened without blocking: a pipe with no writer would wait in open.
std::variant<int, QString> openDescriptor(const QString& path, Kind kind = Kind::any)
{
    const int flags = O_RDONLY | O_CLOEXEC | (kind == Kind::regularOnly ? O_NONBLOCK : 0);
    const int descriptor = ::open(encodeNativePath(path).constData(), flags);
    if (descriptor < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat status {};
    const bool known = ::fstat(descriptor, &status) == 0;
    if (known && S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    }
    if (kind == Kind::regularOnly && (!known || !S_ISREG(status.st_mode))) {
        ::close(descriptor);
        return QStringLiteral("Not a regular file");
    }
    return descriptor;
}

FileResult<QByteArray> readFile(const QString& path, qint64 limit, Kind kind);
FileResult<QByteArray> readDescriptor(int descriptor, qint64 limit);

// A large file's buffer in huge pages where the system allows them: its first touch, which the read
// makes, then costs a fault per 2 MB instead of per 4 kB. Only the aligned whole pages inside it.
void adviseHugePages(char* buffer, qsizetype size)
{
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(buffer) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + std::uintptr_t(size)) & ~(kHugePage - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

std::variant<std::unique_ptr<QFile>, QString> openInputFile(const QString& path)
{
    std::variant<int, QString> descriptor = openDescriptor(path);
    if (const auto* reason = std::get_if<QString>(&descriptor))
        return *reason;
    auto file = std::make_unique<QFile>();
    if (!file->open(std::get<int>(descriptor), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(std::get<int>(descriptor));
        return file->errorString();
    }
    return file;
}

FileResult<QByteArray> readInputFile(const QString& path, qint64 limit)
{
    return readFile(path, limit, Kind::any);
}

FileResult<QByteArray> readRegularInputFile(const QString& path)
{
    return readFile(path, kMaxInputFileBytes, Kind::regularOnly);
}

FileResult<InputBytes> mapInputFile(const QString& path, qint64 limit)
{
    std::variant<int, QString> opened = openDescriptor(path);
    if (const auto* reason = std::get_if<QString>(&opened))
        return notOpened(path, *reason);
    const int descriptor = std::get<int>(opened);
    if (std::shared_ptr<const MappedFile> mapping = MappedFile::map(descriptor, limit)) {
        ::close(descriptor);
        return InputBytes{mapping->bytes(), MappedFile::kReadablePastEnd, mapping};
    }
    FileResult<QByteArray> read = readDescriptor(descriptor, limit);
    if (const auto* error = std::get_if<FileError>(&read))
        return *error;
    // The parser finds the read buffer's spare capacity itself.
    return InputBytes{std::move(std::get<QByteArray>(read)), 0, nullptr};
}

namespace {

FileResult<QByteArray> readFile(const QString& path, qint64 limit, Kind kind)
{
    std::variant<int, QString> opened = openDescriptor(path, kind);
    if (const auto* reason = std::get_if<QString>(&opened))
        return notOpened(path, *reason);
    return readDescriptor(std::get<int>(opened), limit);
}

FileResult<QByteArray> readDescriptor(int descriptor, qint64 limit)
{
    struct stat status {};
    const bool regular = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    if (regular && status.st_size > limit) {
        ::close(descriptor);
        return FileError::imageUnreadable();
    }
    QByteArray data;
    // Devices and pipes have no size: read in chunks and stop at the limit. A regular file's buffer
    // has room for the last read, which finds the end, so it is never moved; parsers that read a
    // little past the data (simdjson) can use it in place.
    if (regular) {
        data.reserve(qsizetype(status.st_size) + qsizetype(kReadChunkBytes));
        adviseHugePages(data.data(), data.capacity());
    }
    bool failed = false;
    for (;;) {
        const qint64 room = std::min(kReadChunkBytes, limit + 1 - data.size());
        const qsizetype start = data.size();
        data.resize(start + qsizetype(room));
        const ssize_t count = ::read(descriptor, data.data() + start, std::size_t(room));
        if (count < 0 && errno == EINTR) {
            data.resize(start);
            continue;
        }
        data.resize(start + std::max<qsizetype>(count, 0));
        if (count <= 0) {
            failed = count < 0;
            break;
        }
        if (data.size() > limit) {
            failed = true;
            break;
        }
    }
    ::close(descriptor);
    if (failed)
        return FileError::imageUnreadable();
    return data;
}

}  // namespace

}  // namespace velmaris
