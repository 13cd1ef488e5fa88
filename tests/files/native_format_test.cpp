#include "files/VelmarisImageFormat.h"
#include "files/NativeDocumentFile.h"

#include "files/CodecTestHelpers.h"
#include "files/DocumentType.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"
#include "files/OpenImageFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <cstring>
#include <functional>
#include <limits>

namespace velmaris {
namespace {

namespace Format = VelmarisImageFormat;
using Kind = Format::FormatError::Kind;
using test::bitmapLayer;

// ---- helpers ----

QByteArray encoded(const Format::Contents& contents)
{
    auto result = Format::encode(contents);
    if (auto* error = std::get_if<Format::FormatError>(&result))
        ADD_FAILURE() << "encode failed: " << int(error->kind) << " " << error->detail.toStdString();
    return std::get_if<QByteArray>(&result) ? std::get<QByteArray>(result) : QByteArray();
}

std::optional<Format::Contents> decoded(const QByteArray& data)
{
    auto result = Format::decode(data);
    if (auto* error = std::get_if<Format::FormatError>(&result)) {
        ADD_FAILURE() << "decode failed: " << int(error->kind) << " " << error->detail.toStdString();
        return std::nullopt;
    }
    return std::get<Format::Contents>(std::move(result));
}

std::optional<Kind> decodeError(const QByteArray& data)
{
    const auto result = Format::decode(data);
    if (const auto* error = std::get_if<Format::FormatError>(&result))
        return error->kind;
    return std::nullopt;
}

std::optional<Kind> decodeError(const QJsonObject& document)
{
    return decodeError(QJsonDocument(document).toJson(QJsonDocument::Compact));
}

QByteArray pngBase64(const Bitmap& bitmap)
{
    return encodeImageData(bitmap, ImageType::png).value().toBase64();
}

Format::Contents contentsWith(QVector<Layer> layers, QSizeF size = {100, 100})
{
    Format::Contents contents;
    contents.state.size = size;
    contents.state.layers = std::move(layers);
    if (!contents.state.layers.isEmpty())
        contents.state.selectedLayerID = contents.state.layers.last().id;
    return contents;
}

// A hand-written document: one 2 × 2 bitmap layer on a 100 × 100 canvas.
QJsonObject layerObject(const QString& id = QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    static const QString png = QString::fromLatin1(pngBase64(test::solidBitmap(2, 2, {10, 20, 30, 255})));
    return {{"id", id},          {"name", "Layer"},     {"isVisible", true}, {"opacity", 1},
            {"originX", 0},      {"originY", 0},        {"kind", "bitmap"},  {"pngData", png}};
}

QJsonObject documentObject(const QJsonArray& layers = {layerObject()})
{
    return {{"formatVersion", 1}, {"width", 100}, {"height", 100}, {"layers", layers}};
}

Format::Contents decodedObject(const QJsonObject& document)
{
    auto contents = decoded(QJsonDocument(document).toJson(QJsonDocument::Compact));
    return contents.value_or(Format::Contents());
}

QJsonObject withKeys(QJsonObject object, const QJsonObject& changes)
{
    for (auto it = changes.begin(); it != changes.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QJsonObject withLayerKeys(const QJsonObject& changes)
{
    return documentObject({withKeys(layerObject(), changes)});
}

void expectSamePixels(const Bitmap& a, const Bitmap& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (int y = 0; y < a.height(); ++y)
        ASSERT_EQ(std::memcmp(a.row(y), b.row(y), std::size_t(a.width()) * 4), 0) << "row " << y;
}

void expectSameLayer(const Layer& a, const Layer& b)
{
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.isVisible, b.isVisible);
    EXPECT_EQ(a.opacity, b.opacity);
    EXPECT_EQ(a.origin.x(), b.origin.x());
    EXPECT_EQ(a.origin.y(), b.origin.y());
    EXPECT_EQ(a.blendMode, b.blendMode);
    EXPECT_EQ(a.effects, b.effects);
    EXPECT_EQ(a.isLocked, b.isLocked);
    EXPECT_EQ(a.groupID, b.groupID);
    ASSERT_EQ(a.isText(), b.isText());
    if (a.isText())
        EXPECT_EQ(*a.text(), *b.text());
    else
        expectSamePixels(*a.bitmap(), *b.bitmap());
}

// A well-formed PNG header claiming a huge image, with one byte of pixel data.
QByteArray hugePng()
{
    using test::bigEndian;
    const QByteArray ihdr = "IHDR" + bigEndian(50000) + bigEndian(50000) + QByteArray("\x08\x06\x00\x00\x00", 5);
    const QByteArray idat = QByteArray("IDAT") + QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return test::kPngSignature + test::pngChunk(ihdr) + test::pngChunk(idat) + test::pngChunk("IEND");
}

// ---- writing ----

TEST(NativeFormatWriting, MinimalDocumentIsCompactSortedJson)
{
    const Bitmap bitmap = test::randomBitmap(3, 2, 7);
    Layer layer = bitmapLayer(bitmap, {}, QStringLiteral("Background"));
    layer.id = QUuid::fromString(QStringLiteral("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"));
    const QByteArray png = pngBase64(bitmap).replace("/", "\\/");
    const QByteArray expected =
        "{\"formatVersion\":1,\"height\":100,\"layers\":[{\"id\":\"6BA7B810-9DAD-11D1-80B4-00C04FD430C8\","
        "\"isVisible\":true,\"kind\":\"bitmap\",\"name\":\"Background\",\"opacity\":1,\"originX\":0,"
        "\"originY\":0,\"pngData\":\"" + png + "\"}],\"selectedLayerID\":\"6BA7B810-9DAD-11D1-80B4-00C04FD430C8\","
        "\"width\":100}";
    EXPECT_EQ(encoded(contentsWith({layer})).toStdString(), expected.toStdString());

    // Fractions keep their shortest exact form; an empty stack writes no selected layer.
    const auto empty = encoded(contentsWith({}, {640.5, 0.1}));
    EXPECT_EQ(empty, "{\"formatVersion\":1,\"height\":0.1,\"layers\":[],\"width\":640.5}");
}

TEST(NativeFormatWriting, SelectionKeysOnlyWithASelection)
{
    auto contents = contentsWith({bitmapLayer(test::solidBitmap(1, 1, {0, 0, 0, 0}), {}, "L")});
    contents.selectionShape = SelectionShape::ellipse;
    contents.selectionInverted = true;
    const auto json = QJsonDocument::fromJson(encoded(contents)).object();
    for (const char* key : {"selectionX", "selectionY", "selectionWidth", "selectionHeight", "aspectWidth", "aspectHeight"})
        EXPECT_FALSE(json.contains(QLatin1String(key))) << key;
    EXPECT_EQ(json["selectionShape"], "ellipse");
    EXPECT_EQ(json["selectionInverted"], true);

    contents.selection = QRectF(30, 20, -10, -5);  // a rectangle dragged up and left
    contents.selectionAspect = QSizeF(16, 9);
    contents.selectionShape = SelectionShape::rectangle;
    contents.selectionInverted = false;
    const auto withSelection = QJsonDocument::fromJson(encoded(contents)).object();
    EXPECT_EQ(withSelection["selectionX"], 30);
    EXPECT_EQ(withSelection["selectionY"], 20);
    EXPECT_EQ(withSelection["selectionWidth"], 10);
    EXPECT_EQ(withSelection["selectionHeight"], 5);
    EXPECT_EQ(withSelection["aspectWidth"], 16);
    EXPECT_EQ(withSelection["aspectHeight"], 9);
    EXPECT_FALSE(withSelection.contains("selectionShape"));
    EXPECT_FALSE(withSelection.contains("selectionInverted"));
}

TEST(NativeFormatWriting, SlashAndNonAsciiInRawBytes)
{
    auto contents = contentsWith({bitmapLayer(test::randomBitmap(40, 40, 3), {}, QStringLiteral("a/b – ü")),
                                  bitmapLayer(test::randomBitmap(2, 2, 4), {},
                                              QStringLiteral("tab\t \"quoted\" \\ \x01"))});
    const QByteArray raw = encoded(contents);
    EXPECT_TRUE(raw.contains(QStringLiteral("\"name\":\"a\\/b – ü\"").toUtf8()));
    EXPECT_FALSE(raw.contains("\\u"  "00fc"));
    // Every slash is escaped, in the Base64 payload too.
    EXPECT_EQ(raw.count('/'), raw.count("\\/"));
    EXPECT_GT(raw.count('/'), 0);

    const auto back = decoded(raw);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->state.layers[0].name, QStringLiteral("a/b – ü"));
    EXPECT_EQ(back->state.layers[1].name, contents.state.layers[1].name);
    expectSamePixels(*back->state.layers[0].bitmap(), *contents.state.layers[0].bitmap());

    // Unescaped slashes (as other writers produce them) read the same.
    const QByteArray plain = QJsonDocument::fromJson(raw).toJson(QJsonDocument::Compact);
    ASSERT_FALSE(plain.contains("\\/"));
    const auto fromPlain = decoded(plain);
    ASSERT_TRUE(fromPlain);
    expectSameLayer(fromPlain->state.layers[0], back->state.layers[0]);
}

TEST(NativeFormatWriting, FailuresStopTheWholeEncode)
{
    auto contents =
        contentsWith({bitmapLayer(test::randomBitmap(4, 4, 1), {}, "good"), bitmapLayer(Bitmap(), {}, "null")});
    const auto noPixels = Format::encode(contents);
    ASSERT_TRUE(std::holds_alternative<Format::FormatError>(noPixels));
    EXPECT_EQ(std::get<Format::FormatError>(noPixels).kind, Kind::encodingFailed);

    contents.state.layers.removeLast();
    contents.state.layers[0].opacity = std::numeric_limits<double>::quiet_NaN();
    const auto nan = Format::encode(contents);
    ASSERT_TRUE(std::holds_alternative<Format::FormatError>(nan));
    EXPECT_EQ(std::get<Format::FormatError>(nan).kind, Kind::invalidJson);

    contents.state.layers[0].opacity = 1;
    contents.state.size = QSizeF(std::numeric_limits<double>::infinity(), 10);
    EXPECT_TRUE(std::holds_alternative<Format::FormatError>(Format::encode(contents)));
}

// ---- round trip ----

Format::Contents richContents()
{
    const QUuid group = QUuid::createUuid();
    Layer base = bitmapLayer(test::randomBitmap(37, 23, 11), {}, "Base");
    base.opacity = 0.75;
    base.origin = QPointF(1.5, -2.25);
    base.groupID = group;
    base.isLocked = true;
    base.effects.shadow = ShadowEffect{{0.1, 0.2, 0.3, 0.5}, QSizeF(4.5, -3), 6.25};
    base.effects.stroke = StrokeEffect{{1, 0, 0, 1}, 2};
    base.effects.glow = GlowEffect{{1, 1, 0.5, 0.8}, 9};

    Layer hidden = bitmapLayer(test::randomBitmap(16, 9, 12), {}, "Hidden");
    hidden.isVisible = false;
    hidden.groupID = group;

    Layer text;
    text.name = "Title";
    TextLayerAttributes attributes{QStringLiteral("Hello world"), QStringLiteral("DejaVu Sans"), 32, {0, 0, 0, 1}, {}};
    attributes.runs = {TextStyleRun{5, 48.0, std::nullopt, QStringLiteral("DejaVu Serif")},
                       TextStyleRun{6, std::nullopt, StoredColor{1, 0, 0, 1}, std::nullopt}};
    text.content = attributes;
    text.effects.stroke = StrokeEffect{{0, 0, 1, 1}, 1.5};

    auto contents = contentsWith({base, hidden, text}, {200, 100});
    for (const LayerBlendMode mode : allBlendModes()) {
        Layer layer = bitmapLayer(test::solidBitmap(1, 1, {9, 8, 7, 200}), {}, rawValue(mode));
        layer.blendMode = mode;
        contents.state.layers.push_back(layer);
    }
    contents.state.selectedLayerID = base.id;
    contents.state.extraSelectedLayerIDs = {hidden.id, text.id, QUuid::createUuid()};
    contents.selection = QRectF(10, 20, 30, 40);
    contents.selectionAspect = QSizeF(4, 3);
    contents.selectionShape = SelectionShape::ellipse;
    contents.selectionInverted = true;
    return contents;
}

TEST(NativeFormatRoundTrip, EverythingComesBack)
{
    const auto contents = richContents();
    const QByteArray data = encoded(contents);
    const auto back = decoded(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->state.size, contents.state.size);
    ASSERT_EQ(back->state.layers.size(), contents.state.layers.size());
    for (qsizetype i = 0; i < contents.state.layers.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameLayer(back->state.layers[i], contents.state.layers[i]);
    }
    EXPECT_EQ(back->state.selectedLayerID, contents.state.selectedLayerID);
    EXPECT_EQ(back->state.extraSelectedLayerIDs, contents.state.extraSelectedLayerIDs);
    EXPECT_EQ(back->selection, contents.selection);
    EXPECT_EQ(back->selectionAspect, contents.selectionAspect);
    EXPECT_EQ(back->selectionShape, SelectionShape::ellipse);
    EXPECT_TRUE(back->selectionInverted);

    // Layers are encoded in parallel; one thread must give the same bytes.
    tbb::global_control serial(tbb::global_control::max_allowed_parallelism, 1);
    EXPECT_EQ(encoded(contents), data);
    EXPECT_EQ(encoded(*back), data);
}

// Each bitmap layer's PNG as the file holds it, through Qt's Base64 and the general decoder: how
// layers were read before the layer reader.
QVector<std::optional<Bitmap>> layersReadTheGeneralWay(const QByteArray& data)
{
    QVector<std::optional<Bitmap>> bitmaps;
    for (const QJsonValue layer : QJsonDocument::fromJson(data)["layers"].toArray()) {
        const QByteArray base64 = layer["pngData"].toString().toLatin1();
        bitmaps.push_back(base64.isEmpty() ? std::nullopt
                                           : decodeImageData(QByteArray::fromBase64(base64), ImageType::png));
    }
    return bitmaps;
}

TEST(NativeFormatRoundTrip, LayersReadInParallelEqualThoseReadTheGeneralWay)
{
    auto contents = richContents();
    // A layer with a text chunk goes to the general decoder, the others to the layer reader.
    QImage titled = test::randomBitmap(20, 30, 4).image().copy();
    titled.setText(QStringLiteral("Title"), QStringLiteral("Layer"));
    contents.state.layers.push_back(bitmapLayer(Bitmap::fromImage(titled), {}, "Titled"));
    const QByteArray data = encoded(contents);
    const auto back = decoded(data);
    ASSERT_TRUE(back);
    const QVector<std::optional<Bitmap>> general = layersReadTheGeneralWay(data);
    ASSERT_EQ(general.size(), back->state.layers.size());
    for (qsizetype i = 0; i < general.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(general[i].has_value(), !back->state.layers[i].isText());
        if (!general[i])
            continue;
        const Bitmap& read = *back->state.layers[i].bitmap();
        expectSamePixels(read, *general[i]);
        EXPECT_EQ(read.image().dotsPerMeterX(), general[i]->image().dotsPerMeterX());
        EXPECT_EQ(read.image().textKeys(), general[i]->image().textKeys());
    }
}

TEST(NativeFormatReading, OutlineReadsOnlyTheStartOfEachLayer)
{
    const auto contents = richContents();
    const QByteArray data = encoded(contents);
    // Every layer's PNG cut off right after its header.
    QJsonObject document = QJsonDocument::fromJson(data).object();
    QJsonArray layers = document["layers"].toArray();
    for (qsizetype i = 0; i < layers.size(); ++i) {
        QJsonObject layer = layers[i].toObject();
        if (layer.contains("pngData"))
            layer["pngData"] = QString::fromLatin1(
                QByteArray::fromBase64(layer["pngData"].toString().toLatin1()).left(33).toBase64());
        layers[i] = layer;
    }
    document["layers"] = layers;
    const QByteArray truncated = QJsonDocument(document).toJson(QJsonDocument::Compact);
    EXPECT_EQ(decodeError(truncated), Kind::corruptLayerData);

    for (const QByteArray& file : {data, truncated}) {
        const auto outline = Format::decodeOutline(file);
        ASSERT_TRUE(std::holds_alternative<Format::Outline>(outline));
        const Format::Outline& read = std::get<Format::Outline>(outline);
        EXPECT_EQ(read.contents.state.size, contents.state.size);
        ASSERT_EQ(read.contents.state.layers.size(), contents.state.layers.size());
        for (qsizetype i = 0; i < contents.state.layers.size(); ++i) {
            const Layer& layer = read.contents.state.layers[i];
            const Layer& original = contents.state.layers[i];
            EXPECT_EQ(layer.id, original.id);
            EXPECT_EQ(layer.effects, original.effects);
            EXPECT_EQ(read.bitmapSizes[i], original.isText() ? QSize() : original.bitmap()->size());
            EXPECT_TRUE(layer.isText() || layer.bitmap()->isNull());
        }
        EXPECT_EQ(read.contents.selection, contents.selection);
    }
    // The budget and the layers' headers are checked as when the pixels are read.
    EXPECT_TRUE(std::holds_alternative<Format::FormatError>(Format::decodeOutline(
        QJsonDocument(withLayerKeys({{"pngData", QString::fromLatin1(hugePng().toBase64())}})).toJson())));
}

// ---- reading ----

TEST(NativeFormatReading, VersionsUpToOneAreAccepted)
{
    for (const QJsonValue& version : {QJsonValue(1), QJsonValue(0), QJsonValue(-1), QJsonValue(1.0)})
        EXPECT_EQ(decodeError(withKeys(documentObject(), {{"formatVersion", version}})), std::nullopt) << version.toDouble();
    EXPECT_EQ(decodeError(withKeys(documentObject(), {{"formatVersion", 2}})), Kind::unsupportedVersion);
    EXPECT_EQ(decodeError(withKeys(documentObject(), {{"formatVersion", 1.5}})), Kind::invalidJson);
    // Integral values in any number notation count as integers.
    const QByteArray compact = QJsonDocument(documentObject()).toJson(QJsonDocument::Compact);
    ASSERT_TRUE(compact.contains("\"formatVersion\":1,"));
    for (const char* version : {"1.0", "1e0", "-0.0"})
        EXPECT_EQ(decodeError(QByteArray(compact).replace("\"formatVersion\":1,", "\"formatVersion\":" + QByteArray(version) + ",")),
                  std::nullopt) << version;
    EXPECT_EQ(decodeError(QByteArray(compact).replace("\"formatVersion\":1,", "\"formatVersion\":2.0,")),
              Kind::unsupportedVersion);
    EXPECT_EQ(decodeError(withKeys(documentObject(), {{"formatVersion", "1"}})), Kind::invalidJson);
    // The version is checked after the JSON shape and before any pixels.
    EXPECT_EQ(decodeError(withKeys(withLayerKeys({{"pngData", "AAAA"}}), {{"formatVersion", 2}})),
              Kind::unsupportedVersion);
}

TEST(NativeFormatReading, TextKindNeedsATextObject)
{
    const QJsonObject textObject{{"string", "Hi"}, {"fontFamily", "DejaVu Sans"}, {"fontSize", 20},
                                 {"color", QJsonObject{{"red", 0}, {"green", 0}, {"blue", 0}, {"alpha", 1}}}};
    // "text" kind without the object: a bitmap layer after all.
    EXPECT_FALSE(decodedObject(withLayerKeys({{"kind", "text"}})).state.layers[0].isText());
    QJsonObject noPixels = layerObject();
    noPixels.remove("pngData");
    noPixels["kind"] = "text";
    EXPECT_EQ(decodeError(documentObject({noPixels})), Kind::corruptLayerData);
    // Any kind but "text" ignores the text object.
    noPixels["text"] = textObject;
    noPixels["kind"] = "Text";
    EXPECT_EQ(decodeError(documentObject({noPixels})), Kind::corruptLayerData);
    noPixels["kind"] = "text";
    const auto contents = decodedObject(documentObject({noPixels}));
    ASSERT_TRUE(contents.state.layers[0].isText());
    EXPECT_EQ(contents.state.layers[0].text()->string, "Hi");
}

TEST(NativeFormatReading, TextRunsAreNormalised)
{
    const QJsonObject red{{"red", 1}, {"green", 0}, {"blue", 0}, {"alpha", 1}};
    QJsonObject layer = layerObject();
    layer.remove("pngData");
    layer["kind"] = "text";
    layer["text"] = QJsonObject{{"string", "Hello"}, {"fontFamily", "F"}, {"fontSize", 20},
                                {"color", QJsonObject{{"red", 0}, {"green", 0}, {"blue", 0}, {"alpha", 1}}},
                                {"runs", QJsonArray{QJsonObject{{"length", 2}, {"color", red}},
                                                    QJsonObject{{"length", 30}, {"color", red}}}}};
    // Two runs with one colour that run past the end fold into the base colour.
    const auto text = *decodedObject(documentObject({layer})).state.layers[0].text();
    EXPECT_TRUE(text.runs.isEmpty());
    EXPECT_EQ(text.color, (StoredColor{1, 0, 0, 1}));
}

TEST(NativeFormatReading, BlendModeNamesMatchExactly)
{
    auto modeOf = [](const QJsonValue& value) {
        return decodedObject(withLayerKeys({{"blendMode", value}})).state.layers[0].blendMode;
    };
    EXPECT_EQ(modeOf("normal"), LayerBlendMode::normal);
    EXPECT_EQ(modeOf("Multiply"), LayerBlendMode::normal);
    EXPECT_EQ(modeOf("colordodge"), LayerBlendMode::normal);
    EXPECT_EQ(modeOf("sparkle"), LayerBlendMode::normal);
    EXPECT_EQ(modeOf(QJsonValue::Null), LayerBlendMode::normal);
    for (const LayerBlendMode mode : allBlendModes())
        EXPECT_EQ(modeOf(rawValue(mode)), mode) << rawValue(mode).toStdString();
    EXPECT_EQ(decodeError(withLayerKeys({{"blendMode", 3}})), Kind::invalidJson);
}

TEST(NativeFormatReading, SelectionIsClippedRoundedOrDropped)
{
    auto selectionOf = [](double x, double y, double width, double height) {
        return decodedObject(withKeys(documentObject(), {{"selectionX", x}, {"selectionY", y},
                                                         {"selectionWidth", width}, {"selectionHeight", height}}))
            .selection;
    };
    EXPECT_EQ(selectionOf(10, 10, 0.5, 100), std::nullopt);
    EXPECT_EQ(selectionOf(10, 10, 100, 0.99), std::nullopt);
    EXPECT_EQ(selectionOf(-10, -10, 50, 50), QRectF(0, 0, 40, 40));
    EXPECT_EQ(selectionOf(200, 10, 50, 50), std::nullopt);
    EXPECT_EQ(selectionOf(100, 10, 50, 50), std::nullopt);  // touches the edge only
    EXPECT_EQ(selectionOf(10.5, 20.2, 5.1, 5), QRectF(10, 20, 6, 6));
    EXPECT_EQ(selectionOf(90, 90, 1e9, 1e9), QRectF(90, 90, 10, 10));

    auto partial = withKeys(documentObject(), {{"selectionX", 1}, {"selectionY", 1}, {"selectionWidth", 5}});
    EXPECT_EQ(decodedObject(partial).selection, std::nullopt);
    partial["selectionHeight"] = QJsonValue::Null;
    EXPECT_EQ(decodedObject(partial).selection, std::nullopt);
}

TEST(NativeFormatReading, AspectShapeAndInversion)
{
    auto read = [](const QJsonObject& keys) { return decodedObject(withKeys(documentObject(), keys)); };
    EXPECT_EQ(read({{"aspectWidth", 4}, {"aspectHeight", 0}}).selectionAspect, std::nullopt);
    EXPECT_EQ(read({{"aspectWidth", 4}, {"aspectHeight", -3}}).selectionAspect, std::nullopt);
    EXPECT_EQ(read({{"aspectWidth", 4}}).selectionAspect, std::nullopt);
    EXPECT_EQ(read({{"aspectWidth", 4}, {"aspectHeight", 3}}).selectionAspect, QSizeF(4, 3));

    EXPECT_EQ(read({{"selectionShape", "ellipse"}}).selectionShape, SelectionShape::ellipse);
    EXPECT_EQ(read({{"selectionShape", "Ellipse"}}).selectionShape, SelectionShape::rectangle);
    EXPECT_EQ(read({{"selectionShape", "circle"}}).selectionShape, SelectionShape::rectangle);
    EXPECT_EQ(read({}).selectionShape, SelectionShape::rectangle);
    EXPECT_TRUE(read({{"selectionInverted", true}}).selectionInverted);
    EXPECT_FALSE(read({}).selectionInverted);
    EXPECT_EQ(decodeError(withKeys(documentObject(), {{"selectionInverted", 1}})), Kind::invalidJson);
}

TEST(NativeFormatReading, IdsAreRepaired)
{
    const QString bottomID = QStringLiteral("6ba7b810-9dad-11d1-80b4-00c04fd430c8");
    const QString topID = QStringLiteral("{6BA7B811-9DAD-11D1-80B4-00C04FD430C8}");
    const QJsonArray layers{layerObject(bottomID), layerObject(topID)};
    const QUuid top = QUuid::fromString(topID);

    // Missing, null or invalid selected id: the top layer.
    EXPECT_EQ(decodedObject(documentObject(layers)).state.selectedLayerID, top);
    EXPECT_EQ(decodedObject(withKeys(documentObject(layers), {{"selectedLayerID", QJsonValue::Null}})).state.selectedLayerID, top);
    EXPECT_EQ(decodedObject(withKeys(documentObject(layers), {{"selectedLayerID", "nope"}})).state.selectedLayerID, top);
    EXPECT_EQ(decodedObject(withKeys(documentObject(layers), {{"selectedLayerID", bottomID}})).state.selectedLayerID,
              QUuid::fromString(bottomID));
    // A valid id naming no layer is kept as it is.
    const QString stranger = QStringLiteral("00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(decodedObject(withKeys(documentObject(layers), {{"selectedLayerID", stranger}})).state.selectedLayerID,
              QUuid());
    EXPECT_EQ(decodedObject(documentObject(QJsonArray())).state.selectedLayerID, std::nullopt);

    // Invalid layer ids get fresh, distinct ones; invalid groups and extra ids are dropped.
    QJsonArray broken{withKeys(layerObject("x"), {{"groupID", "not-a-group"}}),
                      withKeys(layerObject("x"), {{"groupID", bottomID}})};
    const auto contents = decodedObject(withKeys(documentObject(broken),
                                                 {{"extraSelectedLayerIDs", QJsonArray{"bad", topID, ""}}}));
    const auto& read = contents.state.layers;
    EXPECT_FALSE(read[0].id.isNull());
    EXPECT_NE(read[0].id, read[1].id);
    EXPECT_EQ(read[0].groupID, std::nullopt);
    EXPECT_EQ(read[1].groupID, QUuid::fromString(bottomID));
    EXPECT_EQ(contents.state.extraSelectedLayerIDs, QSet<QUuid>{top});
    EXPECT_EQ(contents.state.selectedLayerID, read[1].id);
}

TEST(NativeFormatReading, OptionalLayerKeysAndUnknownKeys)
{
    const auto plain = decodedObject(withKeys(withLayerKeys({{"isLocked", QJsonValue::Null}, {"effects", QJsonValue::Null},
                                                             {"future", QJsonObject{{"x", 1}}}}),
                                              {{"futureTop", QJsonArray{1, 2}}}));
    const Layer& layer = plain.state.layers[0];
    EXPECT_FALSE(layer.isLocked);
    EXPECT_EQ(layer.effects, LayerEffects());
    EXPECT_EQ(layer.bitmap()->size(), QSize(2, 2));

    const QJsonObject color{{"red", 0}, {"green", 1}, {"blue", 0}, {"alpha", 1}};
    const auto glowOnly = decodedObject(withLayerKeys({{"effects", QJsonObject{{"glow", QJsonObject{{"color", color}, {"radius", 3}}}}}}));
    EXPECT_EQ(glowOnly.state.layers[0].effects, (LayerEffects{std::nullopt, std::nullopt, GlowEffect{{0, 1, 0, 1}, 3}}));
}

// ---- hostile input ----

TEST(NativeFormatHostile, NotJsonOrTruncated)
{
    for (const QByteArray& data : {QByteArray(), QByteArray("not json"), QByteArray("[]"), QByteArray("null"),
                                   QByteArray("{\"formatVersion\":1"), QByteArray("\xff\xfe{}", 4)})
        EXPECT_EQ(decodeError(data), Kind::invalidJson) << data.toStdString();

    const QByteArray whole = encoded(contentsWith({bitmapLayer(test::randomBitmap(3, 3, 5), {}, "L")}));
    for (qsizetype length = 0; length < whole.size(); ++length)
        ASSERT_EQ(decodeError(whole.left(length)), Kind::invalidJson) << length;

    // A view of bytes that end where the document does has no room to read past: it is copied.
    const std::unique_ptr<char[]> exact(new char[std::size_t(whole.size())]);
    std::memcpy(exact.get(), whole.constData(), std::size_t(whole.size()));
    EXPECT_EQ(decodeError(QByteArray::fromRawData(exact.get(), whole.size())), std::nullopt);
}

// The reader walks the document lazily; it must still accept and refuse exactly what a full parse
// does, and take the first of duplicate keys.
TEST(NativeFormatHostile, EveryValueIsCheckedAsJsonEvenUnread)
{
    const QByteArray valid = QJsonDocument(documentObject()).toJson(QJsonDocument::Compact);
    auto withFirst = [&](const QByteArray& pair) { return QByteArray("{") + pair + "," + valid.mid(1); };
    for (const QByteArray& pair : {QByteArray(R"("zz":tru)"), QByteArray(R"("zz":[1,{"a":"\q"}])"),
                                   QByteArray(R"("zz":[1 2])"), QByteArray(R"("zz":1.2.3)"), QByteArray(R"("z\q":1)")})
        EXPECT_EQ(decodeError(withFirst(pair)), Kind::invalidJson) << pair.toStdString();
    EXPECT_EQ(decodeError(withFirst(R"("zz":[1,{"a":"\u0041\/"}, null, false])")), std::nullopt);
    EXPECT_EQ(decodeError(valid + " {}"), Kind::invalidJson);
    EXPECT_EQ(decodeError(valid + " \n"), std::nullopt);

    // The first of two keys counts, also when it is written with escapes.
    EXPECT_EQ(decoded(withFirst(R"("width":7)"))->state.size.width(), 7);
    EXPECT_EQ(decoded(withFirst(R"("\u0077idth":8)"))->state.size.width(), 8);

    // Base64 with escapes of any kind is the same Base64; a real backslash in it is not Base64.
    const Format::Contents contents = contentsWith({bitmapLayer(test::randomBitmap(40, 40, 3), {}, "L")});
    QByteArray file = encoded(contents);
    ASSERT_TRUE(file.contains("\\/"));
    const auto unicodeEscaped = decoded(QByteArray(file).replace("\\/", "\\u002F"));
    ASSERT_TRUE(unicodeEscaped);
    expectSamePixels(*unicodeEscaped->state.layers[0].bitmap(), *contents.state.layers[0].bitmap());
    EXPECT_EQ(decodeError(QByteArray(file).replace("\\/", "\\\\/")), Kind::corruptLayerData);
    EXPECT_EQ(decodeError(QByteArray(file).replace("\\/", "\\x")), Kind::invalidJson);

    // The same deep inside a document large enough to be searched for escapes on another core.
    const Format::Contents large = contentsWith({bitmapLayer(test::randomBitmap(1100, 1100, 4), {}, "L")});
    QByteArray largeFile = encoded(large);
    ASSERT_GT(largeFile.size(), 4 << 20);
    const qsizetype lastSlash = largeFile.lastIndexOf("\\/");
    const auto lateEscape = decoded(QByteArray(largeFile).replace(lastSlash, 2, "\\u002F"));
    ASSERT_TRUE(lateEscape);
    expectSamePixels(*lateEscape->state.layers[0].bitmap(), *large.state.layers[0].bitmap());
    EXPECT_EQ(decodeError(QByteArray(largeFile).replace(lastSlash, 2, "\\\\/")), Kind::corruptLayerData);
    // Escapes in every block before the layers (8 MiB of "\n") do not hide the one in a layer.
    const QByteArray crowded = QByteArray("{\"zz\":\"") + QByteArray("\\n").repeated(4 << 20) + "\"," + largeFile.mid(1);
    const auto crowdedEscape = decoded(QByteArray(crowded).replace(crowded.lastIndexOf("\\/"), 2, "\\u002F"));
    ASSERT_TRUE(crowdedEscape);
    expectSamePixels(*crowdedEscape->state.layers[0].bitmap(), *large.state.layers[0].bitmap());
    EXPECT_EQ(decodeError(QByteArray(crowded).replace(crowded.lastIndexOf("\\/"), 2, "\\\\/")), Kind::corruptLayerData);

    // A syntax error outranks a value of the wrong shape before it, and is worded as a full parse words it.
    auto reason = [](const QByteArray& data) {
        const auto result = Format::decode(data);
        const auto* error = std::get_if<Format::FormatError>(&result);
        return error ? error->detail : QString();
    };
    const QByteArray wrongShape = QJsonDocument(withLayerKeys({{"isVisible", "yes"}})).toJson(QJsonDocument::Compact);
    EXPECT_EQ(reason(wrongShape), QStringLiteral("layers[0].isVisible: not a boolean"));
    EXPECT_EQ(reason(wrongShape + "]"), reason(valid + "]"));
    EXPECT_FALSE(reason(valid + "]").isEmpty());
}

TEST(NativeFormatHostile, EveryRequiredKeyMissingOrOfTheWrongType)
{
    const QJsonObject color{{"red", 0}, {"green", 0}, {"blue", 0}, {"alpha", 1}};
    const QJsonObject text{{"string", "Hi"}, {"fontFamily", "F"}, {"fontSize", 20}, {"color", color},
                           {"runs", QJsonArray{QJsonObject{{"length", 1}, {"fontSize", 30}}}}};
    QJsonObject textLayer = withKeys(layerObject(), {{"kind", "text"}, {"text", text}});
    textLayer["effects"] = QJsonObject{{"shadow", QJsonObject{{"color", color}, {"offsetX", 1}, {"offsetY", 1}, {"blur", 1}}},
                                       {"stroke", QJsonObject{{"color", color}, {"width", 1}}},
                                       {"glow", QJsonObject{{"color", color}, {"radius", 1}}}};
    const QJsonObject valid = documentObject({textLayer});
    ASSERT_EQ(decodeError(valid), std::nullopt);

    // A value of another JSON type than the key needs.
    auto wrongType = [](const QJsonValue& value) {
        return value.isString() ? QJsonValue(5) : QJsonValue(QStringLiteral("5"));
    };
    // Visits every required key below `object`, at the path given by `change`.
    using Edit = std::function<QJsonObject(const std::function<QJsonObject(QJsonObject)>&)>;
    auto check = [&](const Edit& edit, const QStringList& keys, const QString& where) {
        for (const QString& key : keys) {
            const QJsonObject missing = edit([&](QJsonObject o) { o.remove(key); return o; });
            EXPECT_EQ(decodeError(missing), Kind::invalidJson) << where.toStdString() << " without " << key.toStdString();
            const QJsonObject wrong = edit([&](QJsonObject o) { o[key] = wrongType(o[key]); return o; });
            EXPECT_EQ(decodeError(wrong), Kind::invalidJson) << where.toStdString() << " wrong " << key.toStdString();
            const QJsonObject null = edit([&](QJsonObject o) { o[key] = QJsonValue::Null; return o; });
            EXPECT_EQ(decodeError(null), Kind::invalidJson) << where.toStdString() << " null " << key.toStdString();
        }
    };
    auto inLayer = [&](const std::function<QJsonObject(QJsonObject)>& change) {
        return documentObject({change(textLayer)});
    };
    auto inObject = [&](const QString& key, const QJsonObject& inner) {
        return [&, key, inner](const std::function<QJsonObject(QJsonObject)>& change) {
            return inLayer([&](QJsonObject layer) { layer[key] = change(inner); return layer; });
        };
    };
    auto inEffect = [&](const QString& effect) {
        return [&, effect](const std::function<QJsonObject(QJsonObject)>& change) {
            return inLayer([&](QJsonObject layer) {
                QJsonObject effects = layer["effects"].toObject();
                effects[effect] = change(effects[effect].toObject());
                layer["effects"] = effects;
                return layer;
            });
        };
    };
    check([&](const auto& change) { return change(valid); }, {"formatVersion", "width", "height", "layers"}, "file");
    check(inLayer, {"id", "name", "isVisible", "opacity", "originX", "originY", "kind"}, "layer");
    check(inObject("text", text), {"string", "fontFamily", "fontSize", "color"}, "text");
    check(inEffect("shadow"), {"color", "offsetX", "offsetY", "blur"}, "shadow");
    check(inEffect("stroke"), {"color", "width"}, "stroke");
    check(inEffect("glow"), {"color", "radius"}, "glow");
    check([&](const auto& change) { return inObject("text", withKeys(text, {{"color", change(color)}}))([](QJsonObject o) { return o; }); },
          {"red", "green", "blue", "alpha"}, "colour");
    const QJsonObject run{{"length", 1}, {"fontSize", 30}};
    check([&](const auto& change) { return inObject("text", withKeys(text, {{"runs", QJsonArray{change(run)}}}))([](QJsonObject o) { return o; }); },
          {"length"}, "run");

    // Containers and optional keys of the wrong type, and impossible run lengths.
    EXPECT_EQ(decodeError(withKeys(valid, {{"layers", QJsonObject()}})), Kind::invalidJson);
    EXPECT_EQ(decodeError(withKeys(valid, {{"extraSelectedLayerIDs", QJsonArray{1}}})), Kind::invalidJson);
    EXPECT_EQ(decodeError(withKeys(valid, {{"selectionX", "1"}})), Kind::invalidJson);
    QJsonArray arrayAsLayer;
    arrayAsLayer.append(QJsonArray());
    EXPECT_EQ(decodeError(documentObject(arrayAsLayer)), Kind::invalidJson);
    EXPECT_EQ(decodeError(withLayerKeys({{"pngData", 5}})), Kind::invalidJson);
    EXPECT_EQ(decodeError(withLayerKeys({{"effects", QJsonArray()}})), Kind::invalidJson);
    for (const QJsonValue& length : {QJsonValue(-1), QJsonValue(1.5)}) {
        const QJsonObject badRun = withKeys(text, {{"runs", QJsonArray{QJsonObject{{"length", length}}}}});
        EXPECT_EQ(decodeError(documentObject({withKeys(textLayer, {{"text", badRun}})})), Kind::invalidJson);
    }
    const QJsonObject hugeRun = withKeys(text, {{"runs", QJsonArray{QJsonObject{{"length", 1e15}, {"fontSize", 9}}}}});
    EXPECT_EQ(decodeError(documentObject({withKeys(textLayer, {{"text", hugeRun}})})), std::nullopt);
}

TEST(NativeFormatHostile, UnreadableLayerPixels)
{
    const QByteArray garbage = QByteArray("this is not an image at all").toBase64();
    const QByteArray truncated = pngBase64(test::randomBitmap(50, 50, 9)).left(200);
    for (const QByteArray& png : {QByteArray("@@@@ not base64"), QByteArray("AAA"), QByteArray(), garbage,
                                  truncated, hugePng().toBase64()})
        EXPECT_EQ(decodeError(withLayerKeys({{"pngData", QString::fromLatin1(png)}})), Kind::corruptLayerData)
            << png.left(40).toStdString();

    // One bad layer among good ones spoils the whole document.
    const QJsonArray layers{layerObject(), withKeys(layerObject(), {{"pngData", "AAAA"}}), layerObject()};
    EXPECT_EQ(decodeError(documentObject(layers)), Kind::corruptLayerData);
}

TEST(NativeFormatHostile, OverlongTextIsRefusedWithItsReasonAndEffectsAreClamped)
{
    const QJsonObject black{{"red", 0}, {"green", 0}, {"blue", 0}, {"alpha", 1}};
    const auto textDocument = [&](const QString& string) {
        QJsonObject layer = layerObject();
        layer.remove("pngData");
        layer["kind"] = "text";
        layer["text"] = QJsonObject{{"string", string}, {"fontFamily", "F"}, {"fontSize", 20}, {"color", black}};
        return QJsonDocument(documentObject({layerObject(), layer})).toJson(QJsonDocument::Compact);
    };
    QString lines = QStringLiteral("a\r\n").repeated(kMaxTextLines - 1) + u'a';
    EXPECT_TRUE(decoded(textDocument(lines)));
    lines += u'\n';
    const FileResult<NativeDocument> tooManyLines = readNativeDocument(textDocument(lines));
    ASSERT_TRUE(std::holds_alternative<FileError>(tooManyLines));
    EXPECT_EQ(std::get<FileError>(tooManyLines), FileError::imageUnreadable());
    EXPECT_EQ(std::get<FileError>(tooManyLines).detail, "layers[1].text.string: more than 30000 lines");
    const FileResult<NativeDocument> tooLong = readNativeDocument(textDocument(QString(kMaxTextLength + 1, u'x')));
    ASSERT_TRUE(std::holds_alternative<FileError>(tooLong));
    EXPECT_EQ(std::get<FileError>(tooLong).detail, "layers[1].text.string: more than 1000000 characters");

    const QJsonObject effects{
        {"glow", QJsonObject{{"color", black}, {"radius", 2000}}},
        {"stroke", QJsonObject{{"color", black}, {"width", 1e300}}},
        {"shadow", QJsonObject{{"color", black}, {"offsetX", -1e9}, {"offsetY", 3}, {"blur", 5000}}}};
    const LayerEffects read = decodedObject(withLayerKeys({{"effects", effects}})).state.layers[0].effects;
    EXPECT_EQ(read.glow->radius, kMaxGlowRadius);
    EXPECT_EQ(read.stroke->width, kMaxStrokeEffectWidth);
    EXPECT_EQ(read.shadow->blur, kMaxShadowBlur);
    EXPECT_EQ(read.shadow->offset, QSizeF(-kMaxShadowOffset, 3));
}

// The reason the reader gives for a document through the path every caller uses.
QString readingReason(const QJsonObject& document)
{
    const FileResult<NativeDocument> read = readDocumentData(QJsonDocument(document).toJson(QJsonDocument::Compact),
                                                             *typeNameForPath(QStringLiteral("a.velmaris")));
    const FileError* error = std::get_if<FileError>(&read);
    if (!error)
        return QStringLiteral("(read)");
    EXPECT_EQ(*error, FileError::imageUnreadable());
    return error->detail;
}

TEST(NativeFormatHostile, ErrorsNameWhatIsWrongAndLayerDataMustBePng)
{
    EXPECT_EQ(readingReason(withLayerKeys({{"isVisible", "yes"}})), QStringLiteral("layers[0].isVisible: not a boolean"));
    QJsonObject noName = layerObject();
    noName.remove(QStringLiteral("name"));
    EXPECT_EQ(readingReason(documentObject({layerObject(), noName})), QStringLiteral("layers[1]: missing \"name\""));
    QJsonObject noPixels = layerObject();
    noPixels.remove(QStringLiteral("pngData"));
    EXPECT_EQ(readingReason(documentObject({layerObject(), layerObject(), noPixels})),
              QStringLiteral("layers[2]: missing \"pngData\""));
    EXPECT_EQ(readingReason(withLayerKeys({{"pngData", "@@ not base64"}})), QStringLiteral("layers[0].pngData: not Base64"));
    EXPECT_EQ(readingReason(withLayerKeys({{"pngData", QString::fromLatin1(hugePng().toBase64())}})),
              QStringLiteral("layers[0].pngData: 50000 × 50000 pixels is more than a layer may hold"));
    const QByteArray truncated = encodeImageData(test::randomBitmap(50, 50, 9), ImageType::png).value().left(200);
    EXPECT_EQ(readingReason(withLayerKeys({{"pngData", QString::fromLatin1(truncated.toBase64())}})),
              QStringLiteral("layers[0].pngData: the PNG could not be decoded"));

    // Other formats the image reader knows are refused however well-formed they are.
    for (const ImageType type : {ImageType::bmp, ImageType::gif, ImageType::jpeg, ImageType::tiff}) {
        const QByteArray other = encodeImageData(test::solidBitmap(2, 2, {10, 20, 30, 255}), type).value();
        const QJsonArray layers{layerObject(), withKeys(layerObject(), {{"pngData", QString::fromLatin1(other.toBase64())}})};
        EXPECT_EQ(readingReason(documentObject(layers)), QStringLiteral("layers[1].pngData: not a PNG")) << int(type);
    }

    const FileResult<NativeDocument> notJson = readDocumentData("{\"formatVersion\":", *typeNameForPath(QStringLiteral("a.velmaris")));
    ASSERT_TRUE(std::holds_alternative<FileError>(notJson));
    EXPECT_FALSE(std::get<FileError>(notJson).detail.isEmpty());
}

TEST(NativeFormatHostile, LayerPixelsHaveATotalBudgetCheckedBeforeDecoding)
{
    // 24 layers of a real 16384 × 16384 PNG: about 1 MB of document that would decode to 24 GiB.
    const QString bomb = QString::fromLatin1(test::blackOneBitPng(16384).toBase64());
    QJsonArray layers;
    for (int i = 0; i < 24; ++i)
        layers.append(withKeys(layerObject(), {{"pngData", bomb}}));
    const QString budget = QStringLiteral("the layers' pixels exceed the budget of 1000 megapixels");
    EXPECT_EQ(readingReason(documentObject(layers)), budget);

    // Three such layers (805 megapixels) are within it, a fourth is not; the check needs only headers.
    const QString headerOnly = QString::fromLatin1(
        (test::kPngSignature + test::pngChunk("IHDR" + test::bigEndian(16384) + test::bigEndian(16384)
                                              + QByteArray("\x08\x06\x00\x00\x00", 5)))
            .toBase64());
    QJsonArray four{withKeys(layerObject(), {{"pngData", headerOnly}})};
    for (int i = 0; i < 3; ++i)
        four.append(withKeys(layerObject(), {{"pngData", headerOnly}}));
    four.append(withKeys(layerObject(), {{"pngData", "@@"}}));
    EXPECT_EQ(readingReason(documentObject(four)), budget);
    four.removeAt(0);
    EXPECT_EQ(readingReason(documentObject(four)), QStringLiteral("layers[3].pngData: not Base64"));
}

}  // namespace
}  // namespace velmaris
