#include "files/ImageMetadataIO.h"

#include "CodecTestHelpers.h"
#include "files/ExportImage.h"
#include "files/FlatImageFile.h"
#include "files/ImageEncoder.h"
#include "files/NativeDocumentFile.h"

#include <QColorSpace>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <gtest/gtest.h>

namespace velmaris {
namespace {

// The files are written and read back with the metadata library directly, independently of the
// code under test.
struct SeenMetadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    QByteArray profile;

    std::string exifValue(const char* key) const
    {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? std::string() : it->toString();
    }
    std::string xmpValue(const char* key) const
    {
        const auto it = xmp.findKey(Exiv2::XmpKey(key));
        return it == xmp.end() ? std::string() : it->toString();
    }
    bool hasExifGroup(const std::string& group) const
    {
        return std::any_of(exif.begin(), exif.end(), [&](const Exiv2::Exifdatum& d) { return d.groupName() == group; });
    }
};

SeenMetadata seenIn(const QByteArray& file)
{
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(file.constData()), long(file.size()));
    image->readMetadata();
    SeenMetadata seen{image->exifData(), image->xmpData(), {}};
    if (image->iccProfileDefined())
        seen.profile = QByteArray(reinterpret_cast<const char*>(image->iccProfile()->pData_), image->iccProfile()->size_);
    return seen;
}

// An sRGB profile whose bytes differ from the one our encoders write: only its creator differs.
QByteArray cameraSrgbProfile()
{
    QByteArray profile = QColorSpace(QColorSpace::SRgb).iccProfile();
    profile.replace(80, 4, "VTst");
    return profile;
}

// A photo as a camera writes it: orientation 6 (turned a quarter clockwise on display), pixel sizes,
// a thumbnail, GPS, an XMP title and location, and a colour profile.
QByteArray photoWithMetadata(const QByteArray& encoded, const QByteArray& profile, int width, int height)
{
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(encoded.constData()), long(encoded.size()));
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    exif["Exif.Image.Make"] = "Velmaris Test Camera";
    exif["Exif.Image.Model"] = "VT-1";
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Photo.DateTimeOriginal"] = "2026:05:04 10:11:12";
    exif["Exif.Photo.PixelXDimension"] = uint32_t(width);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(height);
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = Exiv2::URationalValue();
    exif["Exif.GPSInfo.GPSLatitude"].setValue("52/1 31/1 0/1");
    const std::optional<QByteArray> thumbnail = encodeImageData(test::opaqueRandomBitmap(8, 4, 9), ImageType::jpeg);
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail->constData()),
                                            long(thumbnail->size()));
    Exiv2::XmpData& xmp = image->xmpData();
    xmp["Xmp.dc.title"] = "lang=x-default Harbour at dawn";
    xmp["Xmp.tiff.Orientation"] = "6";
    xmp["Xmp.exif.GPSLatitude"] = "52,31.0N";
    xmp["Xmp.photoshop.City"] = "Berlin";
    if (!profile.isEmpty()) {
        Exiv2::DataBuf buffer(reinterpret_cast<const Exiv2::byte*>(profile.constData()), long(profile.size()));
        image->setIccProfile(buffer);
    }
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.open();
    const Exiv2::DataBuf written = io.read(long(io.size()));
    return QByteArray(reinterpret_cast<const char*>(written.pData_), written.size_);
}

QByteArray savedAs(const CanvasState& state, ImageType type)
{
    const FileResult<QByteArray> saved = writeFlatImage(state, type);
    return std::holds_alternative<QByteArray>(saved) ? std::get<QByteArray>(saved) : QByteArray();
}

const std::array<ImageType, 3> kMetadataTypes{ImageType::jpeg, ImageType::png, ImageType::tiff};

