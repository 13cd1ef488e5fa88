#include "files/PSDDocument.h"

#include "files/CodecTestHelpers.h"
#include "files/DocumentType.h"
#include "files/LayeredDocument.h"
#include "files/OpenImageFile.h"
#include "files/PackBits.h"
#include "render/Compositor.h"
#include "render/LayerRasterization.h"

#include "TestImages.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <random>

namespace velmaris {
namespace {

using test::bitmapLayer;
using test::bigEndian;

// ---- helpers ----

NativeDocument documentWith(QVector<Layer> layers, QSizeF size = {24, 18})
{
    NativeDocument document;
    document.state.size = size;
    document.state.layers = std::move(layers);
    return document;
}

QByteArray written(const NativeDocument& document)
{
    FileResult<QByteArray> bytes = writePSDDocument(document);
    if (const auto* error = std::get_if<FileError>(&bytes)) {
        ADD_FAILURE() << error->withReason().toStdString();
        return {};
    }
    return std::get<QByteArray>(bytes);
}

std::optional<NativeDocument> read(const QByteArray& data)
{
    FileResult<NativeDocument> document = readPSDDocument(data);
    if (const auto* error = std::get_if<FileError>(&document)) {
        ADD_FAILURE() << error->withReason().toStdString();
        return std::nullopt;
    }
    return std::get<NativeDocument>(std::move(document));
}

// The reason a read failed with the read error; empty when it did not fail so.
QString refusal(const QByteArray& data)
{
    const FileResult<NativeDocument> document = readPSDDocument(data);
    const auto* error = std::get_if<FileError>(&document);
    if (!error)
        return {};
    EXPECT_EQ(*error, FileError::imageUnreadable());
    return error->detail.isEmpty() ? QStringLiteral("(no reason)") : error->detail;
}

// Groups as sets of layer names: ids differ after a round trip, membership must not.
std::map<QUuid, QStringList> groupsOf(const CanvasState& state)
{
    std::map<QUuid, QStringList> groups;
    for (const Layer& layer : state.layers)
        if (layer.groupID)
            groups[*layer.groupID].append(layer.name);
    return groups;
}

QList<QStringList> groupMembers(const CanvasState& state)
{
    QList<QStringList> members;
    for (const auto& [id, names] : groupsOf(state))
        members.append(names);
    std::sort(members.begin(), members.end());
    return members;
}

// Straight RGBA bytes as premultiplied pixels, the way a bitmap holds them.
Bitmap premultipliedFrom(const QByteArray& straight, int width, int height)
{
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto* in = reinterpret_cast<const uchar*>(straight.constData()) + 4 * (y * width + x);
            std::uint8_t* out = builder->row(y) + 4 * x;
            for (int c = 0; c < 3; ++c)
                out[c] = std::uint8_t((in[c] * in[3] + 127) / 255);
            out[3] = in[3];
        }
    return std::move(*builder).build();
}

// The exchange script under tests/files, run by the system's Python with psd-tools.
QJsonObject runExchange(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"),
                  QStringList{QStringLiteral(VELMARIS_FILES_TEST_SCRIPTS "/psd_exchange.py")} + arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// A layer record's offsets in our writer's output: header, two empty sections, the layer
// section's length and the layer info's, the count, then the first record.
constexpr int kFirstRecord = 26 + 4 + 4 + 4 + 4 + 2;
constexpr int kFirstChannelLength = kFirstRecord + 16 + 2 + 2;

// Where the first layer's channel data starts, past every record of the layer info.
qsizetype channelDataStart(const QByteArray& data)
{
    const auto number = [&](qsizetype offset, int size) {
        return size == 2 ? qFromBigEndian<quint16>(data.constData() + offset)
                         : qFromBigEndian<quint32>(data.constData() + offset);
    };
    qsizetype offset = kFirstRecord;
    for (int layer = std::abs(qint16(number(kFirstRecord - 2, 2))); layer > 0; --layer) {
        const int channels = int(number(offset + 16, 2));
        offset += 18 + 6 * channels + 12;
        offset += 4 + number(offset, 4);
    }
    return offset;
}

QByteArray patched(QByteArray data, int offset, const QByteArray& bytes)
{
    data.replace(offset, bytes.size(), bytes);
    return data;
}

// ---- PackBits ----

QByteArray packedRow(const QByteArray& row)
{
    QByteArray packed(packBitsBound(row.size()), '\0');
    packed.resize(packBitsRow(reinterpret_cast<const uchar*>(row.constData()), row.size(),
                              reinterpret_cast<uchar*>(packed.data())));
    return packed;
}

TEST(PackBits, RowsPackWithinTheirBoundAndUnpackToThemselves)
{
    std::mt19937 random(7);
    QList<QByteArray> rows{QByteArray(), QByteArray(1, 'a'), QByteArray(2, 'a'), QByteArray(3, 'a'),
                           QByteArray(128, 'x'), QByteArray(129, 'x'), QByteArray(130, 'x'),
                           QByteArray(300, 'y') + "ab" + QByteArray(5, 'z')};
    QByteArray literal;
    for (int i = 0; i < 1000; ++i)
        literal.append(char(i * 7));
    rows.append(literal);
    QByteArray mixed;
    for (int i = 0; i < 2000; ++i)
        mixed.append(char(random() % 3 == 0 ? 0 : random() % 4));
    rows.append(mixed);
    for (const QByteArray& row : rows) {
        const QByteArray packed = packedRow(row);
        EXPECT_LE(packed.size(), packBitsBound(row.size())) << row.size();
        QByteArray unpacked(row.size(), '\0');
        EXPECT_TRUE(unpackBitsRow(reinterpret_cast<const uchar*>(packed.constData()), packed.size(),
                                  reinterpret_cast<uchar*>(unpacked.data()), unpacked.size()));
        EXPECT_EQ(unpacked, row);
    }
    EXPECT_EQ(packedRow(rows[6]), QByteArray("\x81x\xffx", 4));  // 128 and 2 more: runs, not literals
}

TEST(PackBits, RowsThatDoNotFillTheirWidthExactlyAreRefused)
{
    uchar row[4] = {};
    const auto unpack = [&](const QByteArray& packed, qsizetype size) {
        return unpackBitsRow(reinterpret_cast<const uchar*>(packed.constData()), packed.size(), row, size);
    };
    EXPECT_TRUE(unpack(QByteArray("\xfdq", 2), 4));
    EXPECT_TRUE(unpack(QByteArray("\x80\x01" "ab\xff" "c", 6), 4));  // −128 is skipped
    EXPECT_FALSE(unpack(QByteArray("\xfcq", 2), 4));           // a run past the row
    EXPECT_FALSE(unpack(QByteArray("\x04" "abcde", 6), 4));    // a literal past the row
    EXPECT_FALSE(unpack(QByteArray("\x02" "ab", 3), 4));       // the data ends inside a literal
    EXPECT_FALSE(unpack(QByteArray("\xfe", 1), 4));            // a run without its byte
    EXPECT_FALSE(unpack(QByteArray("\x01" "ab", 3), 4));       // the row is left short
}

// ---- round trips through our writer ----

TEST(PSDDocument, LayersRoundTripWithTheirModesOpacityVisibilityPositionsAndGroups)
{
    QVector<Layer> layers;
    const auto modes = allBlendModes();
    const QUuid first = QUuid::createUuid();
    const QUuid second = QUuid::createUuid();
    for (int i = 0; i < kBlendModeCount; ++i) {
        Layer layer = bitmapLayer(test::randomBitmap(3 + i % 5, 2 + i % 4, unsigned(i)),
                                  QPointF(i - 4, 2 * i - 9), QStringLiteral("Layer %1").arg(i));
        layer.blendMode = modes[size_t(i)];
        layer.opacity = i / 15.0;
        layer.isVisible = i % 3 != 0;
        layer.isLocked = i % 4 == 1;
        if (i >= 3 && i <= 5)
            layer.groupID = first;
        if (i >= 9 && i <= 10)
            layer.groupID = second;
        layers.append(layer);
    }
    layers[7].name = QStringLiteral("Ébauche – 草稿 🎨");
    const NativeDocument document = documentWith(layers);
    const std::optional<NativeDocument> back = read(written(document));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->state.size, QSizeF(24, 18));
    ASSERT_EQ(back->state.layers.size(), layers.size());
    for (int i = 0; i < layers.size(); ++i) {
        const Layer& before = layers[i];
        const Layer& after = back->state.layers[i];
        SCOPED_TRACE(before.name.toStdString());
        EXPECT_EQ(after.name, before.name);
        EXPECT_EQ(after.blendMode, before.blendMode);
        EXPECT_NEAR(after.opacity, before.opacity, 0.5 / 255);
        EXPECT_EQ(after.isVisible, before.isVisible);
        EXPECT_EQ(after.isLocked, before.isLocked);
        EXPECT_EQ(after.origin, before.origin);
        ASSERT_TRUE(after.bitmap());
        EXPECT_TRUE(test::samePixels(*after.bitmap(), *before.bitmap()));
    }
    EXPECT_EQ(groupMembers(back->state), groupMembers(document.state));
    EXPECT_EQ(back->state.selectedLayerID, back->state.layers.last().id);
}

TEST(PSDDocument, TextAndEffectsAreWrittenAsThePixelsTheyDraw)
{
    Layer shadowed = bitmapLayer(test::solidBitmap(6, 4, {200, 0, 0, 255}), QPointF(8, 6), QStringLiteral("Shadowed"));
    shadowed.effects.shadow = ShadowEffect{};
    shadowed.opacity = 0.5;
    shadowed.blendMode = LayerBlendMode::multiply;
    Layer text;
    text.name = QStringLiteral("Caption");
    text.origin = QPointF(2, 3);
    text.content = TextLayerAttributes{QStringLiteral("Hi"), QStringLiteral("DejaVu Sans"), 12, StoredColor{0.1, 0.5, 0.9, 1}, {}};
    const NativeDocument document = documentWith({shadowed, text}, {40, 30});
    const std::optional<NativeDocument> back = read(written(document));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->state.layers.size(), 2);

