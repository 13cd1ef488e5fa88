#include "files/OpenRaster.h"

#include "TestImages.h"
#include "files/DocumentType.h"
#include "files/OpenImageFile.h"
#include "files/PNGDecoder.h"
#include "files/PNGEncoder.h"
#include "files/ZipArchive.h"
#include "render/Compositor.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <zlib.h>

#include <map>

namespace velmaris {
namespace {

using test::bitmapLayer;
using test::pixelAt;

QByteArray written(const CanvasState& state)
{
    const FileResult<QByteArray> bytes = writeOpenRasterDocument(NativeDocument{state, {}});
    if (const auto* error = std::get_if<FileError>(&bytes))
        ADD_FAILURE() << error->withReason().toStdString();
    return std::get_if<QByteArray>(&bytes) ? std::get<QByteArray>(bytes) : QByteArray();
}

CanvasState readBack(const FileResult<NativeDocument>& document)
{
    if (const auto* error = std::get_if<FileError>(&document)) {
        ADD_FAILURE() << error->withReason().toStdString();
        return {};
    }
    return std::get<NativeDocument>(document).state;
}

QString readFailure(const QByteArray& data)
{
    const FileResult<NativeDocument> document = readOpenRasterDocument(data);
    const auto* error = std::get_if<FileError>(&document);
    if (!error)
        return QStringLiteral("read without error");
    EXPECT_EQ(*error, FileError::imageUnreadable());
    return error->detail;
}

// A document with one layer per blend mode (some hidden, locked, offset, translucent), two groups,
// a text layer with a shadow and a bitmap layer with a stroke and a glow.
CanvasState everyKindOfLayer()
{
    CanvasState state;
    state.size = QSizeF(60, 40);
    const QUuid firstGroup = QUuid::createUuid(), secondGroup = QUuid::createUuid();
    int index = 0;
    for (const LayerBlendMode mode : allBlendModes()) {
        Layer layer = bitmapLayer(test::randomBitmap(12 + index, 9, unsigned(index + 1)),
                                  QPointF(index * 3 - 4, index % 5), QStringLiteral("Mode %1 ü").arg(rawValue(mode)));
        layer.blendMode = mode;
        layer.opacity = 1.0 - index * 0.037;
        layer.isVisible = index % 4 != 1;
        layer.isLocked = index % 3 == 2;
        if (index >= 3 && index < 6)
            layer.groupID = firstGroup;
        if (index >= 10 && index < 12)
            layer.groupID = secondGroup;
        state.layers.push_back(layer);
        ++index;
    }
    Layer text;
    text.name = QStringLiteral("Caption");
    text.origin = QPointF(8, 12);
    text.content = TextLayerAttributes{QStringLiteral("Hello"), QStringLiteral("DejaVu Sans"), 14,
                                       StoredColor{0.9, 0.1, 0.2, 1}, {}};
    text.effects.shadow = ShadowEffect{StoredColor{0, 0, 0, 0.6}, QSizeF(2, 3), 2};
    text.blendMode = LayerBlendMode::exclusion;
    text.groupID = secondGroup;
    state.layers.insert(11, text);
    Layer stroked = bitmapLayer(test::solidBitmap(10, 8, {0, 200, 0, 255}), QPointF(30, 20), QStringLiteral("Stroked"));
    stroked.effects.stroke = StrokeEffect{StoredColor{0, 0, 1, 1}, 2};
    stroked.effects.glow = GlowEffect{StoredColor{1, 1, 0, 1}, 3};
    state.layers.push_back(stroked);
    state.selectedLayerID = state.layers[7].id;
    return state;
}

// The group structure as runs of equal group ids, bottom first: equal partitions, whatever the ids.
std::vector<int> groupRuns(const CanvasState& state)
{
    std::vector<int> runs;
    std::map<QUuid, int> numbers;
    for (const Layer& layer : state.layers) {
        if (!layer.groupID)
            runs.push_back(-1);
        else
            runs.push_back(numbers.emplace(*layer.groupID, int(numbers.size())).first->second);
    }
    return runs;
}

void expectSameDocument(const CanvasState& read, const CanvasState& original)
{
    EXPECT_EQ(read.size, original.size);
    ASSERT_EQ(read.layers.size(), original.layers.size());
    for (qsizetype i = 0; i < read.layers.size(); ++i) {
        SCOPED_TRACE(original.layers[i].name.toStdString());
        const Layer& got = read.layers[i];
        const Layer& want = original.layers[i];
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.blendMode, want.blendMode);
        EXPECT_EQ(got.opacity, want.opacity);
        EXPECT_EQ(got.isVisible, want.isVisible);
        EXPECT_EQ(got.isLocked, want.isLocked);
        EXPECT_EQ(got.origin, want.origin);
        EXPECT_EQ(got.effects, want.effects);
        EXPECT_EQ(got.isText(), want.isText());
        if (want.text()) {
            EXPECT_EQ(*got.text(), *want.text());
        } else if (got.bitmap()) {
            EXPECT_TRUE(test::samePixels(*got.bitmap(), *want.bitmap()));
        }
    }
    EXPECT_EQ(groupRuns(read), groupRuns(original));
    EXPECT_EQ(read.selectedLayerID, original.selectedLayerID);
}

TEST(OpenRaster, RoundTripKeepsLayersGroupsTextAndEffectsInProcessAndThroughTheHelper)
{
    const CanvasState original = everyKindOfLayer();
    const QByteArray bytes = written(original);
    const CanvasState read = readBack(readOpenRasterDocument(bytes));
    expectSameDocument(read, original);
    // What the document shows is what it showed: text, effects and every mode drawn alike.
    EXPECT_LE(test::bitmapDistance(*renderComposite(read), *renderComposite(original)), 0);

    // The same through the decode helper, where untrusted files are read.
    const CanvasState helped = readBack(readDocumentData(bytes, kOpenRasterTypeName));
    expectSameDocument(helped, original);

    // A document written twice from what was read is the same document again.
    expectSameDocument(readBack(readOpenRasterDocument(written(read))), original);
}

TEST(OpenRaster, ArchiveIsWhatOtherReadersExpect)
{
    const CanvasState original = everyKindOfLayer();
    const QByteArray bytes = written(original);
    // The mimetype entry first and stored, its name and text at fixed offsets.
    EXPECT_EQ(bytes.mid(0, 4), QByteArray("PK\x03\x04"));
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 8), 0);  // stored
    EXPECT_EQ(bytes.mid(30, 8), QByteArray("mimetype"));
    EXPECT_EQ(bytes.mid(38, 16), QByteArray("image/openraster"));

    auto opened = ZipReader::open(bytes);
    ASSERT_TRUE(std::holds_alternative<ZipReader>(opened));
    const ZipReader& zip = std::get<ZipReader>(opened);
    const QByteArray stack = std::get<QByteArray>(zip.read(QStringLiteral("stack.xml")));
    EXPECT_TRUE(stack.contains("w=\"60\" h=\"40\""));
    EXPECT_TRUE(stack.contains("composite-op=\"svg:color-dodge\""));
    EXPECT_TRUE(stack.contains("edit-locked=\"true\""));
    EXPECT_TRUE(stack.contains("visibility=\"hidden\""));
    EXPECT_TRUE(stack.contains("<stack name=\"Group\""));
    // Exclusion, which the format does not name, is drawn normally elsewhere and kept in our attribute.
    EXPECT_TRUE(stack.contains("velmaris:blend-mode=\"exclusion\""));

    const std::optional<Bitmap> merged =
        decodeLayerPNG(std::get<QByteArray>(zip.read(QStringLiteral("mergedimage.png"))));
    ASSERT_TRUE(merged);
    EXPECT_TRUE(test::samePixels(*merged, *renderComposite(original)));
    CanvasState wide;
    wide.size = QSizeF(1000, 300);
    wide.layers.push_back(bitmapLayer(test::solidBitmap(1000, 300, {10, 20, 30, 255})));
    auto wideZip = ZipReader::open(written(wide));
    const std::optional<Bitmap> thumbnail = decodeLayerPNG(
        std::get<QByteArray>(std::get<ZipReader>(wideZip).read(QStringLiteral("Thumbnails/thumbnail.png"))));
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->size(), QSize(256, 77));

    // The text layer's entry holds its drawn pixels, shadow included, for readers that know no text.
    const qsizetype textIndex = 11;
    ASSERT_TRUE(original.layers[textIndex].isText());
    const std::optional<Bitmap> text =
        decodeLayerPNG(std::get<QByteArray>(zip.read(QStringLiteral("data/layer-%1.png").arg(textIndex))));
    ASSERT_TRUE(text);
    EXPECT_GT(text->width(), original.layers[textIndex].pixelSize().width());
}

