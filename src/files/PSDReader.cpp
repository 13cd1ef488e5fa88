#include "files/PSDDocument.h"

#include "files/PSDChannels.h"
#include "files/VelmarisImageFormat.h"

#include <algorithm>
#include <array>

namespace velmaris {

namespace {

using namespace psd;

FileError unreadable(const QString& reason)
{
    return FileError::imageUnreadable().because(reason);
}


struct Header {
    int channels = 0;
    int width = 0;
    int height = 0;
    int depth = 8;
    int mode = rgbMode;
    int bytesPerSample() const { return depth / 8; }
    int colorChannels() const { return mode == grayscaleMode ? 1 : 3; }
};

std::optional<Bitmap> transparentPixel()
{
    auto builder = BitmapBuilder::create(1, 1);
    return builder ? std::optional(std::move(*builder).build()) : std::nullopt;
}

struct ChannelRecord {
    int id = 0;
    qint64 length = 0;
    Reader data;
};

// The user mask's place and fill as a layer record gives them.
struct MaskRecord {
    qint64 top = 0, left = 0, bottom = 0, right = 0;
    std::uint8_t fill = 255;
    bool disabled = false;
};

struct LayerRecord {
    qint64 top = 0, left = 0, bottom = 0, right = 0;
    std::optional<MaskRecord> mask;
    QVector<ChannelRecord> channels;
    QByteArray blendKey;
    int opacity = 255;
    int flags = 0;
    QString name;
    std::optional<quint32> section;
    bool locked = false;
    QString note;
    int width() const { return int(right - left); }
    int height() const { return int(bottom - top); }
};

struct LayerInfo {
    QVector<LayerRecord> records;
    bool mergedHasAlpha = false;
};

bool isAdjustmentKey(const QByteArray& key)
{
    static const QList<QByteArray> keys{"levl", "curv", "brit", "hue ", "hue2", "blnc", "phfl", "mixr", "selc",
                                        "nvrt", "post", "thrs", "grdm", "expA", "vibA", "clrL", "blwh", "SoCo",
                                        "GdFl", "PtFl"};
    return keys.contains(key);
}

// The tagged blocks at the end of a layer record: the Unicode name, the folder role, locks, and
// what kind of layer this is.
void readLayerBlocks(Reader& blocks, LayerRecord& record)
{
    while (blocks.remaining() >= 12) {
        const QByteArray signature = blocks.key();
        if (signature != kBlockSignature && signature != "8B64")
            return;
        const QByteArray key = blocks.key();
        Reader block = blocks.lengthSection();
        if (blocks.failed())
            return;
        if (key == "luni") {
            const quint32 count = block.u32();
            const uchar* text = block.take(qsizetype(count) * 2);
            if (text) {
                QString name(qsizetype(count), Qt::Uninitialized);
                for (quint32 i = 0; i < count; ++i)
                    name[i] = QChar(char16_t((text[2 * i] << 8) | text[2 * i + 1]));
                while (name.endsWith(QChar(0)))
                    name.chop(1);
                record.name = name;
            }
        } else if (key == "lsct" || key == "lsdk") {
            const quint32 type = block.u32();
            if (!block.failed())
                record.section = type;
        } else if (key == "lspf") {
            const quint32 flags = block.u32();
            record.locked = !block.failed() && ((flags & 0x80000000u) || (flags & 7u) == 7u);
        } else if (isAdjustmentKey(key)) {
            record.note = QStringLiteral("adjustment as pixels");
        } else if (key == "SoLd" || key == "PlLd" || key == "SoLE") {
            record.note = QStringLiteral("smart object as pixels");
        } else if (key == "TySh") {
            record.note = QStringLiteral("text as pixels");
        }
        blocks.skipBlockPadding();
    }
}

std::optional<QString> readLayerRecord(Reader& in, LayerRecord& record)
{
    record.top = in.i32();
    record.left = in.i32();
    record.bottom = in.i32();
    record.right = in.i32();
    const int channelCount = in.u16();
    if (in.failed())
        return QStringLiteral("a layer record runs past the end of the layers");
    if (record.bottom < record.top || record.right < record.left || record.bottom - record.top > kMaxSide
        || record.right - record.left > kMaxSide)
        return QStringLiteral("a layer is larger than %1 pixels a side").arg(kMaxSide);
    if (channelCount > kMaxChannels)
        return QStringLiteral("a layer has %1 channels").arg(channelCount);
    for (int c = 0; c < channelCount; ++c) {
        ChannelRecord channel;
        channel.id = qint16(in.u16());
        channel.length = in.u32();
        record.channels.append(channel);
    }
    if (in.key() != kBlockSignature)
        return QStringLiteral("a layer record lacks its blend mode signature");
    record.blendKey = in.key();
    record.opacity = in.u8();
    in.u8();  // clipping
    record.flags = in.u8();
    in.u8();  // filler
    Reader extra = in.lengthSection();
    if (in.failed())
        return QStringLiteral("a layer record runs past the end of the layers");
    Reader mask = extra.lengthSection();
    if (mask.remaining() >= 18) {
        MaskRecord maskRecord;
        maskRecord.top = mask.i32();
        maskRecord.left = mask.i32();
        maskRecord.bottom = mask.i32();
        maskRecord.right = mask.i32();
        maskRecord.fill = mask.u8();
        maskRecord.disabled = mask.u8() & 0x02;
        if (maskRecord.bottom < maskRecord.top || maskRecord.right < maskRecord.left
            || maskRecord.bottom - maskRecord.top > kMaxSide || maskRecord.right - maskRecord.left > kMaxSide)
            return QStringLiteral("a layer mask is larger than %1 pixels a side").arg(kMaxSide);
        record.mask = maskRecord;
    }
    extra.lengthSection();  // blending ranges
    const int nameLength = extra.u8();
    if (const uchar* name = extra.take(nameLength))
        record.name = QString::fromLatin1(reinterpret_cast<const char*>(name), nameLength);
    // The Pascal name is padded to a multiple of four bytes, its length byte included.
    extra.skip(std::min<qsizetype>(extra.remaining(), (4 - (1 + nameLength) % 4) % 4));
    if (extra.failed())
        return QStringLiteral("a layer's extra data runs past its end");
    readLayerBlocks(extra, record);
    return std::nullopt;
}

// The layer info: the count, the records, then every record's channel data in turn. The channel
// lengths are taken against the data before any is read.
FileResult<LayerInfo> readLayerInfo(Reader in)
{
    LayerInfo info;
    if (in.atEnd())
        return info;
    const qint16 count = qint16(in.u16());
    info.mergedHasAlpha = count < 0;
    const int layers = std::abs(int(count));
    for (int i = 0; i < layers; ++i) {
        LayerRecord record;
        if (const std::optional<QString> reason = readLayerRecord(in, record))
            return unreadable(*reason);
        info.records.append(std::move(record));
    }
    for (LayerRecord& record : info.records)
        for (ChannelRecord& channel : record.channels) {
            channel.data = in.section(channel.length);
            if (in.failed())
                return unreadable(QStringLiteral("channel data runs past the end of the layers"));
        }
    return info;
}

bool usedChannel(const Header& header, int id)
{
    return id == kAlphaChannel || (id >= 0 && id < header.colorChannels());
}

// The pixels of one layer record: its colour and alpha channels, and its user mask when enabled.
FileResult<Bitmap> decodeLayer(const Header& header, const LayerRecord& record)
{
    std::array<ChannelRows, 4> rows;
    std::array<const ChannelRows*, 4> order{};
    const int width = record.width();
    const int height = record.height();
    for (const ChannelRecord& channel : record.channels) {
        if (!usedChannel(header, channel.id) || channel.length == 0)
            continue;
        const size_t slot = channel.id == kAlphaChannel ? 3 : size_t(channel.id);
        if (const std::optional<QString> reason =
                prepareLayerChannel(rows[slot], channel.data, width, height, header.bytesPerSample()))
            return unreadable(*reason);
        order[slot] = &rows[slot];
    }
    if (header.mode == grayscaleMode)
        order[1] = order[2] = order[0];
    LayerMask mask;
    const ChannelRecord* maskChannel = nullptr;
    for (const ChannelRecord& channel : record.channels)
        if (channel.id == kUserMaskChannel && channel.length > 0)
            maskChannel = &channel;
    const bool masked = record.mask && !record.mask->disabled && maskChannel;
    if (masked) {
        const MaskRecord& place = *record.mask;
        mask.offsetX = int(place.left - record.left);
        mask.offsetY = int(place.top - record.top);
        mask.width = int(place.right - place.left);
        mask.height = int(place.bottom - place.top);
        mask.fill = place.fill;
        if (const std::optional<QString> reason = prepareLayerChannel(mask.rows, maskChannel->data, mask.width,
                                                                      mask.height, header.bytesPerSample()))
            return unreadable(QStringLiteral("layer mask: %1").arg(*reason));
    }
    if (width == 0 || height == 0 || std::all_of(order.begin(), order.end(), [](auto* c) { return !c; })) {
        // A layer without pixels: keep it as one clear pixel at its place.
        std::optional<Bitmap> pixel = transparentPixel();
        if (!pixel)
            return unreadable(QStringLiteral("out of memory"));
        return *pixel;
    }
    std::optional<Bitmap> pixels =
        decodePixels(width, height, header.bytesPerSample(), order, false, masked ? &mask : nullptr);
    if (!pixels)
        return unreadable(QStringLiteral("a layer's channel data does not decode to its size"));
    return *pixels;
}

// Layers bottom first. A bounding divider opens a folder below its layers and the folder record
// closes it above them.
struct OpenFolder {
    QVector<Layer> layers;
};

FileResult<QVector<Layer>> buildLayers(const Header& header, const LayerInfo& info)
{
    qint64 pixels = 0;
    for (const LayerRecord& record : info.records) {
        if (!record.section || *record.section == otherSection)
            pixels += qint64(record.width()) * record.height();
        if (!bitmapSizeAllowed(record.width(), record.height()) && record.width() > 0 && record.height() > 0)
            return unreadable(QStringLiteral("a layer is too large"));
    }
    if (pixels > VelmarisImageFormat::kMaxDocumentPixels)
        return unreadable(QStringLiteral("the layers hold more than %1 million pixels")
                              .arg(VelmarisImageFormat::kMaxDocumentPixels / 1'000'000));

    QVector<OpenFolder> folders{OpenFolder{}};
    for (const LayerRecord& record : info.records) {
        const quint32 section = record.section.value_or(otherSection);
        if (section == boundingDivider) {
            folders.append(OpenFolder{});
            continue;
        }
        if (section == openFolder || section == closedFolder) {
            if (folders.size() < 2)
                continue;  // a folder without its divider holds nothing
            QVector<Layer> members = folders.takeLast().layers;
            const QUuid group = QUuid::createUuid();
            for (Layer& layer : members) {
                if (!layer.groupID)
                    layer.groupID = group;
                layer.isVisible = layer.isVisible && !(record.flags & kFlagHidden);
                layer.opacity *= record.opacity / 255.0;
            }
            folders.last().layers += members;
            continue;
        }
        FileResult<Bitmap> pixels = decodeLayer(header, record);
        if (const auto* error = std::get_if<FileError>(&pixels))
            return *error;
        Layer layer = makeBitmapLayer(std::get<Bitmap>(pixels), record.name, QPointF(record.left, record.top));
        if (!record.note.isEmpty())
            layer.name = QStringLiteral("%1 (%2)").arg(layer.name, record.note);
        layer.isVisible = !(record.flags & kFlagHidden);
        layer.opacity = record.opacity / 255.0;
        layer.blendMode = blendModeForKey(record.blendKey).value_or(LayerBlendMode::normal);
        layer.isLocked = record.locked;
        folders.last().layers.append(std::move(layer));
    }
    // Folders left open keep their layers ungrouped.
    QVector<Layer> layers;
    for (const OpenFolder& folder : folders)
        layers += folder.layers;
    return layers;
}

FileResult<Header> readHeader(Reader& in)
{
    Header header;
    if (in.key() != kSignature)
        return unreadable(QStringLiteral("not a PSD file"));
    const int version = in.u16();
    in.skip(6);
    header.channels = in.u16();
    header.height = int(std::min<quint32>(in.u32(), kMaxSide + 1));
    header.width = int(std::min<quint32>(in.u32(), kMaxSide + 1));
    header.depth = in.u16();
    header.mode = in.u16();
    if (in.failed())
        return unreadable(QStringLiteral("the PSD header is cut off"));
    if (version == 2)
        return unreadable(QStringLiteral("large-document (PSB) files are not supported"));
    if (version != 1)
        return unreadable(QStringLiteral("unknown PSD version %1").arg(version));
    if (header.channels < 1 || header.channels > kMaxChannels)
        return unreadable(QStringLiteral("%1 channels").arg(header.channels));
    if (header.width < 1 || header.height < 1 || header.width > kMaxSide || header.height > kMaxSide
        || !bitmapSizeAllowed(header.width, header.height))
        return unreadable(QStringLiteral("the image size is out of range"));
    if (header.mode == cmykMode)
        return unreadable(QStringLiteral("CMYK documents are not supported; save the document in RGB"));
    if (header.mode != rgbMode && header.mode != grayscaleMode)
        return unreadable(QStringLiteral("only RGB and greyscale documents are supported"));
    if (header.depth != 8 && header.depth != 16)
        return unreadable(QStringLiteral("%1-bit documents are not supported").arg(header.depth));
    if (header.channels < header.colorChannels())
        return unreadable(QStringLiteral("too few channels for the colour mode"));
    return header;
}

// The merged image: one compression for every channel, PackBits row lengths of all channels
// first, then the channels one after the other. With transparency, its colour is drawn over white.
FileResult<Bitmap> readMergedImage(const Header& header, Reader in, bool hasAlpha)
{
    const quint16 compression = in.u16();
    if (in.failed() || !knownCompression(compression))
        return unreadable(QStringLiteral("the merged image has an unknown compression"));
    const int used = header.colorChannels() + (hasAlpha ? 1 : 0);
    const qsizetype rowBytes = qsizetype(header.width) * header.bytesPerSample();
    const qint64 planeBytes = qint64(rowBytes) * header.height;
    std::array<ChannelRows, 4> rows;
    if (compression == zip || compression == zipPredicted) {
        // One stream holds every channel: inflate those used and share the plane.
        ChannelRows all;
        if (const std::optional<QString> reason = prepareRows(all, Compression(compression), in, nullptr,
                                                              header.height * used, rowBytes,
                                                              header.bytesPerSample()))
            return unreadable(QStringLiteral("merged image: %1").arg(*reason));
        for (int c = 0; c < used; ++c) {
            rows[size_t(c)].compression = raw;
            rows[size_t(c)].rowBytes = rowBytes;
            rows[size_t(c)].plane = all.plane;
            rows[size_t(c)].data = reinterpret_cast<const uchar*>(rows[size_t(c)].plane.constData()) + c * planeBytes;
        }
    } else {
        const uchar* counts = compression == packBits
                                  ? in.take(qsizetype(header.height) * header.channels * 2)
                                  : nullptr;
        if (in.failed())
            return unreadable(QStringLiteral("the merged image's row lengths run past the end"));
        for (int c = 0; c < used; ++c)
            if (const std::optional<QString> reason =
                    prepareRows(rows[size_t(c)], Compression(compression), in,
                                counts ? counts + qsizetype(c) * header.height * 2 : nullptr, header.height,
                                rowBytes, header.bytesPerSample()))
                return unreadable(QStringLiteral("merged image: %1").arg(*reason));
    }
    std::array<const ChannelRows*, 4> order{&rows[0], &rows[1], &rows[2], hasAlpha ? &rows[3] : nullptr};
    if (header.mode == grayscaleMode)
        order = {&rows[0], &rows[0], &rows[0], hasAlpha ? &rows[1] : nullptr};
    std::optional<Bitmap> pixels = decodePixels(header.width, header.height, header.bytesPerSample(), order, hasAlpha);
    if (!pixels)
        return unreadable(QStringLiteral("the merged image does not decode to its size"));
    return *pixels;
}

// The layer and mask section: the layer info, the global mask, then tagged blocks, among which
// 16-bit documents keep their layer info ('Lr16').
FileResult<LayerInfo> readLayerSection(Reader section)
{
    if (section.atEnd())
        return LayerInfo{};
    FileResult<LayerInfo> info = readLayerInfo(section.lengthSection());
    if (section.failed())
        return unreadable(QStringLiteral("the layer info runs past the end of its section"));
    if (std::holds_alternative<FileError>(info) || !std::get<LayerInfo>(info).records.isEmpty())
        return info;
    section.lengthSection();  // global layer mask
    while (!section.failed() && section.remaining() >= 12) {
        const QByteArray signature = section.key();
        if (signature != kBlockSignature && signature != "8B64")
            break;
        const QByteArray key = section.key();
        Reader block = section.lengthSection();
        if (!section.failed() && (key == "Lr16" || key == "Lr32" || key == "Layr"))
            return readLayerInfo(block);
        section.skipBlockPadding();
    }
    return info;
}

}  // namespace

FileResult<NativeDocument> readPSDDocument(const QByteArray& data)
{
    Reader in(reinterpret_cast<const uchar*>(data.constData()), data.size());
    const FileResult<Header> read = readHeader(in);
    if (const auto* error = std::get_if<FileError>(&read))
        return *error;
    const Header& header = std::get<Header>(read);
    in.lengthSection();  // colour mode data
    in.lengthSection();  // image resources
    const Reader layerSection = in.lengthSection();
    if (in.failed())
        return unreadable(QStringLiteral("a section runs past the end of the file"));

    FileResult<LayerInfo> info = readLayerSection(layerSection);
    if (const auto* error = std::get_if<FileError>(&info))
        return *error;
    const LayerInfo& layerInfo = std::get<LayerInfo>(info);

    NativeDocument document;
    document.state.size = QSizeF(header.width, header.height);
    FileResult<QVector<Layer>> layers = buildLayers(header, layerInfo);
    if (const auto* error = std::get_if<FileError>(&layers))
        return *error;
    document.state.layers = std::move(std::get<QVector<Layer>>(layers));
    if (document.state.layers.isEmpty()) {
        // Without layers the merged image is the document; its extra channel is transparency when
        // the layer count says so, or when it is the only extra channel of a document without layers.
        const bool hasAlpha = header.channels > header.colorChannels()
                              && (layerInfo.mergedHasAlpha
                                  || (layerInfo.records.isEmpty() && header.channels == header.colorChannels() + 1));
        FileResult<Bitmap> merged = readMergedImage(header, in, hasAlpha);
        if (const auto* error = std::get_if<FileError>(&merged))
            return *error;
        document.state.layers.append(makeBitmapLayer(std::get<Bitmap>(merged), QStringLiteral("Background")));
    }
    document.state.selectedLayerID = document.state.layers.last().id;
    return document;
}

}  // namespace velmaris
