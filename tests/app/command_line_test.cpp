#include "app/CommandLine.h"
#include "app/InfoCommand.h"

#include "app/ProgramTestHelpers.h"
#include "files/CodecTestHelpers.h"
#include "files/DocumentType.h"
#include "files/OpenImageFile.h"

#include "HostileImages.h"
#include "TestImages.h"
#include "QtWait.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include <unistd.h>

namespace velmaris {
namespace {

using test::ProcessResult;
using test::fileBytes;
using test::runProgram;
using test::writeBytes;

// A child process of `parent` (any of its threads may have started it), or 0.
qint64 childProcessOf(qint64 parent)
{
    const QString tasks = QStringLiteral("/proc/%1/task").arg(parent);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks + QLatin1Char('/') + task + QStringLiteral("/children"));
        if (children.open(QIODevice::ReadOnly)) {
            if (const QByteArray first = children.readAll().trimmed().split(' ').value(0); !first.isEmpty())
                return first.toLongLong();
        }
    }
    return 0;
}

// The fields of /proc/<pid>/stat after the process name, from its state on; none once it is gone.
QList<QByteArray> processStatus(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = status.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ');
}

// Still running: neither gone nor a zombie waiting to be reaped.
bool processRuns(qint64 pid)
{
    const QList<QByteArray> fields = processStatus(pid);
    return !fields.isEmpty() && fields.first() != "Z";
}

// Processor time spent in user mode, in clock ticks.
qint64 userTicks(qint64 pid)
{
    return processStatus(pid).value(11).toLongLong();
}

QStringList words(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(CommandLine, ParsesExportOptionsAndRefusesBadOnes)
{
    EXPECT_EQ(parseCommandLine(words("--export in.png out.jpg --scale 0.5 --quality 0.8")),
              CommandLineRequest(ExportCommandRequest{QStringLiteral("in.png"), QStringLiteral("out.jpg"), 0.5, 0.8, {}}));
    EXPECT_EQ(parseCommandLine(words("a.png --help")), CommandLineRequest(HelpRequest{}));
    EXPECT_EQ(parseCommandLine(words("a.png b.tif")),
              CommandLineRequest(OpenEditorRequest{{QStringLiteral("a.png"), QStringLiteral("b.tif")}}));
    EXPECT_EQ(parseCommandLine(words("--filter twirl angle=45 radius=0.5 in.png out.png")),
              CommandLineRequest(FilterRequest{QStringLiteral("twirl"), {QStringLiteral("angle=45"), QStringLiteral("radius=0.5")},
                                               QStringLiteral("in.png"), QStringLiteral("out.png")}));
    EXPECT_EQ(parseCommandLine(words("--contact-sheet in.png out.png")),
              CommandLineRequest(ContactSheetRequest{QStringLiteral("in.png"), QStringLiteral("out.png")}));
    EXPECT_EQ(parseCommandLine(words("--filter-list")), CommandLineRequest(FilterListRequest{}));
    for (const char* bad : {"--filter invert in.png", "--contact-sheet in.png", "--filter-list x",
                            "--export in.png", "--export a b c", "--export a b --scale 0", "--export a b --scale nan",
                            "--export a b --quality 2", "--export a b --scale", "--export a b --frobnicate",
                            "--frobnicate", "-x", "a.png -x", "--export a b -x"})
        EXPECT_TRUE(std::holds_alternative<UsageError>(parseCommandLine(words(bad)))) << bad;
    // "-" is a name, and so is everything after "--".
    EXPECT_EQ(parseCommandLine(words("- -- -x --help")),
              CommandLineRequest(OpenEditorRequest{{QStringLiteral("-"), QStringLiteral("-x"), QStringLiteral("--help")}}));
    ExportCommandRequest typed{QStringLiteral("in.png"), QStringLiteral("-"), 1, std::nullopt,
                               typeNameForPath(QStringLiteral("a.tiff"))};
    EXPECT_EQ(parseCommandLine(words("--export in.png - --type tiff")), CommandLineRequest(typed));
    for (const char* bad : {"--export a b --type", "--export a b --type xyz", "--export a b --type x.png"})
        EXPECT_TRUE(std::holds_alternative<UsageError>(parseCommandLine(words(bad)))) << bad;
    EXPECT_EQ(parseCommandLine(words("--export -- -in.png -out.png")),
              CommandLineRequest(ExportCommandRequest{QStringLiteral("-in.png"), QStringLiteral("-out.png"), 1, std::nullopt, {}}));
}

// Runs the program through the shell, for arguments QProcess cannot pass (names that are not UTF-8).
ProcessResult runInShell(const QString& directory, const QString& arguments)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral("exec \"$0\" ") + arguments, QStringLiteral(VELMARIS_EXECUTABLE)});
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

