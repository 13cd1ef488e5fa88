// The caller's side of the decode helper.
#include "files/DecodeHelper.h"

#include "files/DecodeHelperChannel.h"
#include "files/DecodeHelperDocument.h"
#include "files/ImageDecoder.h"
#include "files/ImageMetadataIO.h"
#include "files/LayeredDocument.h"
#include "files/PhotoFormat.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <array>
#include <cmath>

#ifdef Q_OS_LINUX
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

extern char** environ;
#endif

namespace velmaris {

struct DecodeHelperPool::Request {
    decodehelper::RequestKind kind = decodehelper::RequestKind::decode;
    quint32 type = 0;  // ImageType, or LayeredFormat for a document
    QByteArray data;
    bool withMetadata = false;
};

namespace {

template <typename T>
FileResult<T> resultOf(DecodeHelperPool::Decoded decoded)
{
    if (T* value = std::get_if<T>(&decoded))
        return std::move(*value);
    if (FileError* error = std::get_if<FileError>(&decoded))
        return std::move(*error);
    return FileError::imageUnreadable().because(QStringLiteral("the decoder answered with something else"));
}

}  // namespace

DecodeHelperPool& DecodeHelperPool::shared()
{
    // Never destroyed: helpers still serving other threads at exit end with the process.
#ifdef Q_OS_LINUX
    // The running executable itself, even if its file has been replaced since it started.
    static auto* pool = new DecodeHelperPool(QStringLiteral("/proc/self/exe"));
#else
    static auto* pool = new DecodeHelperPool(QString());
#endif
    return *pool;
}

DecodeHelperPool::DecodeHelperPool(QString executable, std::chrono::milliseconds baseTimeout)
    : executable_(std::move(executable)), baseTimeout_(baseTimeout),
      maxHelpers_(std::max(2, QThread::idealThreadCount()))
{
}

FileResult<Bitmap> decodeUntrustedImage(const QByteArray& data, ImageType type, ImageMetadata* metadata)
{
    return DecodeHelperPool::shared().decode(data, type, metadata);
}

FileResult<NativeDocument> decodeUntrustedDocument(const QByteArray& data, const QString& typeName)
{
    return DecodeHelperPool::shared().decodeDocument(data, typeName);
}

FileResult<Bitmap> DecodeHelperPool::decode(const QByteArray& data, ImageType type, ImageMetadata* metadata)
{
    if (metadata)
        *metadata = {};
    if (type != ImageType::svg && !rasterFormatName(data) && !photoTypeOf(data))
        return FileError::imageUnreadable().because(unreadableFormatReason());
    return resultOf<Bitmap>(
        run(Request{decodehelper::RequestKind::decode, quint32(type), data, metadata != nullptr}, metadata));
}

FileResult<NativeDocument> DecodeHelperPool::decodeDocument(const QByteArray& data, const QString& typeName)
{
    const std::optional<LayeredFormat> format = layeredFormatForTypeName(typeName);
    if (!format)
        return FileError::imageUnreadable().because(unreadableFormatReason());
    return resultOf<NativeDocument>(
        run(Request{decodehelper::RequestKind::decodeDocument, quint32(*format), data}, nullptr));
}

FileError DecodeHelperPool::probe(DecodeHelperProbe probe)
{
    const auto kind = probe == DecodeHelperProbe::crash ? decodehelper::RequestKind::crash
        : probe == DecodeHelperProbe::exhaustMemory     ? decodehelper::RequestKind::exhaustMemory
                                                        : decodehelper::RequestKind::exhaustMemoryAndAbort;
    const Decoded result = run(Request{kind, 0, QByteArray()}, nullptr);
    if (const auto* error = std::get_if<FileError>(&result))
        return *error;
    return {};
}

#ifdef Q_OS_LINUX

namespace {

using namespace decodehelper;
using Clock = std::chrono::steady_clock;

QString seconds(Clock::duration duration)
{
    return QString::number(std::chrono::duration<double>(duration).count(), 'g', 3);
}

// The time a decode may take: the base, and more for large data and large images, at the pace of
// the data's format.
Clock::duration allowance(std::chrono::milliseconds base, qint64 dataBytes, qint64 declaredPixels,
                          double pixelsPerSecond)
{
    const double extra = double(dataBytes) / (16 << 20) + double(declaredPixels) / pixelsPerSecond;
    return base + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(extra));
}

// The pixels a helper wrote, mapped into this process without a copy.
struct Mapping {
    void* address;
    std::size_t size;
};

void unmap(void* info)
{
    const auto* mapping = static_cast<Mapping*>(info);
    munmap(mapping->address, mapping->size);
    delete mapping;
}

std::optional<Bitmap> mapPixels(int fd, const Reply& reply)
{
    if (!bitmapSizeAllowed(reply.width, reply.height) || reply.stride != qint64(reply.width) * 4)
        return std::nullopt;
    const auto size = std::size_t(reply.stride) * std::size_t(reply.height);
    struct stat status {};
    // Sealed against shrinking: the pages cannot vanish under the bitmap.
    if (fstat(fd, &status) != 0 || std::size_t(status.st_size) < size || !(fcntl(fd, F_GET_SEALS) & F_SEAL_SHRINK))
        return std::nullopt;
    // Mapped lazily: the pages are in memory already, and reading them in order faults them in by
    // the batch, cheaper than populating the whole mapping up front.
    void* address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED)
        return std::nullopt;
    QImage image(static_cast<uchar*>(address), reply.width, reply.height, qsizetype(reply.stride), kBitmapFormat,
                 unmap, new Mapping{address, size});
    image.setColorSpace(QColorSpace::SRgb);
    return Bitmap::fromImage(std::move(image));
}

