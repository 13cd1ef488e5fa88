#include "files/PSDDocument.h"

#include "files/PSDStructure.h"
#include "files/PackBits.h"
#include "files/StraightAlpha.h"
#include "render/Compositor.h"
#include "render/LayerRasterization.h"
#include "render/Parallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace velmaris {

namespace {

using namespace psd;

void appendNumber(QByteArray& out, quint32 value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.append(char(value >> shift));
}
void append16(QByteArray& out, quint32 value) { appendNumber(out, value, 2); }
void append32(QByteArray& out, quint32 value) { appendNumber(out, value, 4); }

void padTo(QByteArray& out, qsizetype start, int multiple)
{
    while ((out.size() - start) % multiple)
        out.append('\0');
}

// A tagged block of a layer record, its data padded to four bytes.
void appendBlock(QByteArray& out, const char* key, const QByteArray& data)
{
    out.append(kBlockSignature, 4);
    out.append(key, 4);
    QByteArray padded = data;
    padTo(padded, 0, 4);
    append32(out, quint32(padded.size()));
    out.append(padded);
}

// What one layer record holds: pixels at a position, or a folder's divider or record.
struct Entry {
    Bitmap pixels;  // null for dividers and empty layers
    QPoint topLeft;
    QString name;
    LayerBlendMode blendMode = LayerBlendMode::normal;
    int opacity = 255;
    bool hidden = false;
    bool locked = false;
    std::optional<SectionType> section;
};

// Channels in the order the record lists them: alpha first, then red, green and blue.
constexpr std::array<int, 4> kChannelIds{kAlphaChannel, 0, 1, 2};

// How colour is stored: a layer's straight, or the merged image's drawn over white.
enum class Colour { straight, overWhite };

// Alpha, red, green and blue, each as PackBits: the compression, the row lengths, then the rows.
// Rows are converted and packed in parallel, each into its own slot of a buffer per channel, and
// joined in order.
std::array<QByteArray, 4> packedChannels(const Bitmap& pixels, Colour colour = Colour::straight)
{
    const int width = pixels.width();
    const int height = pixels.height();
    const qsizetype slot = packBitsBound(width);
    std::array<std::vector<std::uint8_t>, 4> packed;
    std::array<std::vector<qsizetype>, 4> lengths;
    for (size_t c = 0; c < 4; ++c) {
        packed[c].resize(size_t(slot) * size_t(height));
        lengths[c].resize(size_t(height));
    }
    parallelRows(height, [&](int first, int end) {
        std::vector<std::uint8_t> rgba(size_t(width) * 4);
        std::array<std::vector<std::uint8_t>, 4> planes;
        for (auto& plane : planes)
            plane.resize(size_t(width));
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = pixels.row(y);
            if (colour == Colour::straight) {
                unpremultiplyRow(in, rgba.data(), width);
                in = rgba.data();
            }
            for (int x = 0; x < width; ++x) {
                const std::uint8_t alpha = in[4 * x + 3];
                // Over white, a premultiplied component gains what the alpha leaves of the white.
                const std::uint8_t white = colour == Colour::overWhite ? std::uint8_t(255 - alpha) : 0;
                planes[0][size_t(x)] = alpha;
                planes[1][size_t(x)] = std::uint8_t(in[4 * x] + white);
                planes[2][size_t(x)] = std::uint8_t(in[4 * x + 1] + white);
                planes[3][size_t(x)] = std::uint8_t(in[4 * x + 2] + white);
            }
            for (size_t c = 0; c < 4; ++c)
                lengths[c][size_t(y)] = packBitsRow(planes[c].data(), width, packed[c].data() + y * slot);
        }
    });
    std::array<QByteArray, 4> channels;
    for (size_t c = 0; c < 4; ++c) {
        qsizetype total = 2 + 2 * qsizetype(height);
        for (const qsizetype length : lengths[c])
            total += length;
        QByteArray& out = channels[c];
        out.reserve(total);
        append16(out, packBits);
        for (const qsizetype length : lengths[c])
            append16(out, quint32(length));
        for (int y = 0; y < height; ++y)
            out.append(reinterpret_cast<const char*>(packed[c].data() + y * slot), lengths[c][size_t(y)]);
    }
    return channels;
}