QString writeTestImage(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    QImage source(40, 20, QImage::Format_ARGB32);
    source.fill(QColor(10, 200, 30, 128));
    source.setPixel(0, 0, qRgba(255, 0, 0, 255));
    source.save(path);
    return path;
}

TEST(CommandLine, ExportWritesTheTypeTheOutputNamesAndReportsFailuresInOneLine)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.png"));
    QImage source(40, 20, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    source.setPixel(0, 0, qRgba(255, 0, 0, 255));
    ASSERT_TRUE(source.save(input));

    const QString jpeg = dir.filePath(QStringLiteral("out.jpg"));
    ProcessResult result = runProgram({QStringLiteral("--export"), input, jpeg, QStringLiteral("--scale"),
                                       QStringLiteral("0.5"), QStringLiteral("--quality"), QStringLiteral("0.9")});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QImage written(jpeg);
    EXPECT_EQ(written.size(), QSize(20, 10));
    EXPECT_GT(qGray(written.pixel(10, 5)), 245);  // transparent became white

    const QString garbage = dir.filePath(QStringLiteral("garbage.png"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("definitely not an image");
    file.close();
    const QString untouched = dir.filePath(QStringLiteral("untouched.png"));
    result = runProgram({QStringLiteral("--export"), garbage, untouched});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              QStringLiteral("The image could not be read: PNG, JPEG, GIF, BMP, TIFF, SVG, HEIF, AVIF, WebP and JPEG XL are the image types read\n"));
    EXPECT_FALSE(QFile::exists(untouched));

    result = runProgram({QStringLiteral("--export"), input, dir.filePath(QStringLiteral("out.xyz"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError.count(QLatin1Char('\n')), 1);

    result = runProgram({QStringLiteral("--help")});
    EXPECT_EQ(result.exitCode, 0);

    // Filters: values are clamped, unknown keys refused, the sheet holds every filter.
    const QString blurred = dir.filePath(QStringLiteral("blurred.png"));
    result = runProgram({QStringLiteral("--filter"), QStringLiteral("gaussianBlur"), QStringLiteral("inputRadius=900"),
                         input, blurred});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_EQ(QImage(blurred).size(), QSize(40, 20));
    result = runProgram({QStringLiteral("--filter"), QStringLiteral("gaussianBlur"), QStringLiteral("radius=3"), input,
                         dir.filePath(QStringLiteral("never.png"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("\"radius\"")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.png"))));
    const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
    result = runProgram({QStringLiteral("--contact-sheet"), input, sheet});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_GT(QImage(sheet).height(), 6 * 20);
}

TEST(CommandLine, FailuresAndUnknownOptionsPrintOneLineWithNothingFromTheImageLibraries)
{
    QTemporaryDir dir;
    const QString input = writeTestImage(dir, QStringLiteral("in.png"));
    ProcessResult result = runProgram({QStringLiteral("-x")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.startsWith(QStringLiteral("Unknown option -x. Usage: velmaris-images")));
    EXPECT_EQ(result.standardError.count(QLatin1Char('\n')), 1);

    // Cut-off PNG and TIFF files make their libraries complain on standard error themselves.
    const QString tiff = dir.filePath(QStringLiteral("in.tiff"));
    ASSERT_TRUE(QImage(input).save(tiff));
    for (const QString& whole : {input, tiff}) {
        const QString cut = dir.filePath(QStringLiteral("cut.") + QFileInfo(whole).suffix());
        const QByteArray bytes = fileBytes(whole);
        writeBytes(cut, bytes.left(bytes.size() * 2 / 3));
        result = runProgram({QStringLiteral("--export"), cut, dir.filePath(QStringLiteral("out.bmp"))});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.standardError, QStringLiteral("The image could not be read.\n")) << whole.toStdString();
    }

    // A full disk gives the system's reason; a device output is written, not replaced. (The links
    // give the devices the extension that names the type.)
    const QString full = dir.filePath(QStringLiteral("full.png")), null = dir.filePath(QStringLiteral("null.png"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), full));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), null));
    result = runProgram({QStringLiteral("--export"), input, full});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.endsWith(QStringLiteral(": No space left on device\n")))
        << result.standardError.toStdString();
    EXPECT_EQ(result.standardError.count(QLatin1Char('\n')), 1);
    result = runProgram({QStringLiteral("--export"), input, null});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_TRUE(QFileInfo(null).isSymLink());
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/null")).isFile());
}

TEST(CommandLine, ExportWritesStandardOutputByTypeAndNeverReplacesAWriteProtectedFile)
{
    QTemporaryDir dir;
    const QString input = writeTestImage(dir, QStringLiteral("in.png"));
    QProcess process;
    process.start(QStringLiteral(VELMARIS_EXECUTABLE),
                  {QStringLiteral("--export"), input, QStringLiteral("-"), QStringLiteral("--type"), QStringLiteral("bmp")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(QImage::fromData(process.readAllStandardOutput(), "BMP").size(), QSize(40, 20));

    // A reader that has gone: one line and status 1, not the end by a signal.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    process.setChildProcessModifier([&] { ::dup2(ends[1], STDOUT_FILENO); });
    process.start(QStringLiteral(VELMARIS_EXECUTABLE),
                  {QStringLiteral("--export"), input, QStringLiteral("-"), QStringLiteral("--type"), QStringLiteral("png")});
    ASSERT_TRUE(process.waitForFinished(60000));
    ::close(ends[1]);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(error.endsWith(QStringLiteral(": Broken pipe\n"))) << error.toStdString();
    EXPECT_EQ(error.count(QLatin1Char('\n')), 1);

    const QString kept = dir.filePath(QStringLiteral("kept.png"));
    writeBytes(kept, "mine");
    ASSERT_TRUE(QFile::setPermissions(kept, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const ProcessResult result = runProgram({QStringLiteral("--export"), input, kept});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              QStringLiteral("The file \"%1\" could not be written: Permission denied\n").arg(kept));
    EXPECT_EQ(fileBytes(kept), "mine");
}

TEST(CommandLine, ExportWritesNativeDocumentsAndOpensNamesThatAreNotUtf8)
{
    QTemporaryDir dir;
    writeTestImage(dir, QStringLiteral("in.png"));
    // The input is named "caf\xe9.png" in Latin-1 bytes, which are not UTF-8.
    ASSERT_EQ(std::system(qPrintable(QStringLiteral("cd '%1' && cp in.png \"$(printf 'caf\\351.png')\"").arg(dir.path()))), 0);
    ProcessResult result =
        runInShell(dir.path(), QStringLiteral("--export \"$(printf 'caf\\351.png')\" one.velmaris"));
    // QTemporaryDir cannot remove a name that is not UTF-8.
    EXPECT_EQ(::unlink((QFile::encodeName(dir.path()) + "/caf\xe9.png").constData()), 0);
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();

    const FileResult<NativeDocument> native = readDocumentFile(dir.filePath(QStringLiteral("one.velmaris")));
    ASSERT_TRUE(std::holds_alternative<NativeDocument>(native));
    const CanvasState& state = std::get<NativeDocument>(native).state;
    ASSERT_EQ(state.layers.size(), 1);
    EXPECT_EQ(state.layers[0].name, QStringLiteral("Background"));
    EXPECT_EQ(state.size, QSizeF(40, 20));

    // A native document is rewritten in its canonical form: writing it again changes nothing.
    const QString again = dir.filePath(QStringLiteral("again.velmaris"));
    result = runProgram({QStringLiteral("--export"), dir.filePath(QStringLiteral("one.velmaris")), again});
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_EQ(fileBytes(again), fileBytes(dir.filePath(QStringLiteral("one.velmaris"))));
    result = runProgram({QStringLiteral("--export"), again, dir.filePath(QStringLiteral("scaled.velmaris")),
                         QStringLiteral("--scale"), QStringLiteral("2")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("scaled.velmaris"))));
}

TEST(CommandLine, ExportAndInfoKnowOpenRasterAndKeepItsLayers)
{
    QTemporaryDir dir;
    NativeDocument document;
    document.state.size = QSizeF(6, 4);
    document.state.layers.push_back(makeBitmapLayer(test::solidBitmap(6, 4, {255, 255, 255, 255}), QStringLiteral("Paper")));
    Layer ink = makeBitmapLayer(test::solidBitmap(2, 2, {0, 0, 0, 255}), QStringLiteral("Ink"), QPointF(1, 1));
    ink.opacity = 0.25;
    document.state.layers.push_back(ink);
    const QString native = dir.filePath(QStringLiteral("in.velmaris"));
    writeBytes(native, std::get<QByteArray>(writeNativeDocument(document)));

    const QString ora = dir.filePath(QStringLiteral("layers.ora"));
    ProcessResult result = runProgram({QStringLiteral("--export"), native, ora});
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const std::variant<QJsonObject, QString> info = fileInfo(ora);
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(info)) << std::get<QString>(info).toStdString();
    const QJsonArray layers = std::get<QJsonObject>(info)[QStringLiteral("layers")].toArray();
    ASSERT_EQ(layers.size(), 2);
    EXPECT_EQ(layers[1][QStringLiteral("name")].toString(), QStringLiteral("Ink"));
    EXPECT_EQ(layers[1][QStringLiteral("opacity")].toDouble(), 0.25);

    // From OpenRaster to a flat type, and a scale refused for a layered output as for the native one.
    result = runProgram({QStringLiteral("--export"), ora, dir.filePath(QStringLiteral("flat.png"))});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("flat.png"))));
    result = runProgram({QStringLiteral("--export"), native, dir.filePath(QStringLiteral("scaled.ora")),
                         QStringLiteral("--scale"), QStringLiteral("2")});
    EXPECT_EQ(result.exitCode, 1);
}

TEST(CommandLine, ExportWritesPSDDocumentsWithTheirLayersAndInfoListsThem)
{
    QTemporaryDir dir;
    NativeDocument document;
    document.state.size = QSizeF(30, 20);
    document.state.layers = {test::bitmapLayer(test::randomBitmap(30, 20, 1), {}, QStringLiteral("Below")),
                             test::bitmapLayer(test::randomBitmap(5, 4, 2), QPointF(3, 4), QStringLiteral("Above"))};
    const QString native = dir.filePath(QStringLiteral("two.velmaris"));
    writeBytes(native, std::get<QByteArray>(writeNativeDocument(document)));

    const QString psd = dir.filePath(QStringLiteral("two.psd"));
    ProcessResult result = runProgram({QStringLiteral("--export"), native, psd});
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const FileResult<NativeDocument> read = readDocumentFile(psd);
    ASSERT_TRUE(std::holds_alternative<NativeDocument>(read));
    const CanvasState& state = std::get<NativeDocument>(read).state;
    ASSERT_EQ(state.layers.size(), 2);
    EXPECT_EQ(state.layers[1].name, QStringLiteral("Above"));
    EXPECT_EQ(state.layers[1].origin, QPointF(3, 4));
    EXPECT_TRUE(test::samePixels(*state.layers[0].bitmap(), *document.state.layers[0].bitmap()));

    const std::variant<QJsonObject, QString> info = fileInfo(psd);
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(info)) << std::get<QString>(info).toStdString();
    EXPECT_EQ(std::get<QJsonObject>(info)[QStringLiteral("layers")].toArray().size(), 2);

    result = runProgram({QStringLiteral("--export"), psd, QStringLiteral("-"), QStringLiteral("--type"),
                         QStringLiteral("psd"), QStringLiteral("--scale"), QStringLiteral("2")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("not to .psd documents"))) << result.standardError.toStdString();
}

