#include "files/OpenRaster.h"

#include "files/ImageDecoder.h"
#include "files/PNGDecoder.h"
#include "files/PngHeader.h"
#include "files/ZipArchive.h"

#include <QPoint>
#include <QSet>
#include <QUuid>
#include <QXmlStreamReader>

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// Farther than any canvas reaches: positions beyond are clamped, not refused.
constexpr double kMaxPosition = 1e6;

FileError unreadable(const QString& reason)
{
    return FileError::imageUnreadable().because(reason);
}

// A layer as stack.xml lists it, with what its stacks add (offset, opacity, visibility, group).
struct ListedLayer {
    QString name;
    QString src;
    QString record;  // our side entry holding the editable layer, if any
    QPoint position;
    double opacity = 1;
    bool isVisible = true;
    LayerBlendMode blendMode = LayerBlendMode::normal;
    bool isLocked = false;
    bool isSelected = false;
    std::optional<QUuid> id;
    std::optional<QUuid> groupID;
};

struct ListedStack {
    QSize size;
    QVector<ListedLayer> layers;  // top first, as listed
};

struct StackContext {
    QPoint offset;
    double opacity = 1;
    bool isVisible = true;
    std::optional<QUuid> groupID;
};

std::optional<double> finiteNumber(QStringView text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

int position(QStringView text)
{
    return int(std::lround(std::clamp(finiteNumber(text).value_or(0), -kMaxPosition, kMaxPosition)));
}

double opacity(QStringView text)
{
    return std::clamp(finiteNumber(text).value_or(1), 0.0, 1.0);
}

bool isTrue(QStringView text)
{
    return text.trimmed() == u"true" || text.trimmed() == u"1";
}

std::optional<QUuid> uuid(QStringView text)
{
    const QUuid id = QUuid::fromString(text);
    return id.isNull() ? std::nullopt : std::optional(id);
}

QStringView attribute(const QXmlStreamAttributes& attributes, const char* name)
{
    return attributes.value(QLatin1String(name));
}

// One of our own attributes, in our namespace.
QStringView ourAttribute(const QXmlStreamAttributes& attributes, const char* name)
{
    return attributes.value(QString::fromLatin1(openraster::kNamespace), QLatin1String(name));
}

// The stack with its layers applying what their stacks add: offsets, opacity and visibility pass
// down; a nested stack becomes a group (one level: deeper stacks join their outermost group).
class StackParser {
public:
    explicit StackParser(const QByteArray& xml) : reader_(xml) {}

    std::variant<ListedStack, QString> parse()
    {
        std::vector<bool> isStack;  // for every open element
        std::vector<StackContext> stacks;
        bool sawImage = false;
        while (!reader_.atEnd()) {
            switch (reader_.readNext()) {
            case QXmlStreamReader::DTD:
                // Entities could make a small file expand without end: no document type at all.
                return QStringLiteral("stack.xml declares a document type");
            case QXmlStreamReader::StartElement: {
                if (isStack.size() >= std::size_t(openraster::kMaxStackDepth))
                    return QStringLiteral("stack.xml nests deeper than %1 levels").arg(openraster::kMaxStackDepth);
                const QXmlStreamAttributes attributes = reader_.attributes();
                const QStringView name = reader_.name();
                if (isStack.empty()) {
                    if (name != u"image")
                        return QStringLiteral("stack.xml has no image element");
                    bool wide = false, high = false;
                    stack_.size =
                        QSize(attribute(attributes, "w").toInt(&wide), attribute(attributes, "h").toInt(&high));
                    if (!wide || !high || !bitmapSizeAllowed(stack_.size.width(), stack_.size.height()))
                        return QStringLiteral("the image's size is missing or beyond the limits");
                    sawImage = true;
                }
                const StackContext outer = stacks.empty() ? StackContext{} : stacks.back();
                if (name == u"stack" && isStack.size() >= 1) {
                    StackContext inner = outer;
                    inner.offset += QPoint(position(attribute(attributes, "x")), position(attribute(attributes, "y")));
                    inner.opacity *= opacity(attribute(attributes, "opacity"));
                    inner.isVisible = inner.isVisible && attribute(attributes, "visibility") != u"hidden";
                    // The root stack is no group; every stack inside it is.
                    if (!stacks.empty() && !inner.groupID)
                        inner.groupID = uuid(ourAttribute(attributes, "id")).value_or(QUuid::createUuid());
                    stacks.push_back(inner);
                    isStack.push_back(true);
                    continue;
                }
                if (name == u"layer") {
                    if (stack_.layers.size() >= kMaxLayers)
                        return QStringLiteral("stack.xml lists more than %1 layers").arg(kMaxLayers);
                    stack_.layers.push_back(listedLayer(attributes, outer));
                }
                isStack.push_back(false);
                break;
            }
            case QXmlStreamReader::EndElement:
                if (isStack.back())
                    stacks.pop_back();
                isStack.pop_back();
                break;
            default:
                break;
            }
        }
        if (reader_.hasError())
            return QStringLiteral("stack.xml: %1").arg(reader_.errorString());
        if (!sawImage)
            return QStringLiteral("stack.xml has no image element");
        return std::move(stack_);
    }

private:
    static constexpr qsizetype kMaxLayers = 4096;

    static ListedLayer listedLayer(const QXmlStreamAttributes& attributes, const StackContext& stack)
    {
        ListedLayer layer;
        layer.name = attribute(attributes, "name").toString();
        layer.src = attribute(attributes, "src").toString();
        layer.record = ourAttribute(attributes, "layer").toString();
        layer.position =
            stack.offset + QPoint(position(attribute(attributes, "x")), position(attribute(attributes, "y")));
        layer.opacity = stack.opacity * opacity(attribute(attributes, "opacity"));
        layer.isVisible = stack.isVisible && attribute(attributes, "visibility") != u"hidden";
        const std::optional<LayerBlendMode> ours =
            blendModeFromRawValue(ourAttribute(attributes, "blend-mode").toString());
        layer.blendMode = ours.value_or(
            openraster::blendModeForCompositeOp(attribute(attributes, "composite-op").trimmed().toString())
                .value_or(LayerBlendMode::normal));
        layer.isLocked = isTrue(attribute(attributes, "edit-locked"));
        layer.isSelected = isTrue(attribute(attributes, "selected"));
        layer.id = uuid(ourAttribute(attributes, "id"));
        layer.groupID = stack.groupID;
        return layer;
    }

    QXmlStreamReader reader_;
    ListedStack stack_;
};

// Only plain relative names inside the archive: no absolute paths, parent folders or backslashes.
bool isPlainEntryName(const QString& name)
{
    if (name.isEmpty() || name.size() > 1024 || name.startsWith(u'/') || name.contains(u'\\')
        || name.contains(QChar(0)))
        return false;
    const QStringList parts = name.split(u'/');
    return std::none_of(parts.begin(), parts.end(), [](const QString& part) { return part == u".." || part == u"."; });
}

// One layer's data from the archive, read before anything is decoded.
struct LayerData {
    QByteArray png;
    QByteArray record;  // empty when there is none or it cannot be used
};

// The layer as this program wrote it (text, effects), placed where the archive now puts its pixels;
// nothing when the record is unusable, which leaves the plain pixels.
std::optional<Layer> recordedLayer(const QByteArray& record, const ListedLayer& listed)
{
    FileResult<NativeDocument> document = readNativeDocument(record);
    auto* native = std::get_if<NativeDocument>(&document);
    if (!native || native->state.layers.size() != 1)
        return std::nullopt;
    Layer layer = native->state.layers.first();
    layer.origin += QPointF(listed.position);
    return layer;
}

std::optional<Bitmap> decodePNG(const QByteArray& png)
{
    if (std::optional<Bitmap> bitmap = decodeLayerPNG(png))
        return bitmap;
    return decodeImageData(png, ImageType::png);
}

// The pixels a record declares (none for text, which is not laid out here: the decode helper has
// no fonts), or nothing when it cannot be read as a one-layer document.
std::optional<qint64> recordPixels(const QByteArray& record)
{
    const auto outline = VelmarisImageFormat::decodeOutline(record);
    const auto* native = std::get_if<VelmarisImageFormat::Outline>(&outline);
    if (!native || native->bitmapSizes.size() != 1)
        return std::nullopt;
    const QSize size = native->bitmapSizes.first();
    return qint64(size.width()) * size.height();
}

// Every layer's bytes, checked against the limits before any pixel is decoded. Layer PNGs hardly
// compress further, so what is inflated in all stays within a few times the archive's size: a small
// archive cannot make the reader hold gigabytes, even spread over many entries.
std::variant<QVector<LayerData>, QString> readLayerData(const ZipReader& zip, const QVector<ListedLayer>& layers,
                                                        qint64 archiveBytes)
{
    const qint64 inflationBudget = 4 * archiveBytes + (16 << 20);
    qint64 inflated = 0;
    const auto withinBudget = [&](const QString& entry) {
        inflated += zip.entrySize(entry).value_or(0);
        return inflated <= inflationBudget;
    };
    QVector<LayerData> data(layers.size());
    qint64 pixels = 0;
    for (qsizetype i = 0; i < layers.size(); ++i) {
        const ListedLayer& layer = layers[i];
        const QString where = QStringLiteral("layer \"%1\": ").arg(layer.name);
        if (!isPlainEntryName(layer.src))
            return where + QStringLiteral("its source is not a file inside the archive");
        if (!withinBudget(layer.src))
            return where + QStringLiteral("the layers inflate to more than %1 MB").arg(inflationBudget >> 20);
        std::variant<QByteArray, QString> png = zip.read(layer.src);
        if (const auto* problem = std::get_if<QString>(&png))
            return where + *problem;
        data[i].png = std::get<QByteArray>(std::move(png));
        const std::optional<QSize> size = hasPngSignature(data[i].png) ? pngDeclaredSize(data[i].png) : std::nullopt;
        if (!size)
            return where + QStringLiteral("%1 is not a PNG").arg(layer.src);
        if (!bitmapSizeAllowed(size->width(), size->height()))
            return where
                + QStringLiteral("%1 × %2 pixels is more than a layer may hold").arg(size->width()).arg(size->height());
        pixels += qint64(size->width()) * size->height();
        if (!layer.record.isEmpty() && isPlainEntryName(layer.record) && withinBudget(layer.record)) {
            std::variant<QByteArray, QString> record = zip.read(layer.record);
            if (auto* bytes = std::get_if<QByteArray>(&record)) {
                if (const std::optional<qint64> recorded = recordPixels(*bytes)) {
                    pixels += *recorded;
                    data[i].record = std::move(*bytes);
                }
            }
        }
        if (pixels > VelmarisImageFormat::kMaxDocumentPixels)
            return QStringLiteral("the layers' pixels exceed the budget of %1 megapixels")
                .arg(VelmarisImageFormat::kMaxDocumentPixels / 1'000'000);
    }
    return data;
}

}  // namespace