    // The effect is drawn around the layer, which keeps its own opacity and mode.
    const Layer& effect = back->state.layers[0];
    EXPECT_EQ(effect.effects, LayerEffects{});
    EXPECT_EQ(effect.opacity, 128 / 255.0);
    EXPECT_EQ(effect.blendMode, LayerBlendMode::multiply);
    Layer alone = shadowed;
    alone.opacity = 1;
    alone.blendMode = LayerBlendMode::normal;
    CanvasState expected{QSizeF(40, 30), {alone}, {}, {}, {}};
    CanvasState actual{QSizeF(40, 30), {effect}, {}, {}, {}};
    actual.layers[0].opacity = 1;
    actual.layers[0].blendMode = LayerBlendMode::normal;
    EXPECT_EQ(test::bitmapDistance(*renderComposite(actual), *renderComposite(expected)), 0);
    EXPECT_LT(effect.origin.x(), 8);  // the shadow's blur reaches left of the layer

    const Layer& caption = back->state.layers[1];
    ASSERT_TRUE(caption.bitmap());
    EXPECT_EQ(caption.name, QStringLiteral("Caption"));
    EXPECT_EQ(caption.origin, QPointF(2, 3));
    EXPECT_TRUE(test::samePixels(*caption.bitmap(), *layerPixels(text)));
}