// A small writer of our own after the public description of the format, with what another
// program writes: nested stacks with offsets, opacity and visibility, modes we do not draw,
// greyscale and palette PNGs.
constexpr char kOtherWriter[] = R"PY(
import io, sys, zipfile
from PIL import Image

def png(image):
    data = io.BytesIO()
    image.save(data, "PNG")
    return data.getvalue()

palette = Image.new("P", (8, 8), 1)
palette.putpalette([0, 0, 0, 0, 255, 0] + [0] * 762)
layers = {
    "data/red.png": Image.new("RGBA", (40, 30), (255, 0, 0, 255)),
    "data/half.png": Image.new("RGBA", (20, 10), (0, 0, 255, 128)),
    "data/grey.png": Image.new("L", (10, 10), 200),
    "data/palette.png": palette,
}
stack = """<?xml version="1.0" encoding="UTF-8"?>
<image version="0.0.5" w="64" h="48">
  <stack>
    <layer name="Top" src="data/half.png" x="5" y="6" opacity="0.5" composite-op="svg:multiply" selected="true"/>
    <stack name="Folder" x="10" y="2" opacity="0.5">
      <layer name="In folder" src="data/grey.png" x="1" y="1" composite-op="svg:screen" edit-locked="true"/>
      <stack name="Inner" visibility="hidden">
        <layer name="Deep" src="data/palette.png" composite-op="svg:color-dodge"/>
      </stack>
    </stack>
    <text name="ignored"/>
    <layer name="Plus" src="data/half.png" visibility="hidden" composite-op="svg:plus"/>
    <layer name="Background" src="data/red.png"/>
  </stack>
</image>
"""
with zipfile.ZipFile(sys.argv[1], "w") as archive:
    archive.writestr(zipfile.ZipInfo("mimetype"), "image/openraster")
    archive.writestr("stack.xml", stack, compress_type=zipfile.ZIP_DEFLATED)
    for name, image in layers.items():
        archive.writestr(name, png(image))
    archive.writestr("mergedimage.png", png(layers["data/red.png"].resize((64, 48))))
    archive.writestr("Thumbnails/thumbnail.png", png(layers["data/red.png"]))
)PY";