FileResult<NativeDocument> readOpenRasterDocument(const QByteArray& data)
{
    std::variant<ZipReader, QString> opened = ZipReader::open(data);
    if (const auto* problem = std::get_if<QString>(&opened))
        return unreadable(QStringLiteral("not an OpenRaster file: %1").arg(*problem));
    const ZipReader& zip = std::get<ZipReader>(opened);
    const std::optional<qint64> mimetypeSize = zip.entrySize(QStringLiteral("mimetype"));
    const auto mimetype = mimetypeSize && *mimetypeSize < 256 ? zip.read(QStringLiteral("mimetype"))
                                                               : std::variant<QByteArray, QString>(QString());
    const auto* type = std::get_if<QByteArray>(&mimetype);
    if (!type || type->trimmed() != kOpenRasterMimeType)
        return unreadable(QStringLiteral("not an OpenRaster file: no \"%1\" mimetype entry").arg(kOpenRasterMimeType));

    const std::optional<qint64> stackSize = zip.entrySize(QStringLiteral("stack.xml"));
    if (!stackSize)
        return unreadable(QStringLiteral("stack.xml is missing"));
    if (*stackSize > openraster::kMaxStackBytes)
        return unreadable(QStringLiteral("stack.xml is larger than %1 MB").arg(openraster::kMaxStackBytes >> 20));
    std::variant<QByteArray, QString> xml = zip.read(QStringLiteral("stack.xml"));
    if (const auto* problem = std::get_if<QString>(&xml))
        return unreadable(*problem);
    std::variant<ListedStack, QString> parsed = StackParser(std::get<QByteArray>(xml)).parse();
    if (const auto* problem = std::get_if<QString>(&parsed))
        return unreadable(*problem);
    const ListedStack& stack = std::get<ListedStack>(parsed);

    std::variant<QVector<LayerData>, QString> read = readLayerData(zip, stack.layers, data.size());
    if (const auto* problem = std::get_if<QString>(&read))
        return unreadable(*problem);
    const QVector<LayerData>& layerData = std::get<QVector<LayerData>>(read);

    // Decoded on every core; each index writes only its own slot.
    QVector<std::optional<Layer>> layers(stack.layers.size());
    tbb::parallel_for(qsizetype(0), stack.layers.size(), [&](qsizetype i) {
        const ListedLayer& listed = stack.layers[i];
        std::optional<Layer> layer = layerData[i].record.isEmpty() ? std::nullopt
                                                                   : recordedLayer(layerData[i].record, listed);
        if (!layer) {
            std::optional<Bitmap> pixels = decodePNG(layerData[i].png);
            if (!pixels)
                return;
            layer = makeBitmapLayer(*pixels, listed.name, QPointF(listed.position));
        }
        layer->name = listed.name;
        layer->isVisible = listed.isVisible;
        layer->opacity = listed.opacity;
        layer->blendMode = listed.blendMode;
        layer->isLocked = listed.isLocked;
        layer->groupID = listed.groupID;
        layers[i] = std::move(layer);
    });

    NativeDocument document;
    CanvasState& state = document.state;
    state.size = QSizeF(stack.size);
    QSet<QUuid> ids;
    // stack.xml lists the top first; the canvas keeps the bottom first.
    for (qsizetype i = stack.layers.size() - 1; i >= 0; --i) {
        const ListedLayer& listed = stack.layers[i];
        if (!layers[i])
            return unreadable(QStringLiteral("layer \"%1\": the PNG could not be decoded").arg(listed.name));
        Layer& layer = *layers[i];
        if (listed.id && !ids.contains(*listed.id))
            layer.id = *listed.id;
        else if (ids.contains(layer.id))
            layer.id = QUuid::createUuid();
        ids.insert(layer.id);
        if (listed.isSelected && !state.selectedLayerID)
            state.selectedLayerID = layer.id;
        state.layers.push_back(std::move(layer));
    }
    if (!state.selectedLayerID && !state.layers.isEmpty())
        state.selectedLayerID = state.layers.last().id;
    return document;
}

}  // namespace velmaris