TEST(PSDDocument, IsALayeredTypeReadInTheDecodeHelperAsInThisProcess)
{
    EXPECT_TRUE(documentTypeNames().contains(kPSDTypeName));
    EXPECT_EQ(typeNameForPath(QStringLiteral("/tmp/a.PSD")), kPSDTypeName);
    EXPECT_EQ(documentTypeExtension(kPSDTypeName), QStringLiteral("psd"));
    EXPECT_EQ(documentTypeFileFilter(kPSDTypeName), QStringLiteral("PSD Document (*.psd)"));
    EXPECT_TRUE(isLayeredType(kPSDTypeName));
    EXPECT_EQ(layeredFormatForTypeName(kPSDTypeName), LayeredFormat::psd);
    EXPECT_EQ(layeredFormatTypeName(LayeredFormat::psd), kPSDTypeName);

    QVector<Layer> layers{bitmapLayer(test::randomBitmap(24, 18, 3), {}, QStringLiteral("Paper")),
                          bitmapLayer(test::randomBitmap(4, 2, 4), QPointF(1, 1), QStringLiteral("Ink")),
                          bitmapLayer(test::randomBitmap(5, 7, 5), QPointF(-2, 3), QStringLiteral("Wash"))};
    layers[1].blendMode = LayerBlendMode::multiply;
    layers[1].opacity = 0.5;
    layers[1].groupID = layers[2].groupID = QUuid::createUuid();
    layers[2].isVisible = false;
    const QByteArray bytes = std::get<QByteArray>(writeLayeredDocument(documentWith(layers), LayeredFormat::psd));
    EXPECT_EQ(bytes, written(documentWith(layers)));

    const std::optional<NativeDocument> here = read(bytes);
    const FileResult<NativeDocument> helped = readDocumentData(bytes, kPSDTypeName);
    ASSERT_TRUE(here);
    ASSERT_TRUE(std::holds_alternative<NativeDocument>(helped)) << std::get<FileError>(helped).withReason().toStdString();
    const CanvasState& fromHelper = std::get<NativeDocument>(helped).state;
    EXPECT_EQ(fromHelper.size, here->state.size);
    ASSERT_EQ(fromHelper.layers.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const Layer& a = fromHelper.layers[i];
        const Layer& b = here->state.layers[i];
        SCOPED_TRACE(b.name.toStdString());
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.origin, b.origin);
        EXPECT_EQ(a.blendMode, b.blendMode);
        EXPECT_EQ(a.opacity, b.opacity);
        EXPECT_EQ(a.isVisible, b.isVisible);
        ASSERT_TRUE(a.bitmap() && b.bitmap());
        EXPECT_TRUE(test::samePixels(*a.bitmap(), *b.bitmap()));
    }
    EXPECT_EQ(groupMembers(fromHelper), groupMembers(documentWith(layers).state));

    // A refusal and its reason come back from the helper too.
    const FileResult<NativeDocument> refused = readDocumentData(patched(bytes, 0, "8BPX"), kPSDTypeName);
    ASSERT_TRUE(std::holds_alternative<FileError>(refused));
    EXPECT_EQ(std::get<FileError>(refused), FileError::imageUnreadable());
    EXPECT_TRUE(std::get<FileError>(refused).detail.contains(QStringLiteral("not a PSD")));
}

