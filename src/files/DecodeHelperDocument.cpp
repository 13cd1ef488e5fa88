#include "files/DecodeHelperDocument.h"

#include "files/DecodeHelperChannel.h"

#include <QColorSpace>

#include <tbb/parallel_for.h>

#include <cstring>
#include <memory>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmaris::decodehelper {

#ifdef Q_OS_LINUX

namespace {

constexpr quint64 kDocumentMagic = 0x5644484c61796572;  // changes with the layout below
constexpr quint64 kMaxLayers = 1 << 16;
constexpr quint64 kPixelAlignment = 64;

struct Header {
    quint64 magic = kDocumentMagic;
    quint64 recordBytes = 0;
    quint64 layerCount = 0;
};

// Width 0 for a layer without pixels (text).
struct LayerEntry {
    qint32 width = 0;
    qint32 height = 0;
    quint64 offset = 0;
};

quint64 aligned(quint64 offset)
{
    return (offset + kPixelAlignment - 1) / kPixelAlignment * kPixelAlignment;
}

// A file mapped once for all the layers that point into it; unmapped with the last of them.
struct Mapping {
    void* address;
    std::size_t size;
    ~Mapping() { munmap(address, size); }
};

void release(void* info)
{
    delete static_cast<std::shared_ptr<Mapping>*>(info);
}

}  // namespace

int documentFile(const NativeDocument& document, QString& failure)
{
    std::optional<BitmapBuilder> pixel = BitmapBuilder::create(1, 1);
    if (!pixel) {
        failure = QStringLiteral("no memory for the document");
        return -1;
    }
    const Bitmap placeholder = std::move(*pixel).build();
    NativeDocument outline = document;
    std::vector<LayerEntry> entries(std::size_t(outline.state.layers.size()));
    for (qsizetype i = 0; i < outline.state.layers.size(); ++i) {
        Layer& layer = outline.state.layers[i];
        if (const Bitmap* bitmap = layer.bitmap()) {
            entries[std::size_t(i)].width = bitmap->width();
            entries[std::size_t(i)].height = bitmap->height();
            layer.content = placeholder;
        }
    }
    const FileResult<QByteArray> encoded = writeNativeDocument(outline);
    const auto* record = std::get_if<QByteArray>(&encoded);
    if (!record) {
        failure = QStringLiteral("the document could not be handed over");
        return -1;
    }
    Header header;
    header.recordBytes = quint64(record->size());
    header.layerCount = entries.size();
    quint64 size = sizeof(Header) + entries.size() * sizeof(LayerEntry) + header.recordBytes;
    for (LayerEntry& entry : entries) {
        if (entry.width == 0)
            continue;
        entry.offset = aligned(size);
        size = entry.offset + quint64(entry.width) * quint64(entry.height) * 4;
    }
    const int fd = memoryFileOfSize(std::size_t(size));
    void* address = fd >= 0 ? mmap(nullptr, std::size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (address == MAP_FAILED) {
        if (fd >= 0)
            close(fd);
        failure = QStringLiteral("no memory for the document's pixels");
        return -1;
    }
    auto* bytes = static_cast<char*>(address);
    std::memcpy(bytes, &header, sizeof(Header));
    std::memcpy(bytes + sizeof(Header), entries.data(), entries.size() * sizeof(LayerEntry));
    std::memcpy(bytes + sizeof(Header) + entries.size() * sizeof(LayerEntry), record->constData(), record->size());
    tbb::parallel_for(qsizetype(0), document.state.layers.size(), [&](qsizetype i) {
        const Bitmap* bitmap = document.state.layers[i].bitmap();
        if (!bitmap)
            return;
        const qsizetype rowBytes = qsizetype(bitmap->width()) * 4;
        char* out = bytes + entries[std::size_t(i)].offset;
        for (int y = 0; y < bitmap->height(); ++y)
            std::memcpy(out + y * rowBytes, bitmap->row(y), std::size_t(rowBytes));
    });
    munmap(address, std::size_t(size));
    if (!sealSize(fd)) {
        close(fd);
        failure = QStringLiteral("the document's pixels could not be sealed");
        return -1;
    }
    return fd;
}

std::optional<NativeDocument> documentFromFile(int fd)
{
    struct stat status {};
    // Sealed against shrinking: the pages cannot vanish under the bitmaps.
    if (fstat(fd, &status) != 0 || status.st_size < qint64(sizeof(Header)) || !(fcntl(fd, F_GET_SEALS) & F_SEAL_SHRINK))
        return std::nullopt;
    const auto size = quint64(status.st_size);
    void* address = mmap(nullptr, std::size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED)
        return std::nullopt;
    const std::shared_ptr<Mapping> mapping(new Mapping{address, std::size_t(size)});
    const auto* bytes = static_cast<const char*>(address);
    Header header;
    std::memcpy(&header, bytes, sizeof(Header));
    if (header.magic != kDocumentMagic || header.layerCount > kMaxLayers
        || header.recordBytes > size - sizeof(Header) - header.layerCount * sizeof(LayerEntry))
        return std::nullopt;
    std::vector<LayerEntry> entries(std::size_t(header.layerCount));
    std::memcpy(entries.data(), bytes + sizeof(Header), entries.size() * sizeof(LayerEntry));
    const QByteArray record(bytes + sizeof(Header) + entries.size() * sizeof(LayerEntry),
                            qsizetype(header.recordBytes));
    FileResult<NativeDocument> read = readNativeDocument(record);
    auto* document = std::get_if<NativeDocument>(&read);
    if (!document || quint64(document->state.layers.size()) != header.layerCount)
        return std::nullopt;
    for (qsizetype i = 0; i < document->state.layers.size(); ++i) {
        Layer& layer = document->state.layers[i];
        const LayerEntry& entry = entries[std::size_t(i)];
        if (layer.isText() != (entry.width == 0))
            return std::nullopt;
        if (layer.isText())
            continue;
        const quint64 layerBytes = quint64(entry.width) * quint64(entry.height) * 4;
        if (!bitmapSizeAllowed(entry.width, entry.height) || entry.offset % 4 != 0 || entry.offset > size
            || layerBytes > size - entry.offset)
            return std::nullopt;
        QImage image(reinterpret_cast<uchar*>(const_cast<char*>(bytes + entry.offset)), entry.width, entry.height,
                     qsizetype(entry.width) * 4, kBitmapFormat, release, new std::shared_ptr<Mapping>(mapping));
        image.setColorSpace(QColorSpace::SRgb);
        layer.content = Bitmap::fromImage(std::move(image));
    }
    return std::move(*document);
}

#else

int documentFile(const NativeDocument&, QString& failure)
{
    failure = QStringLiteral("there is no decode helper on this system");
    return -1;
}

std::optional<NativeDocument> documentFromFile(int)
{
    return std::nullopt;
}

#endif

}  // namespace velmaris::decodehelper