TEST(ImageMetadata, SurvivesOpenAndSaveBetweenJpegPngAndTiff)
{
    const QByteArray profile = cameraSrgbProfile();
    ASSERT_EQ(QColorSpace::fromIccProfile(profile), QColorSpace(QColorSpace::SRgb));
    ASSERT_NE(profile, QColorSpace(QColorSpace::SRgb).iccProfile());
    for (const ImageType from : kMetadataTypes) {
        const QByteArray photo =
            photoWithMetadata(*encodeImageData(test::opaqueRandomBitmap(40, 20, 3), from), profile, 40, 20);
        const FileResult<CanvasState> opened = readFlatImage(photo, from);
        ASSERT_TRUE(std::holds_alternative<CanvasState>(opened)) << int(from);
        const CanvasState& state = std::get<CanvasState>(opened);
        ASSERT_FALSE(state.metadata.exif.isEmpty()) << int(from);
        // Turned upright on opening, except PNG, whose reader does not look at EXIF: written as
        // they are shown, the pixels are upright either way.
        const QSizeF upright = from == ImageType::png ? QSizeF(40, 20) : QSizeF(20, 40);
        EXPECT_EQ(state.size, upright) << int(from);
        for (const ImageType to : kMetadataTypes) {
            SCOPED_TRACE(testing::Message() << int(from) << " to " << int(to));
            const QByteArray saved = savedAs(state, to);
            const SeenMetadata seen = seenIn(saved);
            EXPECT_EQ(seen.exifValue("Exif.Image.Make"), "Velmaris Test Camera");
            EXPECT_EQ(seen.exifValue("Exif.Image.Model"), "VT-1");
            EXPECT_EQ(seen.exifValue("Exif.Photo.DateTimeOriginal"), "2026:05:04 10:11:12");
            EXPECT_EQ(seen.exifValue("Exif.GPSInfo.GPSLatitude"), "52/1 31/1 0/1");
            EXPECT_EQ(seen.xmpValue("Xmp.dc.title"), "lang=\"x-default\" Harbour at dawn");
            EXPECT_EQ(seen.xmpValue("Xmp.photoshop.City"), "Berlin");
            EXPECT_EQ(seen.profile, profile);
            // The pixels are upright already: a reader must not turn them again.
            EXPECT_EQ(seen.exifValue("Exif.Image.Orientation"), "1");
            EXPECT_EQ(seen.exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"))->typeId(), Exiv2::unsignedShort);
            EXPECT_EQ(seen.xmpValue("Xmp.tiff.Orientation"), "1");
            EXPECT_EQ(seen.exifValue("Exif.Photo.PixelXDimension"), std::to_string(int(upright.width())));
            EXPECT_EQ(seen.exifValue("Exif.Photo.PixelYDimension"), std::to_string(int(upright.height())));
            EXPECT_FALSE(seen.hasExifGroup("Thumbnail"));
            const FileResult<CanvasState> reopened = readFlatImage(saved, to);
            ASSERT_TRUE(std::holds_alternative<CanvasState>(reopened));
            EXPECT_EQ(std::get<CanvasState>(reopened).size, upright);
            // The layout of the file written is its own, not the source's.
            if (to == ImageType::tiff) {
                EXPECT_EQ(seen.exifValue("Exif.Image.ImageWidth"), std::to_string(int(upright.width())));
            }
        }
    }
}

TEST(ImageMetadata, ExportKeepsRemovesLocationOrLeavesOut)
{
    const QByteArray photo =
        photoWithMetadata(*encodeImageData(test::opaqueRandomBitmap(40, 20, 4), ImageType::jpeg), {}, 40, 20);
    const CanvasState state = std::get<CanvasState>(readFlatImage(photo, ImageType::jpeg));
    const ExportFormat jpeg = exportFormats()[1];
    ASSERT_EQ(jpeg.type, ImageType::jpeg);

    const SeenMetadata kept = seenIn(std::get<QByteArray>(exportImageData(state, {jpeg, 0.9, 0.5})));
    EXPECT_EQ(kept.exifValue("Exif.Image.Make"), "Velmaris Test Camera");
    EXPECT_TRUE(kept.hasExifGroup("GPSInfo"));
    // Sizes follow the scale.
    EXPECT_EQ(kept.exifValue("Exif.Photo.PixelXDimension"), "10");

    ExportRequest withoutLocation{jpeg, 0.9, 1};
    withoutLocation.removeLocation = true;
    const SeenMetadata placeless = seenIn(std::get<QByteArray>(exportImageData(state, withoutLocation)));
    EXPECT_EQ(placeless.exifValue("Exif.Image.Make"), "Velmaris Test Camera");
    EXPECT_EQ(placeless.xmpValue("Xmp.dc.title"), "lang=\"x-default\" Harbour at dawn");
    EXPECT_FALSE(placeless.hasExifGroup("GPSInfo"));
    EXPECT_EQ(placeless.xmpValue("Xmp.exif.GPSLatitude"), "");
    EXPECT_EQ(placeless.xmpValue("Xmp.photoshop.City"), "");

    ExportRequest bare{jpeg, 0.9, 1};
    bare.keepMetadata = false;
    const SeenMetadata none = seenIn(std::get<QByteArray>(exportImageData(state, bare)));
    EXPECT_TRUE(none.exif.empty());
    EXPECT_TRUE(none.xmp.empty());

    // The command line and Save As write through the flat writer, which removes the location too.
    const FileResult<QByteArray> saved = writeFlatImage(state, ImageType::png, {1, std::nullopt, true});
    EXPECT_FALSE(seenIn(std::get<QByteArray>(saved)).hasExifGroup("GPSInfo"));
}

// The photo types take the same prepared metadata from their own encoders; what exiftool finds in
// them, WebP being read by exiv2 as well.
TEST(ImageMetadata, PhotoExportsKeepItUprightAndCanDropTheLocation)
{
    const QByteArray photo =
        photoWithMetadata(*encodeImageData(test::opaqueRandomBitmap(40, 20, 10), ImageType::jpeg), {}, 40, 20);
    const CanvasState state = std::get<CanvasState>(readFlatImage(photo, ImageType::jpeg));
    ASSERT_EQ(state.size, QSizeF(20, 40));
    for (const ImageType type : {ImageType::webp, ImageType::heif}) {
        EXPECT_TRUE(typeHoldsMetadata(type));
        const auto format = std::find_if(exportFormats().begin(), exportFormats().end(),
                                         [&](const ExportFormat& f) { return f.type == type; });
        ASSERT_NE(format, exportFormats().end());
        const QString extension = imageTypeExtension(type);
        SCOPED_TRACE(extension.toStdString());

        const QByteArray kept = std::get<QByteArray>(exportImageData(state, {*format, 0.8, 1}));
        const QJsonObject tags = test::exiftoolTags(kept, extension);
        EXPECT_EQ(tags["EXIF:Make"].toString(), "Velmaris Test Camera");
        EXPECT_EQ(tags["EXIF:Orientation"].toString(), "Horizontal (normal)");
        EXPECT_EQ(tags["EXIF:ExifImageWidth"].toInt(), 20);
        EXPECT_EQ(tags["EXIF:GPSLatitudeRef"].toString(), "North");
        EXPECT_EQ(tags["XMP:Title"].toString(), "Harbour at dawn");
        EXPECT_EQ(tags["XMP:Orientation"].toString(), "Horizontal (normal)");
        EXPECT_EQ(tags["XMP:City"].toString(), "Berlin");
        EXPECT_FALSE(tags.contains("EXIF:ThumbnailImage"));
        if (type == ImageType::webp) {
            EXPECT_EQ(seenIn(kept).exifValue("Exif.Image.Orientation"), "1");
        }
        // Read back through the decode helper as any opened file's.
        const FileResult<CanvasState> reopened = readFlatImage(kept, type);
        ASSERT_TRUE(std::holds_alternative<CanvasState>(reopened));
        EXPECT_EQ(std::get<CanvasState>(reopened).size, QSizeF(20, 40));
        const SeenMetadata reread = seenIn(*embedImageMetadata(*encodeImageData(test::opaqueRandomBitmap(4, 4, 1),
                                                                                 ImageType::png),
                                                                 std::get<CanvasState>(reopened).metadata));
        EXPECT_EQ(reread.exifValue("Exif.Image.Make"), "Velmaris Test Camera");
        EXPECT_EQ(reread.xmpValue("Xmp.photoshop.City"), "Berlin");

        ExportRequest placeless{*format, 0.8, 0.5};
        placeless.removeLocation = true;
        const QJsonObject without = test::exiftoolTags(std::get<QByteArray>(exportImageData(state, placeless)), extension);
        EXPECT_EQ(without["EXIF:Make"].toString(), "Velmaris Test Camera");
        EXPECT_EQ(without["EXIF:ExifImageWidth"].toInt(), 10);
        EXPECT_EQ(without["XMP:Title"].toString(), "Harbour at dawn");
        for (const QString& key : without.keys()) {
            EXPECT_FALSE(key.contains("GPS") || key == "XMP:City") << key.toStdString();
        }

        ExportRequest bare{*format, 0.8, 1};
        bare.keepMetadata = false;
        const QJsonObject none = test::exiftoolTags(std::get<QByteArray>(exportImageData(state, bare)), extension);
        EXPECT_FALSE(none.contains("EXIF:Make"));
        EXPECT_FALSE(none.contains("XMP:Title"));

        // The command line's writer embeds the same.
        const FileResult<QByteArray> saved = writeFlatImage(state, type, {1, 0.8, true});
        const QJsonObject savedTags = test::exiftoolTags(std::get<QByteArray>(saved), extension);
        EXPECT_EQ(savedTags["EXIF:Orientation"].toString(), "Horizontal (normal)");
        EXPECT_FALSE(savedTags.contains("EXIF:GPSLatitudeRef"));
    }
}

TEST(ImageMetadata, AProfileIsWrittenOnlyWhenItDescribesTheSrgbPixels)
{
    const QByteArray p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const QByteArray photo =
        photoWithMetadata(*encodeImageData(test::opaqueRandomBitmap(16, 16, 5), ImageType::png), p3, 16, 16);
    const CanvasState state = std::get<CanvasState>(readFlatImage(photo, ImageType::png));
    // Kept with the document, so a later build could convert back into it.
    EXPECT_EQ(state.metadata.iccProfile, p3);
    for (const ImageType to : kMetadataTypes) {
        const QByteArray profile = seenIn(savedAs(state, to)).profile;
        // TIFF is written without a profile, which readers take as sRGB.
        if (!profile.isEmpty() || to != ImageType::tiff) {
            EXPECT_EQ(QColorSpace::fromIccProfile(profile), QColorSpace(QColorSpace::SRgb)) << int(to);
        }
    }
    EXPECT_TRUE(metadataForWriting(state.metadata, {16, 16}, false).iccProfile.isEmpty());
}

// The types other decoders open: what the metadata reader finds in files written by other tools.
TEST(ImageMetadata, ReadFromWebpHeifAndAvif)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString jpegPath = folder.filePath("photo.jpg");
    {
        QFile jpeg(jpegPath);
        ASSERT_TRUE(jpeg.open(QIODevice::WriteOnly));
        jpeg.write(photoWithMetadata(*encodeImageData(test::opaqueRandomBitmap(64, 48, 6), ImageType::jpeg), {}, 64, 48));
    }
    struct Case {
        QString tool;
        QStringList arguments;
        QString output;
    };
    const std::array<Case, 3> cases{{
        {"heif-enc", {"-o", folder.filePath("photo.heic"), jpegPath}, folder.filePath("photo.heic")},
        {"heif-enc", {"-A", "-o", folder.filePath("photo.avif"), jpegPath}, folder.filePath("photo.avif")},
        {"cwebp", {"-quiet", "-metadata", "exif,xmp", jpegPath, "-o", folder.filePath("photo.webp")},
         folder.filePath("photo.webp")},
    }};
    for (const Case& c : cases) {
        if (QStandardPaths::findExecutable(c.tool).isEmpty())
            GTEST_SKIP() << c.tool.toStdString() << " is not installed (scripts/install-deps.sh)";
        ASSERT_EQ(QProcess::execute(c.tool, c.arguments), 0) << c.output.toStdString();
        QFile file(c.output);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const ImageMetadata metadata = readImageMetadata(file.readAll());
        const SeenMetadata seen = seenIn(
            *embedImageMetadata(*encodeImageData(test::opaqueRandomBitmap(4, 4, 1), ImageType::png), metadata));
        EXPECT_EQ(seen.exifValue("Exif.Image.Make"), "Velmaris Test Camera") << c.output.toStdString();
        EXPECT_EQ(seen.xmpValue("Xmp.dc.title"), "lang=\"x-default\" Harbour at dawn") << c.output.toStdString();
    }
}