TEST(OpenRaster, ReadsFilesFromAnotherWriterLayerByLayer)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("other.ora"));
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kOtherWriter), path});
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        GTEST_SKIP() << "python3 with PIL is not available: " << python.readAllStandardError().toStdString();

    const CanvasState state = readBack(readDocumentFile(path));
    EXPECT_EQ(state.size, QSizeF(64, 48));
    ASSERT_EQ(state.layers.size(), 5);
    const Layer& background = state.layers[0];
    const Layer& plus = state.layers[1];
    const Layer& deep = state.layers[2];
    const Layer& folder_ = state.layers[3];
    const Layer& top = state.layers[4];
    EXPECT_EQ(background.name, "Background");
    EXPECT_EQ(background.bitmap()->size(), QSize(40, 30));
    EXPECT_EQ(pixelAt(*background.bitmap(), 3, 3), (test::Rgba{255, 0, 0, 255}));
    EXPECT_EQ(background.blendMode, LayerBlendMode::normal);
    EXPECT_FALSE(background.groupID);

    // A mode we do not draw reads as normal; its other properties stay.
    EXPECT_EQ(plus.blendMode, LayerBlendMode::normal);
    EXPECT_FALSE(plus.isVisible);
    EXPECT_LE(test::channelDistance(pixelAt(*plus.bitmap(), 0, 0), {0, 0, 128, 128}), 1);

    // Nested stacks: offsets add up, opacity multiplies, a hidden stack hides what it holds, and
    // everything inside the outer stack is one group.
    EXPECT_EQ(deep.name, "Deep");
    EXPECT_EQ(deep.origin, QPointF(10, 2));
    EXPECT_EQ(deep.opacity, 0.5);
    EXPECT_FALSE(deep.isVisible);
    EXPECT_EQ(deep.blendMode, LayerBlendMode::colorDodge);
    EXPECT_EQ(pixelAt(*deep.bitmap(), 2, 2), (test::Rgba{0, 255, 0, 255}));
    EXPECT_EQ(folder_.origin, QPointF(11, 3));
    EXPECT_EQ(folder_.opacity, 0.5);
    EXPECT_TRUE(folder_.isVisible);
    EXPECT_TRUE(folder_.isLocked);
    EXPECT_EQ(folder_.blendMode, LayerBlendMode::screen);
    EXPECT_EQ(pixelAt(*folder_.bitmap(), 0, 0), (test::Rgba{200, 200, 200, 255}));
    ASSERT_TRUE(deep.groupID);
    EXPECT_EQ(deep.groupID, folder_.groupID);

    EXPECT_EQ(top.origin, QPointF(5, 6));
    EXPECT_EQ(top.blendMode, LayerBlendMode::multiply);
    EXPECT_EQ(state.selectedLayerID, top.id);
}

