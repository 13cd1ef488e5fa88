#include "files/VelmarisImageFormat.h"

#include "files/Base64.h"
#include "files/ImageMetadataIO.h"
#include "files/PNGEncoder.h"
#include "files/PngHeader.h"
#include "files/RasterImageReader.h"
#include "files/VelmarisFileModelJson.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace velmaris::VelmarisImageFormat {

namespace {

const QString kBitmapKind = QStringLiteral("bitmap");
const QString kTextKind = QStringLiteral("text");
const QString kEllipseShape = QStringLiteral("ellipse");

// Runs work(i) for every index on all cores. Each index writes only its own slot, so the
// results are those of a loop in order.
template <typename Work>
void forEachInParallel(qsizetype count, Work&& work)
{
    tbb::parallel_for(qsizetype(0), count, [&](qsizetype i) { work(i); });
}

// ---- Writing ----

QString uuidString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

TextModel textModel(const TextLayerAttributes& text)
{
    TextModel model{text.string, text.fontFamily, text.fontSize, text.color, std::nullopt};
    if (!text.runs.isEmpty()) {
        QVector<TextRunModel> runs;
        for (const TextStyleRun& run : text.runs)
            runs.push_back({run.length, run.fontSize, run.color, run.fontFamily});
        model.runs = std::move(runs);
    }
    return model;
}

std::optional<EffectsModel> effectsModel(const LayerEffects& effects)
{
    if (!effects.shadow && !effects.stroke && !effects.glow)
        return std::nullopt;
    EffectsModel model;
    if (const auto& shadow = effects.shadow)
        model.shadow = EffectsModel::Shadow{shadow->color, shadow->offset.width(), shadow->offset.height(), shadow->blur};
    if (const auto& stroke = effects.stroke)
        model.stroke = EffectsModel::Stroke{stroke->color, stroke->width};
    if (const auto& glow = effects.glow)
        model.glow = EffectsModel::Glow{glow->color, glow->radius};
    return model;
}

// Everything but the pixels, which are encoded separately and in parallel.
LayerModel layerModel(const Layer& layer)
{
    LayerModel model;
    model.id = uuidString(layer.id);
    model.name = layer.name;
    model.isVisible = layer.isVisible;
    model.opacity = layer.opacity;
    model.originX = layer.origin.x();
    model.originY = layer.origin.y();
    if (const TextLayerAttributes* text = layer.text()) {
        model.kind = kTextKind;
        model.text = textModel(*text);
    } else {
        model.kind = kBitmapKind;
    }
    if (layer.groupID)
        model.groupID = uuidString(*layer.groupID);
    if (layer.blendMode != LayerBlendMode::normal)
        model.blendMode = rawValue(layer.blendMode);
    if (layer.isLocked)
        model.isLocked = true;
    model.effects = effectsModel(layer.effects);
    return model;
}

// The Base64 PNG of every bitmap layer; text layers keep none. nullopt if any bitmap fails.
std::optional<QVector<std::optional<QByteArray>>> encodeLayerImages(const QVector<Layer>& layers,
                                                                    EncodedLayerCache* cache)
{
    QVector<std::optional<QByteArray>> images(layers.size());
    QVector<char> fresh(layers.size(), false);
    if (cache) {
        for (qsizetype i = 0; i < layers.size(); ++i)
            if (const Bitmap* bitmap = layers[i].bitmap())
                images[i] = cache->find(*bitmap);
    }
    QVector<char> failed(layers.size(), false);
    forEachInParallel(layers.size(), [&](qsizetype i) {
        const Bitmap* bitmap = layers[i].bitmap();
        if (!bitmap || images[i])
            return;
        fresh[i] = true;
        if (const auto png = encodePNG(*bitmap))
            images[i] = png->toBase64();
        else
            failed[i] = true;
    });
    if (failed.contains(true))
        return std::nullopt;
    if (cache) {
        std::vector<EncodedLayerCache::Entry> entries;
        for (qsizetype i = 0; i < layers.size(); ++i)
            if (const Bitmap* bitmap = layers[i].bitmap())
                entries.push_back({*bitmap, *images[i]});
        cache->replace(std::move(entries));
        cache->countEncodedLayers(int(fresh.count(true)));
    }
    return images;
}

std::optional<QByteArray> base64Block(const QByteArray& block)
{
    return block.isEmpty() ? std::nullopt : std::optional(block.toBase64());
}

MetadataModel metadataModel(const ImageMetadata& metadata)
{
    return {base64Block(metadata.exif), base64Block(metadata.xmp), base64Block(metadata.iccProfile)};
}

FileModel toFileModel(const Contents& contents, QVector<std::optional<QByteArray>> images)
{
    const CanvasState& state = contents.state;
    FileModel file;
    file.width = state.size.width();
    file.height = state.size.height();
    if (state.selectedLayerID)
        file.selectedLayerID = uuidString(*state.selectedLayerID);
    for (qsizetype i = 0; i < state.layers.size(); ++i) {
        LayerModel layer = layerModel(state.layers[i]);
        layer.pngData = std::move(images[i]);
        file.layers.push_back(std::move(layer));
    }
    if (!state.extraSelectedLayerIDs.isEmpty()) {
        QStringList ids;
        for (const QUuid& id : state.extraSelectedLayerIDs)
            ids.push_back(uuidString(id));
        ids.sort();
        file.extraSelectedLayerIDs = std::move(ids);
    }
    if (const auto& selection = contents.selection) {
        file.selectionX = selection->x();
        file.selectionY = selection->y();
        file.selectionWidth = std::abs(selection->width());
        file.selectionHeight = std::abs(selection->height());
    }
    if (const auto& aspect = contents.selectionAspect) {
        file.aspectWidth = aspect->width();
        file.aspectHeight = aspect->height();
    }
    if (contents.selectionShape == SelectionShape::ellipse)
        file.selectionShape = kEllipseShape;
    if (contents.selectionInverted)
        file.selectionInverted = true;
    if (!state.metadata.isEmpty())
        file.metadata = metadataModel(state.metadata);
    return file;
}

// ---- Reading ----

// Any form QUuid reads, including the nil UUID, which QUuid cannot tell from a parse failure.
std::optional<QUuid> parseUuid(const QString& string)
{
    static const QString nil = QStringLiteral("00000000-0000-0000-0000-000000000000");
    const QUuid id = QUuid::fromString(string);
    if (!id.isNull() || string == nil || string == u'{' + nil + u'}')
        return id;
    return std::nullopt;
}

std::optional<QUuid> parseOptionalUuid(const std::optional<QString>& string)
{
    return string ? parseUuid(*string) : std::nullopt;
}

bool isTextLayer(const LayerModel& layer)
{
    return layer.kind == kTextKind && layer.text;
}

TextLayerAttributes textAttributes(const TextModel& model)
{
    TextLayerAttributes text{model.string, model.fontFamily, model.fontSize, model.color, {}};
    for (const TextRunModel& run : model.runs.value_or(QVector<TextRunModel>()))
        text.runs.push_back({int(std::min<qint64>(run.length, INT_MAX)), run.fontSize, run.color, run.fontFamily});
    text.normalizeRuns();
    return text;
}

LayerEffects layerEffects(const std::optional<EffectsModel>& model)
{
    LayerEffects effects;
    if (!model)
        return effects;
    if (const auto& shadow = model->shadow)
        effects.shadow = ShadowEffect{shadow->color, QSizeF(shadow->offsetX, shadow->offsetY), shadow->blur};
    if (const auto& stroke = model->stroke)
        effects.stroke = StrokeEffect{stroke->color, stroke->width};
    if (const auto& glow = model->glow)
        effects.glow = GlowEffect{glow->color, glow->radius};
    return effects;
}

FormatError corruptLayer(qsizetype index, const QString& problem)
{
    return {FormatError::Kind::corruptLayerData, QStringLiteral("layers[%1]").arg(index) + problem};
}

// Base64 text as read holds '/' as the JSON escape "\/"; no backslash is Base64.
QByteArray unescapedBase64(const QByteArray& text)
{
    if (!text.contains('\\'))
        return text;
    QByteArray copy(text.constData(), text.size());
    copy.removeIf([](char c) { return c == '\\'; });
    return copy;
}

// The start of Base64 text as read, unescaped, long enough for the PNG header.
QByteArray base64Prefix(const QByteArray& text)
{
    constexpr qsizetype kCharacters = (kPngHeaderBytes + 2) / 3 * 4;
    QByteArray prefix;
    for (qsizetype i = 0; i < text.size() && prefix.size() < kCharacters; ++i)
        if (text[i] != '\\')
            prefix.append(text[i]);
    return prefix;
}

// The size every bitmap layer's PNG declares (nothing for text layers), read from the start of its
// Base64 text alone. Refused when one is not a PNG or their sizes together exceed the budget, so a
// small document cannot claim gigabytes.
FormatResult<QVector<QSize>> layerSizes(const QVector<LayerModel>& layers)
{
    QVector<QSize> sizes(layers.size());
    qint64 pixels = 0;
    for (qsizetype i = 0; i < layers.size(); ++i) {
        const LayerModel& layer = layers[i];
        if (isTextLayer(layer))
            continue;
        if (!layer.pngData)
            return corruptLayer(i, QStringLiteral(": missing \"pngData\""));
        const std::optional<QByteArray> header = decodeBase64Prefix(base64Prefix(*layer.pngData), kPngHeaderBytes);
        if (!header)
            return corruptLayer(i, QStringLiteral(".pngData: not Base64"));
        if (!hasPngSignature(*header))
            return corruptLayer(i, QStringLiteral(".pngData: not a PNG"));
        const std::optional<QSize> size = pngDeclaredSize(*header);
        if (!size)
            return corruptLayer(i, QStringLiteral(".pngData: no valid PNG header"));
        if (!bitmapSizeAllowed(size->width(), size->height()))
            return corruptLayer(i, QStringLiteral(".pngData: %1 × %2 pixels is more than a layer may hold")
                                       .arg(size->width())
                                       .arg(size->height()));
        pixels += qint64(size->width()) * size->height();
        if (pixels > kMaxDocumentPixels)
            return FormatError{FormatError::Kind::corruptLayerData,
                               QStringLiteral("the layers' pixels exceed the budget of %1 megapixels")
                                   .arg(kMaxDocumentPixels / 1'000'000)};
        sizes[i] = *size;
    }
    return sizes;
}

// A layer's pixels: most layers through the PNG reader made for them, any other PNG through Qt's.
std::variant<Bitmap, QString> decodeLayerImage(const QByteArray& base64)
{
    const std::optional<QByteArray> png = decodeBase64(unescapedBase64(base64));
    if (!png)
        return QStringLiteral(".pngData: not Base64");
    if (std::optional<Bitmap> bitmap = decodeRasterData(*png))
        return std::move(*bitmap);
    return QStringLiteral(".pngData: the PNG could not be decoded");
}

// The PNG text of every bitmap layer, in the order of the layers (none for text layers).
QVector<std::optional<QByteArray>> layerPngTexts(const QVector<LayerModel>& layers)
{
    QVector<std::optional<QByteArray>> texts(layers.size());
    for (qsizetype i = 0; i < layers.size(); ++i)
        if (!isTextLayer(layers[i]))
            texts[i] = layers[i].pngData;
    return texts;
}

Layer toLayer(const LayerModel& model, Bitmap bitmap)
{
    Layer layer;
    if (const auto id = parseUuid(model.id))
        layer.id = *id;
    layer.name = model.name;
    layer.isVisible = model.isVisible;
    layer.opacity = model.opacity;
    layer.origin = QPointF(model.originX, model.originY);
    if (isTextLayer(model))
        layer.content = textAttributes(*model.text);
    else
        layer.content = std::move(bitmap);
    layer.blendMode = blendModeFromRawValue(model.blendMode.value_or(QString())).value_or(LayerBlendMode::normal);
    layer.effects = clampedLayerEffects(layerEffects(model.effects));
    layer.isLocked = model.isLocked.value_or(false);
    layer.groupID = parseOptionalUuid(model.groupID);
    return layer;
}

// Only a selection of at least 1 × 1 is kept, clipped to the canvas and rounded outward to whole
// pixels; nothing is left when it lies outside the canvas.
std::optional<QRectF> selection(const FileModel& file)
{
    if (!file.selectionX || !file.selectionY || !file.selectionWidth || !file.selectionHeight)
        return std::nullopt;
    if (!(*file.selectionWidth >= 1 && *file.selectionHeight >= 1))
        return std::nullopt;
    const double left = std::max(*file.selectionX, 0.0);
    const double top = std::max(*file.selectionY, 0.0);
    const double right = std::min(*file.selectionX + *file.selectionWidth, file.width);
    const double bottom = std::min(*file.selectionY + *file.selectionHeight, file.height);
    if (!(right > left && bottom > top))
        return std::nullopt;
    const double x = std::floor(left), y = std::floor(top);
    return QRectF(x, y, std::ceil(right) - x, std::ceil(bottom) - y);
}

std::optional<QSizeF> selectionAspect(const FileModel& file)
{
    if (file.aspectWidth && file.aspectHeight && *file.aspectWidth > 0 && *file.aspectHeight > 0)
        return QSizeF(*file.aspectWidth, *file.aspectHeight);
    return std::nullopt;
}

// A block that is not Base64 or larger than a photo's is left out: the metadata is optional.
QByteArray metadataBlock(const std::optional<QByteArray>& text)
{
    const std::optional<QByteArray> block = text ? decodeBase64(unescapedBase64(*text)) : std::nullopt;
    if (!block || block->size() > kMaxMetadataBlockBytes)
        return {};
    return *block;
}

Contents toContents(const FileModel& file, const QVector<Bitmap>& bitmaps)
{
    Contents contents;
    CanvasState& state = contents.state;
    state.size = QSizeF(file.width, file.height);
    for (qsizetype i = 0; i < file.layers.size(); ++i)
        state.layers.push_back(toLayer(file.layers[i], bitmaps[i]));
    state.selectedLayerID = parseOptionalUuid(file.selectedLayerID);
    if (!state.selectedLayerID && !state.layers.isEmpty())
        state.selectedLayerID = state.layers.last().id;
    for (const QString& string : file.extraSelectedLayerIDs.value_or(QStringList()))
        if (const auto id = parseUuid(string))
            state.extraSelectedLayerIDs.insert(*id);
    contents.selection = selection(file);
    contents.selectionAspect = selectionAspect(file);
    if (file.selectionShape == kEllipseShape)
        contents.selectionShape = SelectionShape::ellipse;
    contents.selectionInverted = file.selectionInverted.value_or(false);
    if (const auto& metadata = file.metadata)
        state.metadata = {metadataBlock(metadata->exif), metadataBlock(metadata->xmp),
                          metadataBlock(metadata->iccProfile)};
    return contents;
}

}  // namespace