// One IFD entry, big-endian: tag, type, count, value or offset.
QByteArray ifdEntry(quint16 tag, quint16 type, quint32 count, quint32 value)
{
    return test::bigEndian(tag, 2) + test::bigEndian(type, 2) + test::bigEndian(count) + test::bigEndian(value);
}

QByteArray jpegWithExif(const QByteArray& jpeg, const QByteArray& tiff)
{
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + "\xFF\xE1" + test::bigEndian(quint32(payload.size() + 2), 2) + payload + jpeg.mid(2);
}

TEST(ImageMetadata, HostileExifCostsTheMetadataNotThePicture)
{
    const QByteArray jpeg = *encodeImageData(test::opaqueRandomBitmap(12, 8, 7), ImageType::jpeg);
    const QByteArray header("MM\0*\0\0\0\x08", 8);
    // IFD0 at 8 with three entries (8 + 2 + 36 + 4 = 50), "Cam\0" stored after it.
    const QByteArray make = ifdEntry(0x010f, 2, 4, 0x43616d00);  // ASCII "Cam", inline
    const std::array<QByteArray, 4> hostile{
        // The next directory is the directory itself.
        header + test::bigEndian(2, 2) + make + ifdEntry(0x0112, 3, 1, 1 << 16) + test::bigEndian(8),
        // The EXIF sub-directory points back at IFD0.
        header + test::bigEndian(2, 2) + make + ifdEntry(0x8769, 4, 1, 8) + test::bigEndian(0),
        // A count of a billion longs, far past the block's end.
        header + test::bigEndian(2, 2) + make + ifdEntry(0x0110, 4, 0x3fffffff, 30) + test::bigEndian(0),
        // A directory claiming 65535 entries in a block of a few bytes.
        header + test::bigEndian(0xffff, 2) + make,
    };
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        SCOPED_TRACE(i);
        const QByteArray file = jpegWithExif(jpeg, hostile[i]);
        // In this process too, where a crash would end the test program.
        const ImageMetadata direct = readImageMetadata(file);
        EXPECT_LE(direct.exif.size(), 1024);
        const FileResult<CanvasState> opened = readFlatImage(file, ImageType::jpeg);
        ASSERT_TRUE(std::holds_alternative<CanvasState>(opened));
        const CanvasState& state = std::get<CanvasState>(opened);
        EXPECT_EQ(state.size, QSizeF(12, 8));
        EXPECT_EQ(state.metadata, direct);
        // Whatever was kept writes back as a well-formed block.
        const QByteArray saved = savedAs(state, ImageType::jpeg);
        EXPECT_NO_THROW(seenIn(saved));
        if (!direct.exif.isEmpty()) {
            EXPECT_EQ(seenIn(saved).exifValue("Exif.Image.Make"), "Cam");
        }
    }
    EXPECT_TRUE(readImageMetadata(QByteArray("not an image at all")).isEmpty());
    EXPECT_TRUE(metadataForWriting({QByteArray("MM\0*garbage", 11), QByteArray("<x:xmpmeta"), {}}, {4, 4}, false)
                    .isEmpty());
}