TEST(CommandLine, InfoReadsOnlyTheHeaderOfAFlatImage)
{
    QTemporaryDir dir;
    // A 16384 × 16384 header with one byte of pixel data: decoding would fail, the header is enough.
    using test::bigEndian;
    const QByteArray header = "IHDR" + bigEndian(16384) + bigEndian(16384) + QByteArray("\x08\x06\x00\x00\x00", 5);
    const QString png = dir.filePath(QStringLiteral("huge.png"));
    writeBytes(png, test::kPngSignature + test::pngChunk(header) + test::pngChunk("IDAT\x78"));
    QProcess process;
    process.start(QStringLiteral(VELMARIS_EXECUTABLE), {QStringLiteral("--info"), png});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QJsonObject info = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    EXPECT_EQ(info[QStringLiteral("size")][QStringLiteral("width")].toDouble(), 16384);
    const QJsonArray layers = info[QStringLiteral("layers")].toArray();
    ASSERT_EQ(layers.size(), 1);
    EXPECT_EQ(layers[0][QStringLiteral("name")].toString(), QStringLiteral("Background"));
    EXPECT_EQ(layers[0][QStringLiteral("size")][QStringLiteral("height")].toDouble(), 16384);

    // The size is the upright one: a JPEG turned a quarter by its EXIF orientation.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImage(40, 20, QImage::Format_RGB32).save(&buffer, "JPEG"));
    const QString turned = dir.filePath(QStringLiteral("turned.jpg"));
    writeBytes(turned, test::jpegWithOrientation(jpeg, 6));
    const std::variant<QJsonObject, QString> turnedInfo = fileInfo(turned);
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(turnedInfo));
    EXPECT_EQ(std::get<QJsonObject>(turnedInfo)[QStringLiteral("size")][QStringLiteral("width")].toDouble(), 20);

    // Nor is the header of another format read, even one Qt has a reader for.
    QByteArray xpm;
    QBuffer xpmBuffer(&xpm);
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(&xpmBuffer, "XPM"));
    writeBytes(png, xpm);
    const ProcessResult result = runProgram({QStringLiteral("--info"), png});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              QStringLiteral("The image could not be read: PNG, JPEG, GIF, BMP, TIFF, SVG, HEIF, AVIF, WebP and JPEG XL are the image types read\n"));
}

