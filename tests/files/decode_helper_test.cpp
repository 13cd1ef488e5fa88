#include "files/CodecTestHelpers.h"
#include "files/DecodeHelper.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"
#include "files/SVGWrapper.h"

#include "HostileImages.h"
#include "QtWait.h"
#include "TestImages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

#include <signal.h>
#include <sys/wait.h>

namespace velmaris {
namespace {

const FileError kUnreadable = FileError::imageUnreadable();

QString detailOf(const FileResult<Bitmap>& result)
{
    const auto* error = std::get_if<FileError>(&result);
    return error && *error == kUnreadable ? error->detail : QStringLiteral("(no read error)");
}

QByteArray written(const QImage& image, const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return buffer.data();
}

// This process's children (the decode helpers among them) and their names.
std::map<int, QByteArray> childProcesses()
{
    std::map<int, QByteArray> children;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile list(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (!list.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& pid : list.readAll().split(' ')) {
            QFile name(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid.trimmed())));
            if (!pid.trimmed().isEmpty() && name.open(QIODevice::ReadOnly))
                children[pid.trimmed().toInt()] = name.readAll().trimmed();
        }
    }
    return children;
}

// The helper test_main.cpp forked into the shared pool, while it is there.
std::optional<int> forkedHelper()
{
    for (const auto& [pid, name] : childProcesses())
        if (name == DecodeHelperPool::kForkedHelperName)
            return pid;
    return std::nullopt;
}

// Kills a helper and waits until it has ended, leaving it for its pool to collect.
void killHelper(int pid)
{
    kill(pid, SIGKILL);
    siginfo_t info{};
    waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
}

// A 2 × 2 uncompressed true-colour TGA with its footer (Qt's plugin only reads them).
QByteArray tga()
{
    QByteArray bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = bytes[14] = 2;
    bytes[16] = 24;
    return bytes + QByteArray(12, '\x7F') + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
}

TEST(DecodeHelper, HostileDataEndsInTheReadErrorAndTheNextDecodeWorks)
{
    const Bitmap picture = test::opaqueRandomBitmap(9, 7, 3);
    const QByteArray png = *encodeImageData(picture, ImageType::png);
    DecodeHelperPool& pool = DecodeHelperPool::shared();

    // Decoding these scans takes half a minute and more; the helper is stopped after its allowance.
    const QByteArray jpeg = test::progressiveJpegWithScans(20000);
    EXPECT_LT(jpeg.size(), 1'000'000);
    EXPECT_TRUE(detailOf(pool.decode(jpeg, ImageType::jpeg)).startsWith(QStringLiteral("the decoder took longer than")));
    EXPECT_TRUE(test::samePixels(std::get<Bitmap>(pool.decode(png, ImageType::png)), picture));

    EXPECT_EQ(pool.probe(DecodeHelperProbe::crash).detail, QStringLiteral("the decoder crashed (signal 6)"));
    EXPECT_TRUE(test::samePixels(std::get<Bitmap>(pool.decode(png, ImageType::png)), picture));
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    for (DecodeHelperProbe probe : {DecodeHelperProbe::exhaustMemory, DecodeHelperProbe::exhaustMemoryAndAbort}) {
        EXPECT_EQ(pool.probe(probe).detail, QStringLiteral("the decoder ran out of memory (limit 4 GiB)"));
        EXPECT_TRUE(test::samePixels(std::get<Bitmap>(pool.decode(png, ImageType::png)), picture));
    }
#endif
}

// Chunks the fast PNG reader takes over rows it cannot unfilter: the general decoder has the last
// word, in the helper as in this process.
TEST(DecodeHelper, DamagedPngRowsAreJudgedAsInThisProcess)
{
    const QByteArray rows = QByteArray(1, '\x07') + QByteArray(8, '\x40') + QByteArray(1, '\x00') + QByteArray(8, '\x40');
    const QByteArray png = test::kPngSignature
        + test::pngChunk("IHDR" + test::bigEndian(2) + test::bigEndian(2) + QByteArray("\x08\x06\x00\x00\x00", 5))
        + test::pngChunk("IDAT" + qCompress(rows).mid(4)) + test::pngChunk("IEND");
    const std::optional<Bitmap> here = decodeImageData(png, ImageType::png);
    const FileResult<Bitmap> there = decodeUntrustedImage(png, ImageType::png);
    ASSERT_EQ(here.has_value(), std::holds_alternative<Bitmap>(there));
    if (here) {
        EXPECT_TRUE(test::samePixels(std::get<Bitmap>(there), *here));
    }
}

TEST(DecodeHelper, OnlyTheOfferedFormatsAreDecoded)
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    const std::pair<QByteArray, const char*> others[] = {
        {written(image, "xpm"), "xpm"}, {written(image, "pbm"), "pbm"}, {written(image, "ppm"), "ppm"},
        {written(image, "ico"), "ico"}, {tga(), "tga"}};
    for (const auto& [bytes, format] : others) {
        // Qt has a decoder for every one of them.
        EXPECT_FALSE(QImage::fromData(bytes, format).isNull()) << format;
        for (ImageType type : {ImageType::png, ImageType::bmp, ImageType::tiff}) {
            EXPECT_FALSE(decodeImageData(bytes, type));
            EXPECT_EQ(detailOf(decodeUntrustedImage(bytes, type)), unreadableFormatReason());
        }
    }
}

