#include "files/OpenRaster.h"

#include "files/PNGEncoder.h"
#include "files/ResampleImage.h"
#include "files/ZipArchive.h"
#include "render/Compositor.h"
#include "render/LayerRasterization.h"

#include <QRect>
#include <QUuid>
#include <QXmlStreamWriter>

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

constexpr int kThumbnailSide = 256;

// What one layer becomes in the archive: its PNG at a whole-pixel position, and for text and
// effects the native record that gives the layer back editable.
struct WrittenLayer {
    QByteArray png;
    QPoint position;
    QByteArray nativeRecord;  // empty for a plain bitmap layer
    bool failed = false;
};

bool isPlainBitmap(const Layer& layer)
{
    return layer.bitmap() && layer.effects == LayerEffects{};
}

// How far a layer's effects draw past its box, from the silhouettes' reach: 3.5 × the glow radius,
// the stroke width, the shadow's offset and 1.5 × its blur.
double effectsReach(const LayerEffects& effects)
{
    const LayerEffects clamped = clampedLayerEffects(effects);
    double reach = 0;
    if (clamped.glow)
        reach = std::max(reach, 3.5 * std::max(0.0, clamped.glow->radius));
    if (clamped.stroke)
        reach = std::max(reach, std::max(0.0, clamped.stroke->width));
    if (const auto& shadow = clamped.shadow)
        reach = std::max(reach, std::max(std::abs(shadow->offset.width()), std::abs(shadow->offset.height()))
                                    + 1.5 * std::max(0.0, shadow->blur));
    return std::ceil(reach) + 1;
}

// The layer drawn alone with its effects, at full opacity in the normal mode (the stack says how it
// blends), over the part of the canvas or of its own box that they reach.
std::optional<std::pair<Bitmap, QPoint>> renderedLayer(const Layer& layer, const QRect& canvas)
{
    const std::optional<Bitmap> image = layerPixels(layer);
    if (!image)
        return std::nullopt;
    const QRect box = QRectF(layer.origin, QSizeF(image->width(), image->height())).toAlignedRect();
    const int reach = int(effectsReach(layer.effects));
    const QRect area = box.adjusted(-reach, -reach, reach, reach) & (canvas | box);
    std::optional<BitmapBuilder> target = BitmapBuilder::create(std::max(1, area.width()), std::max(1, area.height()));
    if (!target)
        return std::nullopt;
    Layer drawn = layer;
    drawn.opacity = 1;
    drawn.blendMode = LayerBlendMode::normal;
    drawLayer(*target, *image, drawn, QPointF(area.topLeft()));
    return std::pair{std::move(*target).build(), area.topLeft()};
}

WrittenLayer writeLayer(const Layer& layer, const QRect& canvas)
{
    WrittenLayer written;
    std::optional<Bitmap> pixels;
    if (isPlainBitmap(layer)) {
        pixels = *layer.bitmap();
        written.position = QPoint(int(std::lround(layer.origin.x())), int(std::lround(layer.origin.y())));
    } else if (auto rendered = renderedLayer(layer, canvas)) {
        pixels = std::move(rendered->first);
        written.position = rendered->second;
        // Kept relative to the PNG, so that a layer moved by another program moves its text too.
        Layer record = layer;
        record.origin -= QPointF(written.position);
        CanvasState state;
        state.size = QSizeF(canvas.size());
        state.layers.push_back(std::move(record));
        const FileResult<QByteArray> native = writeNativeDocument(NativeDocument{std::move(state), {}});
        if (const auto* bytes = std::get_if<QByteArray>(&native))
            written.nativeRecord = *bytes;
        else
            written.failed = true;
    }
    if (pixels && !pixels->isNull()) {
        if (std::optional<QByteArray> png = encodePNG(*pixels))
            written.png = std::move(*png);
    }
    written.failed = written.failed || written.png.isEmpty();
    return written;
}

QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces);
}

class StackWriter {
public:
    StackWriter(const CanvasState& state, const QVector<WrittenLayer>& written) : state_(state), written_(written)
    {
        xml_.setAutoFormatting(true);
    }

    QByteArray write(QSize canvas)
    {
        const QString ns = QString::fromLatin1(openraster::kNamespace);
        xml_.writeStartDocument();
        xml_.writeStartElement(QStringLiteral("image"));
        xml_.writeNamespace(ns, QString::fromLatin1(openraster::kPrefix));
        xml_.writeAttribute(QStringLiteral("version"), QStringLiteral("0.0.5"));
        xml_.writeAttribute(QStringLiteral("w"), QString::number(canvas.width()));
        xml_.writeAttribute(QStringLiteral("h"), QString::number(canvas.height()));
        xml_.writeStartElement(QStringLiteral("stack"));
        // Top of the stack first; a run of layers of one group is one nested stack.
        std::optional<QUuid> openGroup;
        for (qsizetype i = state_.layers.size() - 1; i >= 0; --i) {
            const Layer& layer = state_.layers[i];
            if (openGroup && layer.groupID != openGroup) {
                xml_.writeEndElement();
                openGroup.reset();
            }
            if (layer.groupID && !openGroup) {
                openGroup = layer.groupID;
                xml_.writeStartElement(QStringLiteral("stack"));
                xml_.writeAttribute(QStringLiteral("name"), QStringLiteral("Group"));
                xml_.writeAttribute(ns, QStringLiteral("id"), uuidText(*openGroup));
            }
            writeLayer(i);
        }
        if (openGroup)
            xml_.writeEndElement();
        xml_.writeEndElement();
        xml_.writeEndElement();
        xml_.writeEndDocument();
        return bytes_;
    }

