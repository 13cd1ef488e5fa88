// The decode helper's side: this executable run with --decode-helper.
#include "files/DecodeHelper.h"

#include "files/DecodeHelperChannel.h"
#include "files/DecodeHelperDocument.h"
#include "files/ImageDecoder.h"
#include "files/ImageMetadataIO.h"
#include "files/LayeredDocument.h"
#include "files/PNGDecoder.h"
#include "files/PhotoFormat.h"
#include "render/Parallel.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#ifdef Q_OS_LINUX
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <poll.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <atomic>
#include <system_error>
#include <thread>
#endif

namespace velmaris {

#ifdef Q_OS_LINUX

namespace {

using namespace decodehelper;

int channel = -1;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kLimitAddressSpace = false;  // the sanitizers' shadow memory alone takes terabytes
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

void limitResources()
{
    if (kLimitAddressSpace) {
        const rlimit addressSpace{rlim_t(kDecodeHelperAddressSpace), rlim_t(kDecodeHelperAddressSpace)};
        setrlimit(RLIMIT_AS, &addressSpace);
    }
    // Every malloc arena reserves 64 MB of address space; one per thread would eat the limit on a
    // machine with many cores.
    mallopt(M_ARENA_MAX, 2);
    // A crash is reported to the caller; a core file would only take time and disk.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
}

// The processor-time limit counts the whole life of the process: each request gets its own
// allowance on top of what earlier ones used. It ends a helper whose caller is gone; the caller's
// own clock is the limit that normally applies first.
void allowProcessorTime(quint32 seconds)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    rlimit limit{};
    getrlimit(RLIMIT_CPU, &limit);
    limit.rlim_cur = rlim_t(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1 + seconds);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max)
        limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_CPU, &limit);
}

void reply(ReplyKind kind, int width = 0, int height = 0, qint64 stride = 0, int fd = -1)
{
    Reply message;
    message.kind = kind;
    message.width = width;
    message.height = height;
    message.stride = stride;
    sendMessage(channel, &message, sizeof(message), fd);
}

// Metadata goes in a memory file of its own: a profile or EXIF block may be larger than a message.
void replyMetadata(const ImageMetadata& metadata)
{
    if (metadata.isEmpty())
        return;
    const QByteArray joined = metadata.exif + metadata.xmp + metadata.iccProfile;
    const int fd = memoryFileWith(joined.constData(), std::size_t(joined.size()), true);
    if (fd < 0)
        return;
    Reply message;
    message.kind = ReplyKind::metadata;
    message.metadataSizes[0] = quint32(metadata.exif.size());
    message.metadataSizes[1] = quint32(metadata.xmp.size());
    message.metadataSizes[2] = quint32(metadata.iccProfile.size());
    sendMessage(channel, &message, sizeof(message), fd);
    close(fd);
}

// The SVG library and GLib abort when an allocation fails, leaving errno at ENOMEM: the caller
// learns that it was memory before it sees the helper end.
void onAbort(int)
{
    if (errno == ENOMEM) {
        Reply message;
        message.kind = ReplyKind::outOfMemory;
        sendMessage(channel, &message, sizeof(message));
    }
    signal(SIGABRT, SIG_DFL);
    raise(SIGABRT);
}