// ---- the other side: psd-tools ----

TEST(PSDExchange, PsdToolsReadsOurLayersOneByOneAndOurMergedImage)
{
    QVector<Layer> layers;
    const QUuid group = QUuid::createUuid();
    for (int i = 0; i < 5; ++i) {
        Layer layer = bitmapLayer(test::randomBitmap(4 + i, 3 + i, unsigned(40 + i)), QPointF(i * 3 - 2, i),
                                  QStringLiteral("Layer %1 ✓").arg(i));
        layer.blendMode = allBlendModes()[size_t(3 * i)];
        layer.opacity = 0.2 * (i + 1);
        layer.isVisible = i != 2;
        if (i == 1 || i == 2)
            layer.groupID = group;
        layers.append(layer);
    }
    const NativeDocument document = documentWith(layers, {16, 12});
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("ours.psd"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(written(document));
    file.close();

    const QJsonObject described = runExchange({QStringLiteral("describe"), path});
    EXPECT_EQ(described[QStringLiteral("size")].toArray(), (QJsonArray{16, 12}));
    QJsonArray theirs;
    for (const QJsonValue& layer : described[QStringLiteral("layers")].toArray())
        if (layer[QStringLiteral("kind")].toString() != QStringLiteral("group"))
            theirs.append(layer);
        else
            EXPECT_EQ(layer[QStringLiteral("name")].toString(), QStringLiteral("Group 1"));
    ASSERT_EQ(theirs.size(), layers.size());
    const QStringList keys{"norm", "over", "div ", "hLit", "hue "};
    for (int i = 0; i < layers.size(); ++i) {
        const QJsonObject layer = theirs[i].toObject();
        SCOPED_TRACE(i);
        EXPECT_EQ(layer[QStringLiteral("name")].toString(), layers[i].name);
        EXPECT_EQ(layer[QStringLiteral("blend")].toString(), keys[i]);
        EXPECT_EQ(layer[QStringLiteral("opacity")].toInt(), qRound(layers[i].opacity * 255));
        EXPECT_EQ(layer[QStringLiteral("visible")].toBool(), layers[i].isVisible);
        EXPECT_EQ(layer[QStringLiteral("group")].isNull(), !layers[i].groupID);
        const Bitmap& pixels = *layers[i].bitmap();
        EXPECT_EQ(layer[QStringLiteral("rect")].toArray(),
                  (QJsonArray{int(layers[i].origin.x()), int(layers[i].origin.y()), pixels.width(), pixels.height()}));
        const QByteArray straight = QByteArray::fromBase64(layer[QStringLiteral("pixels")].toString().toLatin1());
        EXPECT_TRUE(test::samePixels(premultipliedFrom(straight, pixels.width(), pixels.height()), pixels));
    }
    const QByteArray merged = QByteArray::fromBase64(described[QStringLiteral("merged")].toString().toLatin1());
    // Drawn over white in the file; psd-tools takes the white away again, truncating.
    EXPECT_LE(test::bitmapDistance(premultipliedFrom(merged, 16, 12), *renderComposite(document.state)), 1);
}

TEST(PSDExchange, WeReadWhatPsdToolsWritesLayerByLayer)
{
    QTemporaryDir folder;
    const QJsonObject expected = runExchange({QStringLiteral("write"), folder.path()});
    for (const QString& name : {QStringLiteral("layered.psd"), QStringLiteral("gray16.psd"), QStringLiteral("flat.psd")}) {
        SCOPED_TRACE(name.toStdString());
        const std::optional<NativeDocument> document = read(fileBytes(folder.filePath(name)));
        ASSERT_TRUE(document);
        const QJsonArray layers = expected[name].toArray();
        ASSERT_EQ(document->state.layers.size(), layers.size());
        QMap<QString, std::optional<QUuid>> groupOf;
        for (int i = 0; i < layers.size(); ++i) {
            const QJsonObject want = layers[i].toObject();
            const Layer& layer = document->state.layers[i];
            SCOPED_TRACE(want[QStringLiteral("name")].toString().toStdString());
            EXPECT_EQ(layer.name, want[QStringLiteral("name")].toString());
            const QJsonArray rect = want[QStringLiteral("rect")].toArray();
            EXPECT_EQ(layer.origin, QPointF(rect[0].toInt(), rect[1].toInt()));
            ASSERT_TRUE(layer.bitmap());
            const Bitmap pixels = premultipliedFrom(
                QByteArray::fromBase64(want[QStringLiteral("pixels")].toString().toLatin1()), rect[2].toInt(),
                rect[3].toInt());
            EXPECT_TRUE(test::samePixels(*layer.bitmap(), pixels));
            if (name == QStringLiteral("flat.psd"))
                continue;
            EXPECT_EQ(layer.isVisible, want[QStringLiteral("visible")].toBool());
            EXPECT_EQ(qRound(layer.opacity * 255), want[QStringLiteral("opacity")].toInt());
            const std::map<QString, LayerBlendMode> modes{{"norm", LayerBlendMode::normal},
                                                          {"mul ", LayerBlendMode::multiply},
                                                          {"scrn", LayerBlendMode::screen},
                                                          {"hue ", LayerBlendMode::hue},
                                                          {"div ", LayerBlendMode::colorDodge}};
            EXPECT_EQ(layer.blendMode, modes.at(want[QStringLiteral("blend")].toString()));
            // Each folder is one group; a layer joins its innermost folder.
            const QString group = want[QStringLiteral("group")].toString();
            if (groupOf.contains(group)) {
                EXPECT_EQ(layer.groupID, groupOf[group]);
            }
            groupOf[group] = layer.groupID;
            EXPECT_EQ(group.isEmpty(), !layer.groupID);
        }
        if (groupOf.contains(QStringLiteral("Inner"))) {
            EXPECT_NE(groupOf[QStringLiteral("Inner")], groupOf[QStringLiteral("Outer")]);
        }
    }
    EXPECT_TRUE(refusal(fileBytes(folder.filePath(QStringLiteral("cmyk.psd")))).contains(QStringLiteral("CMYK")));
}

// ---- malformed files ----

TEST(PSDDocument, MalformedFilesAreRefusedWithTheReadError)
{
    const NativeDocument document = documentWith({bitmapLayer(test::randomBitmap(20, 16, 5), QPointF(2, 1)),
                                                   bitmapLayer(test::randomBitmap(7, 9, 6))});
    const QByteArray valid = written(document);
    ASSERT_TRUE(refusal(valid).isEmpty());

    // Cut anywhere up to the merged image: refused, never a partial document.
    const qsizetype mergedStart = 34 + 4 + qFromBigEndian<quint32>(valid.constData() + 34);
    for (qsizetype size = 0; size < mergedStart; size += 3)
        EXPECT_FALSE(refusal(valid.left(size)).isEmpty()) << size;

    EXPECT_TRUE(refusal(patched(valid, 0, "8BPX")).contains(QStringLiteral("not a PSD")));
    EXPECT_TRUE(refusal(patched(valid, 4, bigEndian(2, 2))).contains(QStringLiteral("PSB")));
    EXPECT_FALSE(refusal(patched(valid, 22, bigEndian(32, 2))).isEmpty());               // 32-bit
    EXPECT_FALSE(refusal(patched(valid, 14, bigEndian(30001))).isEmpty());               // height
    EXPECT_FALSE(refusal(patched(valid, 18, bigEndian(0))).isEmpty());                   // width
    EXPECT_FALSE(refusal(patched(valid, 12, bigEndian(0, 2))).isEmpty());                // no channels
    EXPECT_FALSE(refusal(patched(valid, 24, bigEndian(2, 2))).isEmpty());                // indexed
    // A channel whose length runs past the end of the file.
    EXPECT_TRUE(refusal(patched(valid, kFirstChannelLength, bigEndian(0x7fffffff)))
                    .contains(QStringLiteral("past the end")));
    // A layer far larger than its data could hold, and one past the largest side: refused before
    // their pixels are allocated.
    EXPECT_FALSE(refusal(patched(valid, kFirstRecord + 8, bigEndian(25000) + bigEndian(25000))).isEmpty());
    EXPECT_FALSE(refusal(patched(valid, kFirstRecord + 12, bigEndian(40000))).isEmpty());
    EXPECT_FALSE(refusal(patched(valid, kFirstRecord, bigEndian(10))).isEmpty());  // top below bottom
    // More layers than records, an unknown compression, a row that does not unpack to its width.
    EXPECT_FALSE(refusal(patched(valid, kFirstRecord - 2, bigEndian(quint16(-300), 2))).isEmpty());
    const qsizetype channelData = channelDataStart(valid);
    EXPECT_FALSE(refusal(patched(valid, int(channelData), bigEndian(7, 2))).isEmpty());
    // Row lengths that still add up, but one row unpacks past its width and the next short of it.
    const quint16 firstRow = qFromBigEndian<quint16>(valid.constData() + channelData + 2);
    const quint16 secondRow = qFromBigEndian<quint16>(valid.constData() + channelData + 4);
    EXPECT_TRUE(refusal(patched(valid, int(channelData) + 2, bigEndian(firstRow + 1, 2) + bigEndian(secondRow - 1, 2)))
                    .contains(QStringLiteral("does not decode")));
}

TEST(PSDDocument, TheMergedImageIsTheDocumentWhenThereAreNoLayers)
{
    // Our own file with its layer section emptied: only the merged image remains.
    const NativeDocument document = documentWith({bitmapLayer(test::randomBitmap(6, 5, 9), QPointF(1, 2)),
                                                   bitmapLayer(test::randomBitmap(3, 3, 10))}, {8, 7});
    const QByteArray valid = written(document);
    const quint32 sectionLength = qFromBigEndian<quint32>(valid.constData() + 34);
    const QByteArray flat = valid.left(34) + bigEndian(0) + valid.mid(38 + sectionLength);
    const std::optional<NativeDocument> back = read(flat);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->state.layers.size(), 1);
    EXPECT_EQ(back->state.layers[0].name, QStringLiteral("Background"));
    // Four channels and no layer count: the fourth is the transparency.
    EXPECT_TRUE(test::samePixels(*back->state.layers[0].bitmap(), *renderComposite(document.state)));
    // A merged image cut short is refused.
    EXPECT_FALSE(refusal(flat.left(flat.size() - 3)).isEmpty());

    // A tagged block of the layer section longer than the section, with bytes after it that do not
    // start another block: the blocks end there, and the merged image is read.
    const QByteArray blocks = bigEndian(0) + bigEndian(0) + "8BIMLr16" + bigEndian(1000) + QByteArray(16, 'x');
    const std::optional<NativeDocument> padded =
        read(valid.left(34) + bigEndian(quint32(blocks.size())) + blocks + valid.mid(38 + sectionLength));
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->state.layers.size(), 1);
}

}  // namespace
}  // namespace velmaris