// The metadata a helper wrote, each block within the size a reader keeps; nullopt otherwise.
std::optional<ImageMetadata> readMetadataFile(int fd, const Reply& reply)
{
    const std::array<qint64, 3> sizes{reply.metadataSizes[0], reply.metadataSizes[1], reply.metadataSizes[2]};
    if (std::any_of(sizes.begin(), sizes.end(), [](qint64 size) { return size > kMaxMetadataBlockBytes; }))
        return std::nullopt;
    const qint64 total = sizes[0] + sizes[1] + sizes[2];
    struct stat status {};
    if (fstat(fd, &status) != 0 || status.st_size != total || !(fcntl(fd, F_GET_SEALS) & F_SEAL_SHRINK))
        return std::nullopt;
    QByteArray joined(total, Qt::Uninitialized);
    if (total > 0 && pread(fd, joined.data(), std::size_t(total), 0) != ssize_t(total))
        return std::nullopt;
    return ImageMetadata{joined.left(sizes[0]), joined.mid(sizes[0], sizes[1]), joined.right(sizes[2])};
}

// The error a helper wrote into a memory file: message, a zero byte, detail. Always a read error,
// whatever the file says its message is.
FileError errorFromFile(int fd)
{
    constexpr qsizetype kMaxText = 4096;
    QByteArray text(kMaxText, Qt::Uninitialized);
    const ssize_t got = pread(fd, text.data(), std::size_t(kMaxText), 0);
    text.resize(got > 0 ? qsizetype(got) : 0);
    const qsizetype split = text.indexOf('\0');
    if (split < 0)
        return FileError::imageUnreadable();
    return FileError{FileError::kReadCorrupt, QString::fromUtf8(text.left(split)),
                     QString::fromUtf8(text.mid(split + 1))};
}

}  // namespace

// One helper process and its end of the socket.
class DecodeHelperPool::Helper {
public:
    // A helper on its way: serve() waits for it to say it is ready.
    static std::unique_ptr<Helper> start(const QString& executable, QString& failure);
    // A copy of this process serving as a helper, or null.
    static std::unique_ptr<Helper> fork(const QString& executable);
    ~Helper() { end(); }