    static QString pngEntry(qsizetype index) { return QStringLiteral("data/layer-%1.png").arg(index); }
    static QString recordEntry(qsizetype index) { return QStringLiteral("velmaris/layer-%1.velmaris").arg(index); }

private:
    void writeLayer(qsizetype index)
    {
        const QString ns = QString::fromLatin1(openraster::kNamespace);
        const Layer& layer = state_.layers[index];
        const WrittenLayer& written = written_[index];
        xml_.writeEmptyElement(QStringLiteral("layer"));
        xml_.writeAttribute(QStringLiteral("name"), layer.name);
        xml_.writeAttribute(QStringLiteral("src"), pngEntry(index));
        xml_.writeAttribute(QStringLiteral("x"), QString::number(written.position.x()));
        xml_.writeAttribute(QStringLiteral("y"), QString::number(written.position.y()));
        xml_.writeAttribute(QStringLiteral("opacity"), number(std::clamp(layer.opacity, 0.0, 1.0)));
        xml_.writeAttribute(QStringLiteral("visibility"),
                            layer.isVisible ? QStringLiteral("visible") : QStringLiteral("hidden"));
        const std::optional<QString> op = openraster::compositeOp(layer.blendMode);
        xml_.writeAttribute(QStringLiteral("composite-op"), op.value_or(QStringLiteral("svg:src-over")));
        if (!op)
            xml_.writeAttribute(ns, QStringLiteral("blend-mode"), rawValue(layer.blendMode));
        if (layer.isLocked)
            xml_.writeAttribute(QStringLiteral("edit-locked"), QStringLiteral("true"));
        if (state_.selectedLayerID == layer.id)
            xml_.writeAttribute(QStringLiteral("selected"), QStringLiteral("true"));
        xml_.writeAttribute(ns, QStringLiteral("id"), uuidText(layer.id));
        if (!written.nativeRecord.isEmpty())
            xml_.writeAttribute(ns, QStringLiteral("layer"), recordEntry(index));
    }

    const CanvasState& state_;
    const QVector<WrittenLayer>& written_;
    QByteArray bytes_;
    QXmlStreamWriter xml_{&bytes_};
};

// The merged image and the thumbnail: the composite as this program draws it.
std::optional<std::pair<QByteArray, QByteArray>> mergedImages(const CanvasState& state)
{
    const std::optional<Bitmap> composite = renderComposite(state);
    if (!composite)
        return std::nullopt;
    const double scale = std::min(1.0, double(kThumbnailSide) / std::max(composite->width(), composite->height()));
    const std::optional<Bitmap> thumbnail =
        scale < 1 ? resampleImage(*composite, composite->width() * scale, composite->height() * scale) : composite;
    std::optional<QByteArray> merged = encodePNG(*composite);
    std::optional<QByteArray> small = thumbnail ? encodePNG(*thumbnail) : std::nullopt;
    if (!merged || !small)
        return std::nullopt;
    return std::pair{std::move(*merged), std::move(*small)};
}

}  // namespace

FileResult<QByteArray> writeOpenRasterDocument(const NativeDocument& document)
{
    const CanvasState& state = document.state;
    const QRect canvas(0, 0, roundedPixels(state.size.width()), roundedPixels(state.size.height()));
    if (canvas.isEmpty())
        return FileError::imageNotRendered();
    // The layers and the merged image are drawn and encoded on every core.
    QVector<WrittenLayer> written(state.layers.size());
    std::optional<std::pair<QByteArray, QByteArray>> merged;
    tbb::parallel_for(qsizetype(0), state.layers.size() + 1, [&](qsizetype i) {
        if (i == state.layers.size())
            merged = mergedImages(state);
        else
            written[i] = writeLayer(state.layers[i], canvas);
    });
    if (!merged || std::any_of(written.begin(), written.end(), [](const WrittenLayer& layer) { return layer.failed; }))
        return FileError::imageNotEncoded();

    using Compression = ZipWriter::Compression;
    ZipWriter zip;
    // The mimetype entry comes first and uncompressed, so the type shows at a fixed offset.
    bool added = zip.add(QStringLiteral("mimetype"), QByteArray(kOpenRasterMimeType), Compression::store);
    const QByteArray stack = StackWriter(state, written).write(canvas.size());
    added = added && zip.add(QStringLiteral("stack.xml"), stack, Compression::deflate);
    for (qsizetype i = 0; i < written.size() && added; ++i) {
        added = zip.add(StackWriter::pngEntry(i), std::move(written[i].png), Compression::store);
        if (added && !written[i].nativeRecord.isEmpty())
            added = zip.add(StackWriter::recordEntry(i), std::move(written[i].nativeRecord), Compression::deflate);
    }
    added = added && zip.add(QStringLiteral("mergedimage.png"), std::move(merged->first), Compression::store);
    added = added && zip.add(QStringLiteral("Thumbnails/thumbnail.png"), std::move(merged->second), Compression::store);
    std::optional<QByteArray> archive = added ? zip.finish() : std::nullopt;
    if (!archive)
        return FileError::imageNotEncoded();
    return std::move(*archive);
}

}  // namespace velmaris