std::optional<QByteArray> EncodedLayerCache::find(const Bitmap& bitmap) const
{
    const std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_)
        if (entry.bitmap.sharesPixelsWith(bitmap))
            return entry.base64Png;
    return std::nullopt;
}

void EncodedLayerCache::replace(std::vector<Entry> entries)
{
    const std::lock_guard lock(mutex_);
    entries_ = std::move(entries);
}

int EncodedLayerCache::encodedLayerCount() const
{
    const std::lock_guard lock(mutex_);
    return encodedLayerCount_;
}

void EncodedLayerCache::countEncodedLayers(int count)
{
    const std::lock_guard lock(mutex_);
    encodedLayerCount_ += count;
}

FormatResult<QByteArray> encode(const Contents& contents, EncodedLayerCache* cache)
{
    auto images = encodeLayerImages(contents.state.layers, cache);
    if (!images)
        return FormatError{FormatError::Kind::encodingFailed, {}};
    auto json = writeJson(toJson(toFileModel(contents, std::move(*images))));
    if (!json)
        return FormatError{FormatError::Kind::invalidJson, QStringLiteral("a number is not finite")};
    return std::move(*json);
}

// A text too long to lay out, named by where it is; found before any layer is decoded or measured.
std::optional<QString> oversizedText(const FileModel& file)
{
    for (qsizetype i = 0; i < file.layers.size(); ++i) {
        const std::optional<TextModel>& text = file.layers[i].text;
        if (!text)
            continue;
        const QString path = QStringLiteral("layers[%1].text.").arg(i);
        if (const std::optional<QString> problem = textLengthProblem(text->string))
            return path + QStringLiteral("string: ") + *problem;
        if (text->runs && text->runs->size() > kMaxTextLength)
            return path + QStringLiteral("runs: more than %1 runs").arg(kMaxTextLength);
    }
    return std::nullopt;
}