TEST(ImageMetadata, NativeDocumentsKeepItInAnOptionalKey)
{
    CanvasState state;
    state.size = QSizeF(3, 2);
    state.layers.append(test::bitmapLayer(test::randomBitmap(3, 2, 8)));
    state.selectedLayerID = state.layers.last().id;
    const QByteArray plain = std::get<QByteArray>(writeNativeDocument({state, {}}));
    EXPECT_FALSE(plain.contains("metadata"));

    CanvasState photo = state;
    photo.metadata = {QByteArray("MM\0*\0\0\0\x08\0\0\0\0\0\0", 14), QByteArray("<x:xmpmeta/>"),
                      QColorSpace(QColorSpace::SRgb).iccProfile()};
    const QByteArray withMetadata = std::get<QByteArray>(writeNativeDocument({photo, {}}));
    const FileResult<NativeDocument> read = readNativeDocument(withMetadata);
    ASSERT_TRUE(std::holds_alternative<NativeDocument>(read));
    EXPECT_EQ(std::get<NativeDocument>(read).state.metadata, photo.metadata);

    // One top-level key more and nothing else changed: a reader that skips keys it does not know
    // reads the same document as from a file without metadata.
    QJsonObject object = QJsonDocument::fromJson(withMetadata).object();
    ASSERT_TRUE(object.contains("metadata"));
    object.remove("metadata");
    EXPECT_EQ(QJsonDocument(object), QJsonDocument::fromJson(plain));
    const qsizetype key = withMetadata.indexOf("\"metadata\":");
    const qsizetype end = withMetadata.indexOf('}', key) + 1;
    EXPECT_EQ(withMetadata.left(key) + withMetadata.mid(end + (withMetadata[end] == ',' ? 1 : 0)), plain);

    // A damaged block is left out; the document and the other blocks open.
    QJsonObject blocks = QJsonDocument::fromJson(withMetadata).object()["metadata"].toObject();
    blocks["exif"] = "not base64!";
    QJsonObject damaged = QJsonDocument::fromJson(withMetadata).object();
    damaged["metadata"] = blocks;
    const FileResult<NativeDocument> repaired = readNativeDocument(QJsonDocument(damaged).toJson());
    ASSERT_TRUE(std::holds_alternative<NativeDocument>(repaired));
    const ImageMetadata& kept = std::get<NativeDocument>(repaired).state.metadata;
    EXPECT_TRUE(kept.exif.isEmpty());
    EXPECT_EQ(kept.xmp, photo.metadata.xmp);
    EXPECT_EQ(kept.iccProfile, photo.metadata.iccProfile);
}

}  // namespace
}  // namespace velmaris