TEST(CommandLine, ExportInfoAndTypeKnowThePhotoFormats)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.png"));
    QImage source(40, 20, QImage::Format_ARGB32);
    source.fill(qRgba(0, 128, 255, 255));
    source.setPixel(0, 0, qRgba(0, 0, 0, 0));
    ASSERT_TRUE(source.save(input));
    for (const QString& extension : {QStringLiteral("heic"), QStringLiteral("avif"), QStringLiteral("webp"),
                                    QStringLiteral("jxl")}) {
        const QString photo = dir.filePath(QStringLiteral("out.") + extension);
        ProcessResult result = runProgram({QStringLiteral("--export"), input, photo, QStringLiteral("--scale"),
                                           QStringLiteral("2"), QStringLiteral("--quality"), QStringLiteral("0.8")});
        ASSERT_EQ(result.exitCode, 0) << extension.toStdString() << result.standardError.toStdString();
        const std::variant<QJsonObject, QString> info = fileInfo(photo);
        ASSERT_TRUE(std::holds_alternative<QJsonObject>(info)) << extension.toStdString();
        EXPECT_EQ(std::get<QJsonObject>(info)[QStringLiteral("size")][QStringLiteral("width")].toDouble(), 80);

        // Read back (in the decode helper) with its transparent corner.
        const QString back = dir.filePath(extension + QStringLiteral(".png"));
        result = runProgram({QStringLiteral("--export"), photo, back});
        ASSERT_EQ(result.exitCode, 0) << extension.toStdString() << result.standardError.toStdString();
        const QImage decoded(back);
        EXPECT_EQ(decoded.size(), QSize(80, 40));
        EXPECT_LT(qAlpha(decoded.pixel(0, 0)), 8) << extension.toStdString();
        EXPECT_EQ(qAlpha(decoded.pixel(60, 30)), 255) << extension.toStdString();

        const std::optional<QString> typeName = typeNameForPath(photo);
        ASSERT_TRUE(typeName);
        EXPECT_EQ(documentTypeExtension(*typeName), extension);
    }
    // --type names the photo types for outputs without an extension.
    QProcess process;
    process.start(QStringLiteral(VELMARIS_EXECUTABLE),
                  {QStringLiteral("--export"), input, QStringLiteral("-"), QStringLiteral("--type"), QStringLiteral("webp")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardOutput().mid(8, 4) == "WEBP");
}