namespace {

// The document's records with every layer's declared size, or what is wrong before any pixels are
// decoded.
struct CheckedModel {
    FileModel file;
    QVector<QSize> sizes;
};

FormatResult<CheckedModel> checkedModel(const QByteArray& data, std::size_t readablePastEnd)
{
    auto file = fileModelFromJson(data, readablePastEnd);
    if (auto* error = std::get_if<FormatError>(&file))
        return std::move(*error);
    FileModel& model = std::get<FileModel>(file);
    if (model.formatVersion > kCurrentFormatVersion)
        return FormatError{FormatError::Kind::unsupportedVersion, {}};
    if (std::optional<QString> oversized = oversizedText(model))
        return FormatError{FormatError::Kind::textTooLong, std::move(*oversized)};
    auto sizes = layerSizes(model.layers);
    if (auto* error = std::get_if<FormatError>(&sizes))
        return std::move(*error);
    return CheckedModel{std::move(model), std::get<QVector<QSize>>(std::move(sizes))};
}

}  // namespace

FormatResult<Contents> decode(const QByteArray& data)
{
    auto outline = decodeOutline(data);
    if (auto* error = std::get_if<FormatError>(&outline))
        return std::move(*error);
    Outline& read = std::get<Outline>(outline);
    auto bitmaps = decodeLayerPixels(read.pixels);
    if (auto* error = std::get_if<FormatError>(&bitmaps))
        return std::move(*error);
    fillLayerPixels(read.contents.state, std::get<QVector<Bitmap>>(bitmaps));
    return std::move(read.contents);
}