std::optional<QSize> declaredRasterSize(const QByteArray& data)
{
    if (photoTypeOf(data))
        return declaredPhotoSize(data);
    const std::optional<QByteArray> format = rasterFormatName(data);
    if (!format)
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    QImageReader reader(&buffer, *format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    return size.isValid() ? std::optional(size) : std::nullopt;
}

// A memory file the pixels are decoded straight into, mapped for writing until it is handed over.
// Its pages are allocated and mapped on a second thread, ahead of the decoder filling them from the
// front: one fault per 4 KiB page, each clearing its page, would otherwise cost the decoding thread
// a third of its time.
class PixelFile {
public:
    explicit PixelFile(std::size_t size) : fd_(memoryFileOfSize(size)), size_(size)
    {
        if (fd_ >= 0)
            address_ = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (address_ != MAP_FAILED) {
            // Without the thread (or on kernels before 5.14) the decoder's own faults do the same.
            try {
                populating_ = std::thread([this] { populate(); });
            } catch (const std::system_error&) {
            }
        }
    }
    ~PixelFile()
    {
        finishPopulating();
        if (address_ != MAP_FAILED)
            munmap(address_, size_);
        if (fd_ >= 0)
            close(fd_);
    }
    PixelFile(const PixelFile&) = delete;
    PixelFile& operator=(const PixelFile&) = delete;

    // Null when the file could not be made.
    std::uint8_t* bytes() const { return address_ == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(address_); }
    std::size_t size() const { return size_; }
    // The first `used` bytes as a sealed file, now the caller's to close; -1 on failure.
    int release(std::size_t used)
    {
        finishPopulating();
        if (!bytes() || used > size_ || (used < size_ && ftruncate(fd_, off_t(used)) != 0) || !sealSize(fd_))
            return -1;
        return std::exchange(fd_, -1);
    }

private:
    // In steps, so that a decode that fails early (or a hostile declared size) stops it soon.
    void populate()
    {
        constexpr std::size_t kStep = std::size_t(4) << 20;
        for (std::size_t at = 0; at < size_ && !stop_.load(std::memory_order_relaxed); at += kStep)
            if (madvise(bytes() + at, std::min(kStep, size_ - at), MADV_POPULATE_WRITE) != 0)
                return;
    }
    void finishPopulating()
    {
        stop_ = true;
        if (populating_.joinable())
            populating_.join();
    }

    int fd_;
    void* address_ = MAP_FAILED;
    std::size_t size_;
    std::atomic<bool> stop_ = false;
    std::thread populating_;
};

// Converts the images JPEG gives (opaque RGB, grey) into bitmap rows in one pass, which may be the
// image's own pixels; false for any other image, which goes through Bitmap::fromImage.
bool convertOpaqueInto(const QImage& image, std::uint8_t* pixels)
{
    const bool srgb = !image.colorSpace().isValid() || image.colorSpace() == QColorSpace(QColorSpace::SRgb);
    const QImage::Format format = image.format();
    if (!srgb || (format != QImage::Format_RGB32 && format != QImage::Format_Grayscale8))
        return false;
    const int width = image.width();
    parallelRows(image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            auto* out = reinterpret_cast<quint32*>(pixels + qsizetype(y) * width * 4);
            if (format == QImage::Format_RGB32) {
                const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                // 0xffRRGGBB to the bytes R, G, B, 255.
                for (int x = 0; x < width; ++x)
                    out[x] = qToLittleEndian(0xff000000u | (in[x] & 0xff00u) | (in[x] & 0xffu) << 16 | (in[x] >> 16 & 0xffu));
            } else {
                const std::uint8_t* in = image.constScanLine(y);
                for (int x = 0; x < width; ++x)
                    out[x] = qToLittleEndian(0xff000000u | quint32(in[x]) * 0x010101u);
            }
        }
    });
    return true;
}

// What a decode leaves to free: freed after the reply, the caller need not wait for it.
struct DecodeScratch {
    std::optional<FastPNG> png;
    std::optional<PixelFile> file;
};