TEST(CommandLine, InfoOfANativeDocumentReadsOnlyTheLayersHeaders)
{
    QTemporaryDir dir;
    // Two 3000 × 2000 layers whose PNGs stop right after their header: nothing could decode them.
    using test::bigEndian;
    const QByteArray header = test::kPngSignature
        + test::pngChunk("IHDR" + bigEndian(3000) + bigEndian(2000) + QByteArray("\x08\x06\x00\x00\x00", 5));
    const QString layer = QStringLiteral(R"({"id":"%1","name":"%2","isVisible":true,"opacity":0.5,"originX":3,)"
                                         R"("originY":4,"kind":"bitmap","pngData":"%3"})");
    const QString png = QString::fromLatin1(header.toBase64());
    const QString document = dir.filePath(QStringLiteral("cut.velmaris"));
    writeBytes(document, (QStringLiteral(R"({"formatVersion":1,"width":3000,"height":2000,"layers":[)")
                          + layer.arg(QUuid::createUuid().toString(QUuid::WithoutBraces), QStringLiteral("Below"), png)
                          + u',' + layer.arg(QUuid::createUuid().toString(QUuid::WithoutBraces), QStringLiteral("Above"), png)
                          + QStringLiteral("]}"))
                             .toUtf8());
    const std::variant<QJsonObject, QString> info = fileInfo(document);
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(info)) << std::get<QString>(info).toStdString();
    const QJsonArray layers = std::get<QJsonObject>(info)[QStringLiteral("layers")].toArray();
    ASSERT_EQ(layers.size(), 2);
    EXPECT_EQ(layers[1][QStringLiteral("name")].toString(), QStringLiteral("Above"));
    EXPECT_EQ(layers[1][QStringLiteral("opacity")].toDouble(), 0.5);
    EXPECT_EQ(layers[0][QStringLiteral("size")][QStringLiteral("width")].toDouble(), 3000);
    EXPECT_EQ(layers[0][QStringLiteral("size")][QStringLiteral("height")].toDouble(), 2000);
    // Opening it fails: the pixels are not there.
    EXPECT_TRUE(std::holds_alternative<FileError>(openImageFile(document)));
}