TEST(DecodeHelper, DecodesAsThisProcessDoesFromManyThreadsAtOnce)
{
    const Bitmap picture = test::randomBitmap(300, 200, 5);
    std::vector<std::pair<QByteArray, ImageType>> files;
    for (ImageType type : {ImageType::png, ImageType::jpeg, ImageType::gif, ImageType::bmp, ImageType::tiff})
        files.emplace_back(*encodeImageData(picture, type), type);
    files.emplace_back(*makeSVGWrapper(picture), ImageType::svg);
    // Opaque RGB PNG, grey and turned JPEG, decoded straight into the shared memory or not.
    files.emplace_back(written(picture.image().convertToFormat(QImage::Format_RGB32), "png"), ImageType::png);
    files.emplace_back(written(picture.image().convertToFormat(QImage::Format_Grayscale8), "jpeg"), ImageType::jpeg);
    for (const int orientation : {2, 6})
        files.emplace_back(test::jpegWithOrientation(files[1].first, orientation), ImageType::jpeg);
    std::vector<Bitmap> expected;
    for (const auto& [bytes, type] : files)
        expected.push_back(*decodeImageData(bytes, type));

    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(test::samePixels(std::get<Bitmap>(decodeUntrustedImage(files[i].first, files[i].second)), expected[i]));
    std::vector<int> wrong(4);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&, thread] {
            for (int round = 0; round < 3; ++round) {
                for (std::size_t i = 0; i < files.size(); ++i) {
                    const FileResult<Bitmap> decoded = decodeUntrustedImage(files[i].first, files[i].second);
                    if (!std::holds_alternative<Bitmap>(decoded) || !test::samePixels(std::get<Bitmap>(decoded), expected[i]))
                        ++wrong[thread];
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4));
}

TEST(DecodeHelper, AHelperThatCannotStartIsAReadErrorWithItsReason)
{
    const QByteArray png = *encodeImageData(test::solidBitmap(1, 1, {0, 0, 0, 255}), ImageType::png);
    EXPECT_TRUE(detailOf(DecodeHelperPool(QStringLiteral("/nonexistent/velmaris")).decode(png, ImageType::png))
                    .startsWith(QStringLiteral("the decoder could not be started")));
    EXPECT_TRUE(detailOf(DecodeHelperPool(QStringLiteral("/bin/true")).decode(png, ImageType::png))
                    .startsWith(QStringLiteral("the decoder did not start")));
}

// The first helper is a copy of this process, made before it had threads: it decodes as a started
// one does, and its crash is reported and replaced the same way.
TEST(DecodeHelper, TheForkedHelperDecodesAndIsReplacedWhenItCrashes)
{
    // Run alone, the test must find it, though a moment after the fork it may not have named itself
    // yet; earlier tests in this process may have used it up.
    std::optional<int> forked = forkedHelper();
    const bool alone = ::testing::UnitTest::GetInstance()->test_to_run_count() == 1;
    if (!forked && alone)
        test::waitUntil([&] { return (forked = forkedHelper()).has_value(); });
    if (!forked) {
        ASSERT_FALSE(alone) << "no helper was forked";
        GTEST_SKIP() << "the forked helper is gone";
    }
    const Bitmap picture = test::opaqueRandomBitmap(64, 48, 11);
    const QByteArray png = *encodeImageData(picture, ImageType::png);
    DecodeHelperPool& pool = DecodeHelperPool::shared();
    EXPECT_TRUE(test::samePixels(std::get<Bitmap>(pool.decode(png, ImageType::png)), picture));
    EXPECT_EQ(forkedHelper(), forked);

    // Earlier tests may have left helpers of their own idle in the pool: each crash takes one of
    // them, the forked one among them.
    const std::size_t helpers = childProcesses().size();
    for (std::size_t crashed = 0; crashed < helpers && forkedHelper(); ++crashed)
        EXPECT_EQ(pool.probe(DecodeHelperProbe::crash).detail, QStringLiteral("the decoder crashed (signal 6)"));
    EXPECT_FALSE(forkedHelper());
    EXPECT_TRUE(test::samePixels(std::get<Bitmap>(pool.decode(png, ImageType::png)), picture));
}

// A helper that ends before its first request, forked or started ahead, is replaced by the decode
// that finds it gone.
TEST(DecodeHelper, AHelperEndedBeforeItsFirstRequestIsReplaced)
{
    const Bitmap picture = test::opaqueRandomBitmap(20, 10, 4);
    const QByteArray png = *encodeImageData(picture, ImageType::png);
    if (const std::optional<int> forked = forkedHelper()) {
        killHelper(*forked);
        const FileResult<Bitmap> decoded = DecodeHelperPool::shared().decode(png, ImageType::png);
        EXPECT_TRUE(test::samePixels(std::get<Bitmap>(decoded), picture));
    }

    DecodeHelperPool pool(QStringLiteral("/proc/self/exe"));
    const std::map<int, QByteArray> before = childProcesses();
    pool.startAhead();
    pool.startAhead();  // one idle helper is enough
    std::vector<int> started;
    for (const auto& child : childProcesses())
        if (!before.count(child.first))
            started.push_back(child.first);
    ASSERT_EQ(started.size(), 1u);
    killHelper(started[0]);
    EXPECT_TRUE(test::samePixels(std::get<Bitmap>(pool.decode(png, ImageType::png)), picture));
    // Helpers on their way when the data comes are waited for, not started again.
    pool.startAhead();
    EXPECT_TRUE(test::samePixels(std::get<Bitmap>(pool.decode(png, ImageType::png)), picture));

    // A program that never becomes a helper is reported as before, started ahead or not.
    DecodeHelperPool other(QStringLiteral("/bin/true"));
    other.startAhead();
    EXPECT_TRUE(detailOf(other.decode(png, ImageType::png)).startsWith(QStringLiteral("the decoder did not start")));
}

}  // namespace
}  // namespace velmaris