// The pixels decoded into a sealed memory file: its descriptor, and the image's size in `size`;
// -1 when the data cannot be read. The memory file is made first, from the declared size, and
// PNG and JPEG are decoded straight into it.
int decodeIntoFile(const QByteArray& data, ImageType type, const std::optional<QSize>& declared, QSize& size,
                   DecodeScratch& scratch)
{
    std::optional<Bitmap> bitmap;
    // An image read into the file may be converted from there.
    std::optional<PixelFile>& file = scratch.file;
    // The photo decoders make their own buffers, copied into the file below.
    if (type == ImageType::svg || photoTypeOf(data)) {
        bitmap = decodeImageData(data, type);
    } else {
        // Made from the declared size before the data is parsed, so that its pages are on their way
        // meanwhile: the pixels, and PNG's filtered rows (a byte longer each) inflated into them.
        const bool sized = declared && bitmapSizeAllowed(declared->width(), declared->height());
        const std::size_t declaredBytes = sized ? std::size_t(declared->width()) * std::size_t(declared->height()) * 4 : 0;
        if (sized)
            file.emplace(declaredBytes + std::size_t(declared->height()));
        scratch.png = FastPNG::read(data);
        if (const std::optional<FastPNG>& png = scratch.png) {
            if (!file || !file->bytes() || file->size() < png->bufferSize())
                file.emplace(png->bufferSize());
            if (file->bytes() && png->decodeInto(file->bytes())) {
                size = png->size();
                return file->release(std::size_t(size.width()) * std::size_t(size.height()) * 4);
            }
            // Damaged image data: the general decoder has its say, on clear pages.
            file.reset();
            if (sized)
                file.emplace(declaredBytes);
        }
        // Opaque RGB comes as four bytes a pixel: read into the file, it is converted in place.
        QImage into;
        if (sized && file && file->bytes() && file->size() >= declaredBytes)
            into = QImage(file->bytes(), declared->width(), declared->height(), qsizetype(declared->width()) * 4,
                          QImage::Format_RGB32);
        std::optional<QImage> image = readRasterImage(data, std::move(into));
        if (!image)
            return -1;
        // Turned upright or otherwise not the declared size: a file of the image's own size.
        if (!file || !file->bytes() || image->size() != *declared)
            file.emplace(std::size_t(image->width()) * std::size_t(image->height()) * 4);
        if (file->bytes() && convertOpaqueInto(*image, file->bytes())) {
            size = image->size();
            return file->release(std::size_t(size.width()) * std::size_t(size.height()) * 4);
        }
        bitmap = Bitmap::fromImage(std::move(*image));
    }
    if (!bitmap || bitmap->isNull())
        return -1;
    size = bitmap->size();
    return memoryFileWith(bitmap->bits(), std::size_t(bitmap->byteCount()), true);
}

// A request's data, mapped from its memory file while this lives.
class RequestData {
public:
    RequestData(const Request& request, int dataFile) : size_(std::size_t(request.dataSize))
    {
        if (size_ > 0)
            address_ = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, dataFile, 0);
    }
    ~RequestData() { unmap(); }
    RequestData(const RequestData&) = delete;
    RequestData& operator=(const RequestData&) = delete;

    bool isMapped() const { return address_ != MAP_FAILED; }
    QByteArray bytes() const
    {
        return QByteArray::fromRawData(static_cast<const char*>(address_), qsizetype(size_));
    }
    // Done with the data: its memory goes back.
    void unmap()
    {
        if (address_ && address_ != MAP_FAILED)
            munmap(address_, size_);
        address_ = nullptr;
    }

private:
    std::size_t size_;
    void* address_ = nullptr;
};

void decode(const Request& request, int dataFile)
{
    RequestData mapped(request, dataFile);
    if (!mapped.isMapped()) {
        reply(ReplyKind::unreadable);
        return;
    }
    const QByteArray data = mapped.bytes();
    const auto type = ImageType(request.type);
    allowProcessorTime(request.cpuSeconds);
    std::optional<QSize> declared;
    if (type != ImageType::svg) {
        declared = declaredRasterSize(data);
        if (declared)
            reply(ReplyKind::declaredSize, declared->width(), declared->height());
    }
    QSize size;
    DecodeScratch scratch;
    const int pixels = decodeIntoFile(data, type, declared, size, scratch);
    if (pixels >= 0 && request.withMetadata && type != ImageType::svg)
        replyMetadata(readImageMetadata(data));
    if (pixels < 0) {
        reply(ReplyKind::unreadable);
        return;
    }
    reply(ReplyKind::decoded, size.width(), size.height(), qint64(size.width()) * 4, pixels);
    close(pixels);
}

// The error for the caller: message, a zero byte, detail, in a memory file with the reply.
void replyUnreadable(const FileError& error)
{
    const QByteArray text = error.message.toUtf8() + '\0' + error.detail.toUtf8();
    const int fd = memoryFileWith(text.constData(), std::size_t(text.size()), true);
    reply(ReplyKind::unreadable, 0, 0, 0, fd);
    if (fd >= 0)
        close(fd);
}