    struct Outcome {
        Decoded result;
        bool usable = false;       // the helper can serve the next request
        bool neverReached = false; // the helper was gone before the request reached it
        ImageMetadata metadata = {};
    };
    Outcome serve(const DecodeHelperPool::Request& request, std::chrono::milliseconds baseTimeout);

private:
    Helper(pid_t pid, int socket, QString executable)
        : pid_(pid), socket_(socket), executable_(std::move(executable))
    {
    }
    bool awaitReady();
    void end();
    QString reasonForEnd();

    pid_t pid_;
    int socket_;
    QString executable_;
    bool ready_ = false;
};

std::unique_ptr<DecodeHelperPool::Helper> DecodeHelperPool::Helper::start(const QString& executable, QString& failure)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        failure = QStringLiteral("the decoder could not be started (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const QByteArray program = QFile::encodeName(executable);
    char* arguments[] = {const_cast<char*>(program.constData()), const_cast<char*>(kDecodeHelperArgument), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(ends[1]);
    if (spawned != 0) {
        close(ends[0]);
        failure = QStringLiteral("the decoder could not be started (%1: %2)")
                      .arg(executable, QString::fromLocal8Bit(std::strerror(spawned)));
        return nullptr;
    }
    return std::unique_ptr<Helper>(new Helper(pid, ends[0], executable));
}

std::unique_ptr<DecodeHelperPool::Helper> DecodeHelperPool::Helper::fork(const QString& executable)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return nullptr;
    const pid_t pid = ::fork();
    if (pid == 0) {
        close(ends[0]);
        // Told apart from the editor in process lists.
        prctl(PR_SET_NAME, kForkedHelperName);
        sigset_t noSignals;
        sigemptyset(&noSignals);
        sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        static char program[] = "velmaris-decode-helper";
        static char argument[sizeof(kDecodeHelperArgument)];
        std::memcpy(argument, kDecodeHelperArgument, sizeof(argument));
        char* arguments[] = {program, argument, nullptr};
        _exit(serveRequests(ends[1], 2, arguments));
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return nullptr;
    }
    return std::unique_ptr<Helper>(new Helper(pid, ends[0], executable));
}

// A program that is not this one (or an older build of it) never says it is ready.
bool DecodeHelperPool::Helper::awaitReady()
{
    if (ready_)
        return true;
    pollfd ready{socket_, POLLIN, 0};
    Reply reply;
    int fd = -1;
    int polled;
    do
        polled = poll(&ready, 1, 10000);
    while (polled < 0 && errno == EINTR);
    ready_ = polled == 1 && receiveMessage(socket_, &reply, sizeof(reply), fd) == 1 && reply.magic == kMagic
        && reply.kind == ReplyKind::ready;
    if (fd >= 0)
        close(fd);
    return ready_;
}

void DecodeHelperPool::Helper::end()
{
    if (socket_ >= 0)
        close(socket_);
    socket_ = -1;
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

// Why a helper closed its end of the socket: it has ended, or is about to.
QString DecodeHelperPool::Helper::reasonForEnd()
{
    int status = 0;
    pid_t ended = 0;
    for (int wait = 0; wait < 100 && ended == 0; ++wait) {
        ended = waitpid(pid_, &status, WNOHANG);
        if (ended == 0)
            usleep(10000);
    }
    if (ended != pid_)
        return QStringLiteral("the decoder stopped answering");
    pid_ = -1;
    if (WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGXCPU)
            return QStringLiteral("the decoder ran out of processor time");
        return QStringLiteral("the decoder crashed (signal %1)").arg(WTERMSIG(status));
    }
    return QStringLiteral("the decoder ended unexpectedly (exit status %1)").arg(WEXITSTATUS(status));
}