// The program that is run loads only the C library and passes --info on to a program that describes
// native documents without the editor's codecs and widgets; everything else goes to the editor.
TEST(CommandLine, NativeDocumentsAreDescribedWithoutTheEditorsLibraries)
{
    const QString programs = QFileInfo(QStringLiteral(VELMARIS_EXECUTABLE)).absolutePath();
    auto librariesOf = [](const QString& program) {
        QProcess tracer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
        tracer.setProcessEnvironment(environment);
        tracer.start(program, {});
        EXPECT_TRUE(tracer.waitForFinished());
        return tracer.readAllStandardOutput();
    };
    const QByteArray dispatcher = librariesOf(QStringLiteral(VELMARIS_EXECUTABLE));
    EXPECT_TRUE(dispatcher.contains("libc.so")) << dispatcher.toStdString();
    EXPECT_FALSE(dispatcher.contains("libQt6")) << dispatcher.toStdString();
    const QByteArray describer = librariesOf(programs + QStringLiteral("/velmaris-images-info"));
    EXPECT_TRUE(describer.contains("libQt6Core")) << describer.toStdString();
    for (const char* heavy : {"libQt6Widgets", "librsvg", "libheif", "libjxl", "libexiv2", "libtiff", "libwebp"})
        EXPECT_FALSE(describer.contains(heavy)) << heavy;

    // A text layer is laid out for its size, as the editor lays it out.
    QTemporaryDir dir;
    NativeDocument document;
    document.state.size = QSizeF(300, 100);
    document.state.layers.push_back(makeBitmapLayer(test::solidBitmap(30, 20, {9, 9, 9, 255}), QStringLiteral("Dots")));
    Layer words;
    words.name = QStringLiteral("Words");
    words.content = TextLayerAttributes{QStringLiteral("Two\nlines"), QStringLiteral("DejaVu Sans"), 40,
                                        StoredColor{0, 0, 0, 1}, {}};
    document.state.layers.push_back(words);
    const QString native = dir.filePath(QStringLiteral("text.velmaris"));
    writeBytes(native, std::get<QByteArray>(writeNativeDocument(document)));
    QProcess info;
    info.start(QStringLiteral(VELMARIS_EXECUTABLE), {QStringLiteral("--info"), native});
    ASSERT_TRUE(info.waitForFinished());
    EXPECT_EQ(info.exitCode(), 0) << info.readAllStandardError().toStdString();
    const std::variant<QJsonObject, QString> inProcess = fileInfo(native);
    ASSERT_TRUE(std::holds_alternative<QJsonObject>(inProcess));
    const QJsonObject printed = QJsonDocument::fromJson(info.readAllStandardOutput()).object();
    EXPECT_EQ(printed, std::get<QJsonObject>(inProcess));
    EXPECT_GT(printed[QStringLiteral("layers")][1][QStringLiteral("size")][QStringLiteral("height")].toDouble(), 80);

    // Without the editor program, documents are still described, and anything else says why not.
    for (const char* name : {"velmaris-images", "velmaris-images-info"})
        ASSERT_TRUE(QFile::copy(programs + u'/' + QLatin1String(name), dir.filePath(QLatin1String(name))));
    const QString alone = dir.filePath(QStringLiteral("velmaris-images"));
    QProcess lonelyInfo;
    lonelyInfo.start(alone, {QStringLiteral("--info"), native});
    ASSERT_TRUE(lonelyInfo.waitForFinished());
    EXPECT_EQ(lonelyInfo.exitCode(), 0);
    EXPECT_EQ(QJsonDocument::fromJson(lonelyInfo.readAllStandardOutput()).object(), printed);
    for (const QStringList& arguments : {QStringList{QStringLiteral("--help")},
                                         QStringList{QStringLiteral("--info"), dir.filePath(QStringLiteral("a.png"))}}) {
        QProcess lonely;
        lonely.start(alone, arguments);
        ASSERT_TRUE(lonely.waitForFinished());
        EXPECT_EQ(lonely.exitCode(), 1);
        EXPECT_EQ(QString::fromUtf8(lonely.readAllStandardError()),
                  QStringLiteral("The program \"%1\" could not be started: No such file or directory.\n")
                      .arg(dir.filePath(QStringLiteral("velmaris-images-editor"))));
    }
}