// A layer's channels as kChannelIds lists them; a record without pixels has empty raw channels.
std::array<QByteArray, 4> entryChannels(const Entry& entry)
{
    if (entry.pixels.isNull()) {
        std::array<QByteArray, 4> empty;
        for (QByteArray& channel : empty)
            append16(channel, raw);
        return empty;
    }
    return packedChannels(entry.pixels);
}

QByteArray layerRecord(const Entry& entry, const std::array<QByteArray, 4>& channels)
{
    QByteArray out;
    const QSize size = entry.pixels.isNull() ? QSize(0, 0) : entry.pixels.size();
    append32(out, quint32(entry.topLeft.y()));
    append32(out, quint32(entry.topLeft.x()));
    append32(out, quint32(entry.topLeft.y() + size.height()));
    append32(out, quint32(entry.topLeft.x() + size.width()));
    append16(out, quint32(kChannelIds.size()));
    for (size_t c = 0; c < kChannelIds.size(); ++c) {
        append16(out, quint16(qint16(kChannelIds[c])));
        append32(out, quint32(channels[c].size()));
    }
    out.append(kBlockSignature, 4);
    out.append(entry.section ? QByteArray("pass") : blendModeKey(entry.blendMode));
    out.append(char(entry.opacity));
    out.append('\0');  // clipping: base
    out.append(char(entry.hidden ? kFlagHidden : 0));
    out.append('\0');

    QByteArray extra;
    append32(extra, 0);  // no mask
    append32(extra, 0);  // no blending ranges
    // The Pascal name's encoding is the writer's system's: ASCII reads the same everywhere, and
    // the Unicode block below holds the name itself.
    QByteArray ascii = entry.name.toLatin1().left(255);
    for (char& character : ascii)
        if (uchar(character) >= 0x80)
            character = '?';
    extra.append(char(ascii.size()));
    extra.append(ascii);
    padTo(extra, 0, 4);
    QByteArray unicode;
    append32(unicode, quint32(entry.name.size()));
    for (const QChar character : entry.name)
        append16(unicode, character.unicode());
    appendBlock(extra, "luni", unicode);
    if (entry.section) {
        QByteArray section;
        append32(section, *entry.section);
        if (*entry.section != boundingDivider)
            section.append(QByteArray(kBlockSignature, 4) + "pass");
        appendBlock(extra, "lsct", section);
    }
    if (entry.locked) {
        QByteArray flags;
        append32(flags, kLockAll);
        appendBlock(extra, "lspf", flags);
    }
    append32(out, quint32(extra.size()));
    out.append(extra);
    return out;
}

// The pixels a layer shows on its own: text rasterised, and effects drawn around it in a box
// that their reach grows, cut to the canvas. Opacity and blend mode stay in the record.
std::optional<RenderedRegion> layerImage(const Layer& layer, QSize canvas)
{
    const std::optional<Bitmap> pixels = layerPixels(layer);
    if (!pixels || pixels->isNull())
        return std::nullopt;
    const QPoint origin(roundedPixels(layer.origin.x()), roundedPixels(layer.origin.y()));
    if (clampedLayerEffects(layer.effects) == LayerEffects{})
        return RenderedRegion{*pixels, QRect(origin, pixels->size())};
    const int grow = effectsReach(layer.effects);
    const QRect region =
        QRect(origin, pixels->size()).adjusted(-grow, -grow, grow, grow).intersected(QRect(QPoint(), canvas));
    if (region.isEmpty())
        return std::nullopt;
    std::optional<Bitmap> drawn = drawnAlone(layer, *pixels, region);
    if (!drawn)
        return std::nullopt;
    return RenderedRegion{std::move(*drawn), region};
}