DecodeHelperPool::Helper::Outcome DecodeHelperPool::Helper::serve(const DecodeHelperPool::Request& request,
                                                                 std::chrono::milliseconds baseTimeout)
{
    const FileError unreadable = FileError::imageUnreadable();
    // Gone before it was ready (ended while idle, or not this program at all): tried once more.
    if (!awaitReady())
        return {unreadable.because(QStringLiteral("the decoder did not start (%1)").arg(executable_)), false, true};
    const qint64 dataBytes = request.data.size();
    int dataFile = -1;
    if (request.kind == RequestKind::decode || request.kind == RequestKind::decodeDocument) {
        dataFile = memoryFileWith(request.data.constData(), std::size_t(dataBytes), false);
        if (dataFile < 0)
            return {unreadable.because(QStringLiteral("no memory for the decoder's data")), true};
    }
    const Clock::time_point started = Clock::now();
    const double pixelsPerSecond = decodePixelsPerSecond(request.data);
    constexpr qint64 largestImage = kMaxBitmapBytes / 4;
    // A layered document declares no size up front: it may take as long as the largest image. Its
    // structure and declared sizes are checked before any pixel is decoded, so hostile data still
    // ends early.
    Clock::duration allowed = allowance(baseTimeout, dataBytes,
                                        request.kind == RequestKind::decodeDocument ? largestImage : 0, pixelsPerSecond);
    decodehelper::Request message;
    message.kind = request.kind;
    message.type = request.type;
    message.dataSize = quint64(dataBytes);
    message.withMetadata = request.withMetadata;
    // The processor-time limit is a backstop behind the clock below: twice the longest wait.
    message.cpuSeconds = quint32(
        std::ceil(2 * std::chrono::duration<double>(allowance(baseTimeout, dataBytes, largestImage, pixelsPerSecond)).count()));
    const bool sent = sendMessage(socket_, &message, sizeof(message), dataFile);
    if (dataFile >= 0)
        close(dataFile);
    if (!sent)
        return {unreadable.because(reasonForEnd()), false, true};
    bool sizeDeclared = false;
    ImageMetadata metadata;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(started + allowed - Clock::now());
        pollfd answer{socket_, POLLIN, 0};
        if (left.count() <= 0 || poll(&answer, 1, int(left.count()) + 1) <= 0) {
            if (Clock::now() < started + allowed)
                continue;
            return {unreadable.because(QStringLiteral("the decoder took longer than %1 s").arg(seconds(allowed))), false};
        }
        Reply reply;
        int fd = -1;
        const int received = receiveMessage(socket_, &reply, sizeof(reply), fd);
        if (received <= 0 || reply.magic != kMagic) {
            if (fd >= 0)
                close(fd);
            return {unreadable.because(reasonForEnd()), false};
        }
        switch (reply.kind) {
        case ReplyKind::declaredSize:
            if (!sizeDeclared && reply.width > 0 && reply.height > 0)
                allowed = allowance(baseTimeout, dataBytes, std::min(qint64(reply.width) * reply.height, largestImage),
                                    pixelsPerSecond);
            sizeDeclared = true;
            break;
        case ReplyKind::decoded: {
            std::optional<Bitmap> bitmap = fd >= 0 ? mapPixels(fd, reply) : std::nullopt;
            if (fd >= 0)
                close(fd);
            if (!bitmap)
                return {unreadable.because(QStringLiteral("the decoder's pixels could not be taken over")), false};
            return {std::move(*bitmap), true, false, std::move(metadata)};
        }
        case ReplyKind::metadata: {
            std::optional<ImageMetadata> read = fd >= 0 ? readMetadataFile(fd, reply) : std::nullopt;
            if (fd >= 0)
                close(fd);
            if (!read)
                return {unreadable.because(QStringLiteral("the decoder's metadata could not be taken over")), false};
            metadata = std::move(*read);
            continue;
        }
        case ReplyKind::decodedDocument: {
            std::optional<NativeDocument> document = fd >= 0 ? documentFromFile(fd) : std::nullopt;
            if (fd >= 0)
                close(fd);
            if (!document)
                return {unreadable.because(QStringLiteral("the decoder's document could not be taken over")), false};
            return {std::move(*document), true};
        }
        case ReplyKind::unreadable: {
            FileError error = fd >= 0 ? errorFromFile(fd) : unreadable;
            if (fd >= 0)
                close(fd);
            return {std::move(error), true};
        }
        case ReplyKind::outOfMemory:
            return {unreadable.because(QStringLiteral("the decoder ran out of memory (limit %1 GiB)")
                                           .arg(kDecodeHelperAddressSpace >> 30)),
                    false};
        case ReplyKind::ready:
            break;
        }
        if (fd >= 0)
            close(fd);
    }
}