TEST(CommandLine, AnEditorThatIsKilledMidDecodeTakesItsDecodeHelperWithIt)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("slow.jpg"));
    writeBytes(input, test::progressiveJpegWithScans(20000));
    QProcess process;
    process.start(QStringLiteral(VELMARIS_EXECUTABLE), {QStringLiteral("--export"), input, dir.filePath(QStringLiteral("out.png"))});
    ASSERT_TRUE(process.waitForStarted());
    qint64 helper = 0;
    ASSERT_TRUE(test::waitUntil([&] { return (helper = childProcessOf(process.processId())) != 0; }));
    ASSERT_TRUE(test::waitUntil([&] { return userTicks(helper) > sysconf(_SC_CLK_TCK) / 5; }));  // decoding
    ::kill(pid_t(process.processId()), SIGKILL);
    process.waitForFinished();
    // Left alone, the helper would decode on until its processor-time backstop, long after this.
    EXPECT_TRUE(test::waitUntil([&] { return !processRuns(helper); }, 1500));
}

TEST(CommandLine, FailuresSayWhatIsWrongAndOutOfRangeValuesNameTheRange)
{
    QTemporaryDir dir;
    const QString png = QString::fromLatin1(test::blackOneBitPng(2).toBase64());
    const QString document = dir.filePath(QStringLiteral("bad.velmaris"));
    writeBytes(document, QStringLiteral(R"({"formatVersion":1,"width":2,"height":2,"layers":[{"id":"","name":"L",)"
                                        R"("isVisible":"yes","opacity":1,"originX":0,"originY":0,"kind":"bitmap","pngData":"%1"}]})")
                             .arg(png)
                             .toUtf8());
    ProcessResult result = runProgram({QStringLiteral("--info"), document});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, QStringLiteral("The image could not be read: layers[0].isVisible: not a boolean\n"));

    // A layer that is a BMP rather than a PNG.
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImage(2, 2, QImage::Format_RGB32).save(&buffer, "BMP"));
    writeBytes(document, fileBytes(document).replace("\"yes\"", "true").replace(png.toLatin1(), bmp.toBase64()));
    result = runProgram({QStringLiteral("--export"), document, dir.filePath(QStringLiteral("out.png"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, QStringLiteral("The image could not be read: layers[0].pngData: not a PNG\n"));

    // The thumbnailer reads documents the same way: 24 layers that would decode to 24 GiB.
    const QString bomb = dir.filePath(QStringLiteral("bomb.velmaris"));
    QByteArray layers = fileBytes(document).replace(bmp.toBase64(), test::blackOneBitPng(16384).toBase64());
    const qsizetype start = layers.indexOf('['), end = layers.lastIndexOf(']');
    const QByteArray layer = layers.mid(start + 1, end - start - 1);
    for (int i = 1; i < 24; ++i)
        layers.insert(end, ',' + layer);
    writeBytes(bomb, layers);
    result = runProgram({QStringLiteral("--thumbnail"), bomb, dir.filePath(QStringLiteral("thumb.png")), QStringLiteral("64")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              QStringLiteral("The image could not be read: the layers' pixels exceed the budget of 1000 megapixels\n"));

    // A scale the image cannot take: 40 × 20 at 579.26 is the last size within the bitmap limits.
    const QString input = writeTestImage(dir, QStringLiteral("in.png"));
    const QString output = dir.filePath(QStringLiteral("big.png"));
    result = runProgram({QStringLiteral("--export"), input, output, QStringLiteral("--scale"), QStringLiteral("1e6")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError,
              QStringLiteral("--scale must be greater than 0 and at most 579.26 for this 40 × 20 image.\n"));
    EXPECT_FALSE(QFile::exists(output));
    for (const char* scale : {"0", "-2", "nan"}) {
        result = runProgram({QStringLiteral("--export"), input, output, QStringLiteral("--scale"), QLatin1String(scale)});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.standardError.startsWith(QStringLiteral("--scale must be a number greater than 0."))) << scale;
    }
    result = runProgram({QStringLiteral("--export"), input, output, QStringLiteral("--quality"), QStringLiteral("200")});
    EXPECT_TRUE(result.standardError.startsWith(QStringLiteral("--quality must be a number from 0 to 1.")));
}

}  // namespace
}  // namespace velmaris