FormatResult<Outline> decodeOutline(const QByteArray& data, std::size_t readablePastEnd)
{
    auto checked = checkedModel(data, readablePastEnd);
    if (auto* error = std::get_if<FormatError>(&checked))
        return std::move(*error);
    CheckedModel& model = std::get<CheckedModel>(checked);
    return Outline{toContents(model.file, QVector<Bitmap>(model.file.layers.size())), std::move(model.sizes),
                   PendingLayerPixels{data, layerPngTexts(model.file.layers)}};
}

FormatResult<QVector<Bitmap>> decodeLayerPixels(const PendingLayerPixels& pixels)
{
    const QVector<std::optional<QByteArray>>& texts = pixels.base64Pngs;
    QVector<Bitmap> bitmaps(texts.size());
    QVector<QString> problems(texts.size());
    forEachInParallel(texts.size(), [&](qsizetype i) {
        if (!texts[i])
            return;
        std::variant<Bitmap, QString> decoded = decodeLayerImage(*texts[i]);
        if (Bitmap* bitmap = std::get_if<Bitmap>(&decoded))
            bitmaps[i] = std::move(*bitmap);
        else
            problems[i] = std::get<QString>(decoded);
    });
    // The lowest layer that fails names the error.
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (!problems[i].isEmpty())
            return corruptLayer(i, problems[i]);
    return bitmaps;
}

void fillLayerPixels(CanvasState& state, const QVector<Bitmap>& bitmaps)
{
    for (qsizetype i = 0; i < std::min(state.layers.size(), bitmaps.size()); ++i)
        if (!bitmaps[i].isNull() && !state.layers[i].isText())
            state.layers[i].content = bitmaps[i];
}

}  // namespace velmaris::VelmarisImageFormat