DecodeHelperPool::~DecodeHelperPool() = default;

std::unique_ptr<DecodeHelperPool::Helper> DecodeHelperPool::take(QString& failure)
{
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return !idle_.empty() || running_ < maxHelpers_; });
    if (!idle_.empty()) {
        std::unique_ptr<Helper> helper = std::move(idle_.back());
        idle_.pop_back();
        return helper;
    }
    ++running_;
    lock.unlock();
    std::unique_ptr<Helper> helper = Helper::start(executable_, failure);
    if (!helper)
        giveBack(nullptr);
    return helper;
}

bool DecodeHelperPool::reserveAhead()
{
    const std::lock_guard lock(mutex_);
    if (!idle_.empty() || running_ >= maxHelpers_)
        return false;
    ++running_;
    return true;
}

void DecodeHelperPool::startAhead()
{
    QString failure;
    // A helper that cannot start is left to the first decode to report.
    if (reserveAhead())
        giveBack(Helper::start(executable_, failure));
}

void DecodeHelperPool::forkAhead()
{
    // A copy of a process with other threads could inherit locks they hold, and one with an
    // application object could not make its own.
    const QDir threads(QStringLiteral("/proc/self/task"), {}, QDir::NoSort, QDir::Dirs | QDir::NoDotAndDotDot);
    if (QCoreApplication::instance() || threads.count() != 1)
        startAhead();
    else if (reserveAhead())
        giveBack(Helper::fork(executable_));
}

void DecodeHelperPool::giveBack(std::unique_ptr<Helper> helper)
{
    {
        const std::lock_guard lock(mutex_);
        if (helper)
            idle_.push_back(std::move(helper));
        else
            --running_;
    }
    released_.notify_one();
}

DecodeHelperPool::Decoded DecodeHelperPool::run(const Request& request, ImageMetadata* metadata)
{
    // A helper that went away while idle or before it was ready is replaced once.
    for (int attempt = 0;; ++attempt) {
        QString failure;
        std::unique_ptr<Helper> helper = take(failure);
        if (!helper)
            return FileError::imageUnreadable().because(failure);
        Helper::Outcome outcome = helper->serve(request, baseTimeout_);
        if (!outcome.usable)
            helper.reset();
        giveBack(std::move(helper));
        if (!outcome.neverReached || attempt > 0) {
            if (metadata && std::holds_alternative<Bitmap>(outcome.result))
                *metadata = std::move(outcome.metadata);
            return std::move(outcome.result);
        }
    }
}

#else

// Portable fallback: see DecodeHelperServer.cpp. Decoding stays in this process, without limits.
class DecodeHelperPool::Helper {};

DecodeHelperPool::~DecodeHelperPool() = default;

void DecodeHelperPool::startAhead() {}

void DecodeHelperPool::forkAhead() {}

DecodeHelperPool::Decoded DecodeHelperPool::run(const Request& request, ImageMetadata* metadata)
{
    if (request.kind == decodehelper::RequestKind::decodeDocument) {
        FileResult<NativeDocument> document = readLayeredDocument(request.data, LayeredFormat(request.type));
        if (auto* error = std::get_if<FileError>(&document))
            return std::move(*error);
        return std::get<NativeDocument>(std::move(document));
    }
    if (request.kind != decodehelper::RequestKind::decode)
        return FileError::imageUnreadable().because(QStringLiteral("there is no decode helper on this system"));
    if (std::optional<Bitmap> bitmap = decodeImageData(request.data, ImageType(request.type))) {
        if (metadata && ImageType(request.type) != ImageType::svg)
            *metadata = readImageMetadata(request.data);
        return std::move(*bitmap);
    }
    return FileError::imageUnreadable();
}

#endif

}  // namespace velmaris