// ---- hostile and malformed archives ----

QByteArray archiveOf(const std::vector<std::pair<QString, QByteArray>>& entries)
{
    ZipWriter zip;
    for (const auto& [name, data] : entries)
        EXPECT_TRUE(zip.add(name, data, name.endsWith(u".png") || name == u"mimetype" ? ZipWriter::Compression::store
                                                                                      : ZipWriter::Compression::deflate));
    return zip.finish().value_or(QByteArray());
}

QByteArray stackWith(const QByteArray& layers, const QByteArray& size = "w=\"4\" h=\"4\"")
{
    return "<?xml version=\"1.0\"?><image " + size + "><stack>" + layers + "</stack></image>";
}

QByteArray smallPng()
{
    return *encodePNG(test::solidBitmap(4, 4, {1, 2, 3, 255}));
}

// Only the signature and the header chunk, declaring a size: what the limits are checked against.
QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QByteArray header("IHDR");
    header.append(char(0)).append(char(0)).append(char(0)).append(char(0));
    header.resize(4 + 13);
    qToBigEndian(width, header.data() + 4);
    qToBigEndian(height, header.data() + 8);
    header[12] = 8;
    header[13] = 6;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.append("\0\0\0\x0d", 4).append(header);
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(header.constData()), uInt(header.size())));
    png.resize(png.size() + 4);
    qToBigEndian(crc, png.data() + png.size() - 4);
    return png;
}

const QByteArray kMimetype("image/openraster");