// The layers bottom first, each run of one group between a bounding divider and its folder.
QVector<Entry> entriesOf(const CanvasState& state, QSize canvas)
{
    QVector<Entry> entries;
    int folders = 0;
    std::optional<QUuid> openGroup;
    const auto closeFolder = [&] {
        if (!openGroup)
            return;
        Entry folder;
        folder.name = QStringLiteral("Group %1").arg(++folders);
        folder.section = openFolder;
        entries.append(folder);
        openGroup.reset();
    };
    for (const Layer& layer : state.layers) {
        if (openGroup != layer.groupID) {
            closeFolder();
            if (layer.groupID) {
                Entry divider;
                divider.name = QStringLiteral("</Layer group>");
                divider.section = boundingDivider;
                entries.append(divider);
                openGroup = layer.groupID;
            }
        }
        Entry entry;
        if (const std::optional<RenderedRegion> image = layerImage(layer, canvas)) {
            entry.pixels = image->image;
            entry.topLeft = image->rect.topLeft();
        }
        entry.name = layer.name;
        entry.blendMode = layer.blendMode;
        entry.opacity = int(std::lround(std::clamp(layer.opacity, 0.0, 1.0) * 255));
        entry.hidden = !layer.isVisible;
        entry.locked = layer.isLocked;
        entries.append(entry);
    }
    closeFolder();
    return entries;
}

// The merged image: PackBits rows of red, green, blue and alpha, all row lengths first. Its colour
// is drawn over white, as readers that show only the merged image expect.
QByteArray mergedImage(const Bitmap& composite)
{
    const std::array<QByteArray, 4> channels = packedChannels(composite, Colour::overWhite);
    const qsizetype countBytes = 2 * qsizetype(composite.height());
    constexpr std::array<size_t, 4> kRedGreenBlueAlpha{1, 2, 3, 0};
    QByteArray out;
    append16(out, packBits);
    for (const size_t c : kRedGreenBlueAlpha)
        out.append(channels[c].mid(2, countBytes));
    for (const size_t c : kRedGreenBlueAlpha)
        out.append(channels[c].mid(2 + countBytes));
    return out;
}

}  // namespace

FileResult<QByteArray> writePSDDocument(const NativeDocument& document)
{
    const CanvasState& state = document.state;
    const QSize canvas(roundedPixels(state.size.width()), roundedPixels(state.size.height()));
    if (canvas.width() < 1 || canvas.height() < 1 || canvas.width() > kMaxSide || canvas.height() > kMaxSide)
        return FileError::imageNotEncoded().because(
            QStringLiteral("PSD documents are at most %1 pixels a side").arg(kMaxSide));
    std::optional<Bitmap> composite = renderComposite(state);
    if (!composite) {
        auto clear = BitmapBuilder::create(canvas.width(), canvas.height());
        if (!clear)
            return FileError::imageNotRendered();
        composite = std::move(*clear).build();
    }

    QByteArray out;
    out.append(kSignature, 4);
    append16(out, 1);
    out.append(6, '\0');
    append16(out, 4);  // red, green, blue and the merged transparency
    append32(out, quint32(canvas.height()));
    append32(out, quint32(canvas.width()));
    append16(out, 8);
    append16(out, rgbMode);
    append32(out, 0);  // colour mode data
    append32(out, 0);  // image resources

    const QVector<Entry> entries = entriesOf(state, canvas);
    QByteArray info;
    // A negative count: the merged image's first extra channel is its transparency.
    append16(info, quint16(qint16(-entries.size())));
    QByteArray channelData;
    for (const Entry& entry : entries) {
        const std::array<QByteArray, 4> channels = entryChannels(entry);
        info.append(layerRecord(entry, channels));
        for (const QByteArray& channel : channels)
            channelData.append(channel);
    }
    info.append(channelData);
    padTo(info, 0, 4);
    if (info.size() > qsizetype(0xffffffffu) - 8)
        return FileError::imageNotEncoded().because(QStringLiteral("the layers exceed the 4 GB a PSD section holds"));
    append32(out, quint32(4 + info.size() + 4));
    append32(out, quint32(info.size()));
    out.append(info);
    append32(out, 0);  // no global layer mask

    out.append(mergedImage(*composite));
    return out;
}

}  // namespace velmaris