void decodeDocument(const Request& request, int dataFile)
{
    RequestData mapped(request, dataFile);
    if (!mapped.isMapped()) {
        reply(ReplyKind::unreadable);
        return;
    }
    allowProcessorTime(request.cpuSeconds);
    const FileResult<NativeDocument> document = readLayeredDocument(mapped.bytes(), LayeredFormat(request.type));
    mapped.unmap();
    if (const auto* error = std::get_if<FileError>(&document)) {
        replyUnreadable(*error);
        return;
    }
    QString failure;
    const int fd = documentFile(std::get<NativeDocument>(document), failure);
    if (fd < 0) {
        replyUnreadable(FileError::imageUnreadable().because(failure));
        return;
    }
    reply(ReplyKind::decodedDocument, 0, 0, 0, fd);
    close(fd);
}

// A helper whose editor has gone (quit, crashed, killed) stops at once, even in the middle of a
// decode: the editor's end of the channel closing is the signal.
void exitWhenCallerGoes()
{
    std::thread([] {
        pollfd watched{channel, POLLRDHUP, 0};
        while (poll(&watched, 1, -1) < 0 && errno == EINTR) {
        }
        _exit(0);
    }).detach();
}

}  // namespace

int decodehelper::serveRequests(int socket, int argc, char** argv)
{
    limitResources();
    channel = socket;
    // Nothing a library prints can be taken for a message: stdin is empty, and what goes to stdout
    // goes to stderr.
    const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
    dup2(nothing, STDIN_FILENO);
    close(nothing);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    struct sigaction abortAction {};
    abortAction.sa_handler = onAbort;
    sigaction(SIGABRT, &abortAction, nullptr);
    exitWhenCallerGoes();

    QCoreApplication application(argc, argv);  // the image format plugins are found through it
    reply(ReplyKind::ready);
    for (;;) {
        Request request;
        int dataFile = -1;
        const int received = receiveMessage(channel, &request, sizeof(request), dataFile);
        const quint32 types = request.kind == RequestKind::decodeDocument ? kLayeredFormatCount
                                                                          : quint32(kImageTypeCount);
        if (received <= 0 || request.magic != kMagic || request.type >= types) {
            if (dataFile >= 0)
                close(dataFile);
            return received == 0 ? 0 : 1;
        }
        try {
            switch (request.kind) {
            case RequestKind::decode:
                decode(request, dataFile);
                break;
            case RequestKind::decodeDocument:
                decodeDocument(request, dataFile);
                break;
            case RequestKind::crash:
                errno = 0;
                abort();
            case RequestKind::exhaustMemory:
                ::operator delete(::operator new(std::size_t(kDecodeHelperAddressSpace)));
                reply(ReplyKind::unreadable);
                break;
            case RequestKind::exhaustMemoryAndAbort: {
                // Volatile: an allocation whose memory is never used may be left out.
                void* volatile memory = std::malloc(std::size_t(kDecodeHelperAddressSpace));
                if (!memory)
                    abort();
                std::free(memory);
                reply(ReplyKind::unreadable);
                break;
            }
            }
        } catch (const std::bad_alloc&) {
            reply(ReplyKind::outOfMemory);
            return 1;
        }
        if (dataFile >= 0)
            close(dataFile);
    }
}

std::optional<int> runDecodeHelperIfAsked(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], kDecodeHelperArgument) != 0)
        return std::nullopt;
    // The channel moves off stdin and stdout, where the caller put it.
    const int socket = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    if (socket < 0)
        return 1;
    return decodehelper::serveRequests(socket, argc, argv);
}

#else

// Portable fallback: without Linux's memory files and descriptor passing there is no helper, and
// decoding stays in the process (DecodeHelperPool::decode), without limits.
std::optional<int> runDecodeHelperIfAsked(int, char**)
{
    return std::nullopt;
}

#endif

}  // namespace velmaris