TEST(OpenRaster, RefusesMalformedAndHostileArchivesWithTheReadError)
{
    const QByteArray png = smallPng();
    const QByteArray oneLayer = "<layer src=\"data/a.png\"/>";
    const auto withStack = [&](const QByteArray& stack, const QByteArray& layer = smallPng()) {
        return archiveOf({{QStringLiteral("mimetype"), kMimetype}, {QStringLiteral("stack.xml"), stack},
                          {QStringLiteral("data/a.png"), layer}});
    };
    // The valid archive these cases spoil.
    EXPECT_EQ(readBack(readOpenRasterDocument(withStack(stackWith(oneLayer)))).layers.size(), 1);

    EXPECT_TRUE(readFailure("PK\x03\x04 not really a zip").startsWith("not an OpenRaster file"));
    EXPECT_TRUE(readFailure(archiveOf({{QStringLiteral("stack.xml"), stackWith(oneLayer)},
                                       {QStringLiteral("data/a.png"), png}}))
                    .contains("mimetype"));
    EXPECT_TRUE(readFailure(archiveOf({{QStringLiteral("mimetype"), "image/png"},
                                       {QStringLiteral("stack.xml"), stackWith(oneLayer)}}))
                    .contains("mimetype"));
    EXPECT_TRUE(readFailure(archiveOf({{QStringLiteral("mimetype"), kMimetype}})).contains("stack.xml"));

    // stack.xml: entities, nesting, broken XML, a wrong root, impossible canvases.
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE image [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
                              "<image w=\"4\" h=\"4\"><stack><layer name=\"&c;\" src=\"data/a.png\"/></stack></image>";
    EXPECT_TRUE(readFailure(withStack(laughs)).contains("document type"));
    const QByteArray deep = QByteArray("<stack>").repeated(100) + oneLayer + QByteArray("</stack>").repeated(100);
    EXPECT_TRUE(readFailure(withStack(stackWith(deep))).contains("nests deeper"));
    EXPECT_TRUE(
        readFailure(withStack("<image w=\"4\" h=\"4\"><stack><layer src=\"data/a.png\">")).startsWith("stack.xml"));
    EXPECT_TRUE(readFailure(withStack("<svg/>")).contains("no image element"));
    EXPECT_TRUE(readFailure(withStack(stackWith(oneLayer, "w=\"0\" h=\"4\""))).contains("size"));
    EXPECT_TRUE(readFailure(withStack(stackWith(oneLayer, "w=\"90000\" h=\"4\""))).contains("size"));

    // Layer sources outside the archive, missing, not PNG, damaged, or too large.
    for (const char* src : {"../a.png", "/data/a.png", "data\\a.png", "data/./a.png", ""})
        EXPECT_TRUE(
            readFailure(withStack(stackWith(QByteArray("<layer src=\"") + src + "\"/>"))).contains("not a file inside"))
            << src;
    EXPECT_TRUE(readFailure(withStack(stackWith("<layer src=\"data/b.png\"/>"))).contains("missing"));
    EXPECT_TRUE(readFailure(withStack(stackWith(oneLayer), "GIF89a")).contains("not a PNG"));
    QByteArray damaged = png;
    damaged[damaged.size() - 20] = char(damaged[damaged.size() - 20] ^ 0x55);
    EXPECT_TRUE(readFailure(withStack(stackWith(oneLayer), damaged)).contains("could not be decoded"));
    EXPECT_TRUE(readFailure(withStack(stackWith(oneLayer), pngDeclaring(100000, 100000)))
                    .contains("more than a layer may hold"));
    // Four layers each within the limits, together past the document's budget: refused before decoding.
    EXPECT_TRUE(readFailure(withStack(stackWith(QByteArray(oneLayer).repeated(4)), pngDeclaring(16000, 16000)))
                    .contains("budget"));

    // Layers that inflate far beyond the archive's size, even within what deflate allows each entry.
    const QByteArray zeros(20 << 20, '\0');
    EXPECT_TRUE(readFailure(archiveOf({{QStringLiteral("mimetype"), kMimetype},
                                       {QStringLiteral("stack.xml"), stackWith("<layer src=\"data/bomb.bin\"/>")},
                                       {QStringLiteral("data/bomb.bin"), zeros}}))
                    .contains("inflate to more than"));

    // Too many entries.
    std::vector<std::pair<QString, QByteArray>> many{{QStringLiteral("mimetype"), kMimetype}};
    for (int i = 0; i < 5000; ++i)
        many.emplace_back(QStringLiteral("junk/%1").arg(i), QByteArray());
    EXPECT_TRUE(readFailure(archiveOf(many)).contains("entries"));
}

// Sets the uncompressed size of every header of the named entry, local and central.
QByteArray withDeclaredSize(QByteArray archive, const QByteArray& name, quint32 size)
{
    for (qsizetype at = 0; (at = archive.indexOf("PK", at)) >= 0; ++at) {
        if (archive.mid(at, 4) == "PK\x03\x04" && archive.mid(at + 30, name.size()) == name)
            qToLittleEndian(size, archive.data() + at + 22);
        if (archive.mid(at, 4) == "PK\x01\x02" && archive.mid(at + 46, name.size()) == name)
            qToLittleEndian(size, archive.data() + at + 24);
    }
    return archive;
}

TEST(OpenRaster, RefusesEntriesClaimingMoreThanTheirCompressedSizeOrDisagreeingWithTheirData)
{
    const QByteArray archive = archiveOf({{QStringLiteral("mimetype"), kMimetype},
                                          {QStringLiteral("stack.xml"), stackWith("<layer src=\"data/a.png\"/>")},
                                          {QStringLiteral("data/a.png"), smallPng()}});
    EXPECT_TRUE(readFailure(withDeclaredSize(archive, "stack.xml", 0x7fffffff)).contains("claims more than"));
    EXPECT_TRUE(readFailure(withDeclaredSize(archive, "data/a.png", 0x7fffffff)).contains("claims more than"));
    // A size within what compression allows but not what the data holds.
    EXPECT_FALSE(readFailure(withDeclaredSize(archive, "stack.xml", 300)).isEmpty());

    // The reason reaches the caller from the decode helper.
    const FileResult<NativeDocument> helped =
        readDocumentData(withDeclaredSize(archive, "stack.xml", 0x7fffffff), kOpenRasterTypeName);
    ASSERT_TRUE(std::holds_alternative<FileError>(helped));
    EXPECT_EQ(std::get<FileError>(helped), FileError::imageUnreadable());
    EXPECT_TRUE(std::get<FileError>(helped).detail.contains("claims more than"));
}

TEST(OpenRaster, IsALayeredDocumentTypeOfItsOwn)
{
    EXPECT_EQ(typeNameForPath(QStringLiteral("/tmp/Picture.ORA")), kOpenRasterTypeName);
    EXPECT_EQ(documentTypeExtension(kOpenRasterTypeName), "ora");
    EXPECT_EQ(documentTypeFileFilter(kOpenRasterTypeName), "OpenRaster Image (*.ora)");
    EXPECT_TRUE(documentTypeNames().contains(kOpenRasterTypeName));
    EXPECT_TRUE(isLayeredType(kOpenRasterTypeName));
    EXPECT_TRUE(isLayeredType(kNativeTypeName));
    EXPECT_FALSE(isLayeredType(typeNameForImageType(ImageType::png)));
    EXPECT_FALSE(imageTypeForTypeName(kOpenRasterTypeName));
}

}  // namespace
}  // namespace velmaris
