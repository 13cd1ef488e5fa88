#include "files/CodecTestHelpers.h"
#include "files/DecodeHelper.h"
#include "files/ExportImage.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"
#include "files/PhotoFormat.h"

#include "TestImages.h"

#include <QColorSpace>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>

namespace velmaris {
namespace {

constexpr ImageType kPhotoTypes[] = {ImageType::heif, ImageType::avif, ImageType::webp, ImageType::jxl};

QString nameOf(ImageType type)
{
    return imageTypeExtension(type);
}

// The mean difference of all components, for lossy results.
double meanDistance(const Bitmap& a, const Bitmap& b)
{
    if (a.size() != b.size())
        return 1e9;
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 4; ++x)
            total += std::abs(int(a.row(y)[x]) - int(b.row(y)[x]));
    return total / (double(a.width()) * a.height() * 4);
}

Bitmap roundTrip(const Bitmap& image, ImageType type, std::optional<double> quality)
{
    const std::optional<QByteArray> bytes = encodeImageData(image, type, quality);
    EXPECT_TRUE(bytes) << nameOf(type).toStdString();
    if (!bytes)
        return {};
    EXPECT_EQ(photoTypeOf(*bytes), type);
    return decodeImageData(*bytes, type).value_or(Bitmap());
}

// A TIFF-structured EXIF block holding one tag: Make = "Velmaris".
QByteArray exifWithMake()
{
    using test::bigEndian;
    QByteArray tiff("MM\0*", 4);
    tiff += bigEndian(8);
    tiff += bigEndian(1, 2);
    tiff += bigEndian(0x010F, 2) + bigEndian(2, 2) + bigEndian(9) + bigEndian(26);  // ASCII, 9 bytes at 26
    tiff += bigEndian(0);
    tiff += QByteArray("Velmaris", 9);
    return tiff;
}

ImageMetadata sampleMetadata()
{
    ImageMetadata metadata;
    metadata.exif = exifWithMake();
    metadata.xmp = QByteArrayLiteral(
        "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:source>velmaris-test</dc:source></rdf:Description></rdf:RDF><?xpacket end=\"w\"?>");
    metadata.iccProfile = QColorSpace(QColorSpace::SRgb).iccProfile();
    return metadata;
}

// The file with every 32-bit value of its "ispe" boxes' width and height replaced.
QByteArray withDeclaredSize(QByteArray heif, quint32 width, quint32 height)
{
    for (qsizetype at = heif.indexOf("ispe"); at >= 0; at = heif.indexOf("ispe", at + 4))
        heif.replace(at + 8, 8, test::bigEndian(width) + test::bigEndian(height));
    return heif;
}

// A bare JPEG XL codestream header declaring a size, with default metadata and nothing after.
QByteArray jxlHeader(quint32 width, quint32 height)
{
    std::vector<bool> bits;
    const auto put = [&bits](quint32 value, int count) {
        for (int i = 0; i < count; ++i)
            bits.push_back((value >> i) & 1);
    };
    put(0, 1);            // not a small size
    put(2, 2);            // height in 18 bits
    put(height - 1, 18);
    put(0, 3);            // width given, no ratio
    put(2, 2);
    put(width - 1, 18);
    put(1, 1);            // default image metadata
    QByteArray bytes("\xFF\x0A");
    for (std::size_t i = 0; i < bits.size(); i += 8) {
        char byte = 0;
        for (std::size_t b = 0; b < 8 && i + b < bits.size(); ++b)
            byte = char(byte | (bits[i + b] << b));
        bytes.append(byte);
    }
    return bytes + QByteArray(64, '\0');
}

}  // namespace

TEST(PhotoFormat, TypesAreNamedAndFoundByTheirSignatures)
{
    for (ImageType type : kPhotoTypes) {
        EXPECT_TRUE(isPhotoType(type));
        EXPECT_EQ(imageTypeForExtension(imageTypeExtension(type)), type);
    }
    EXPECT_EQ(imageTypeForExtension(QStringLiteral("HEIF")), ImageType::heif);
    EXPECT_EQ(photoTypeOf(QByteArray("\0\0\0\x18" "ftypmif1\0\0\0\0mif1avif", 24)), ImageType::avif);
    EXPECT_EQ(photoTypeOf(QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24)), ImageType::heif);
    EXPECT_EQ(photoTypeOf(QByteArray("\0\0\0\x0CJXL \r\n\x87\n\0\0", 14)), ImageType::jxl);
    EXPECT_EQ(photoTypeOf(QByteArray("RIFF\0\0\0\0WEBPVP8 ", 16)), ImageType::webp);
    // A video's ftyp, a brand only past the box's own end, RIFF audio, other images: not ours.
    EXPECT_FALSE(photoTypeOf(QByteArray("\0\0\0\x18" "ftypisom\0\0\0\0isomavc1", 24)));
    EXPECT_FALSE(photoTypeOf(QByteArray("\0\0\0\x10" "ftypisom\0\0\0\0heic", 20)));
    EXPECT_FALSE(photoTypeOf(QByteArray("RIFF\0\0\0\0WAVEfmt ", 16)));
    EXPECT_FALSE(photoTypeOf(*encodeImageData(test::randomBitmap(4, 4, 1), ImageType::png)));
    EXPECT_FALSE(photoTypeOf(QByteArray("\0\0\0\x18" "ftyp", 8)));
}

TEST(PhotoFormat, LosslessWebPAndJpegXLRoundTripExactlyWithAlpha)
{
    const Bitmap translucent = test::randomBitmap(61, 37, 7);
    const Bitmap opaque = test::opaqueRandomBitmap(33, 20, 3);
    for (ImageType type : {ImageType::webp, ImageType::jxl}) {
        EXPECT_EQ(test::bitmapDistance(roundTrip(translucent, type, 1.0), translucent), 0) << nameOf(type).toStdString();
        EXPECT_EQ(test::bitmapDistance(roundTrip(opaque, type, 1.0), opaque), 0) << nameOf(type).toStdString();
    }
}

TEST(PhotoFormat, LossyTypesStayCloseKeepAlphaAndQualityControlsSize)
{
    const Bitmap photo = test::gradientBitmap(96, 64);
    for (ImageType type : kPhotoTypes) {
        const std::string name = nameOf(type).toStdString();
        const Bitmap decoded = roundTrip(photo, type, 0.9);
        EXPECT_LT(meanDistance(decoded, photo), 3.0) << name;
        EXPECT_TRUE(test::validPremultiplied(decoded)) << name;
        const qsizetype small = encodeImageData(photo, type, 0.2)->size();
        const qsizetype large = encodeImageData(photo, type, 0.95)->size();
        EXPECT_LT(small, large) << name;

        // Transparent corner: alpha comes back clear there and opaque elsewhere, colours near.
        const Bitmap quartered = test::quarteredBitmap(64, 48, true);
        const Bitmap withAlpha = roundTrip(quartered, type, 0.9);
        ASSERT_EQ(withAlpha.size(), quartered.size()) << name;
        EXPECT_LE(test::channelDistance(test::pixelAt(withAlpha, 8, 8), test::Rgba{255, 0, 0, 255}), 12) << name;
        EXPECT_LE(test::channelDistance(test::pixelAt(withAlpha, 56, 8), test::Rgba{0, 0, 255, 255}), 12) << name;
        EXPECT_LE(test::pixelAt(withAlpha, 56, 40)[3], 4) << name;
    }
}

TEST(PhotoFormat, AbsurdDeclaredSizesAreRefusedFromTheHeader)
{
    const Bitmap small = test::gradientBitmap(64, 48);
    for (ImageType type : {ImageType::heif, ImageType::avif}) {
        const QByteArray file = *encodeImageData(small, type, 0.5);
        EXPECT_EQ(declaredPhotoSize(file), QSize(64, 48));
        const QByteArray huge = withDeclaredSize(file, 100000, 100000);
        ASSERT_NE(huge, file);
        EXPECT_FALSE(declaredPhotoSize(huge));
        EXPECT_FALSE(decodeImageData(huge, type));
        // Within each side's limit, over the pixel budget together.
        EXPECT_FALSE(decodeImageData(withDeclaredSize(file, 29000, 29000), type));
        const FileResult<Bitmap> untrusted = decodeUntrustedImage(huge, type);
        ASSERT_TRUE(std::holds_alternative<FileError>(untrusted));
        EXPECT_EQ(std::get<FileError>(untrusted), FileError::imageUnreadable());
    }
    // The forged header is read as written: a small declared size comes back.
    EXPECT_EQ(declaredPhotoSize(jxlHeader(200, 100)), QSize(200, 100));
    EXPECT_FALSE(declaredPhotoSize(jxlHeader(100000, 3)));
    EXPECT_FALSE(decodeImageData(jxlHeader(100000, 3), ImageType::jxl));
    EXPECT_FALSE(decodeImageData(jxlHeader(20000, 20000), ImageType::jxl));
    EXPECT_EQ(declaredPhotoSize(*encodeImageData(small, ImageType::webp, 0.5)), QSize(64, 48));
}

// A HEIF grid whose tiles would make an image far beyond its boxes' size (and the bitmap budget):
// refused before libheif allocates planes for it, which took 5 GB. Found by the paste fuzzer.
TEST(PhotoFormat, AGridLargerThanItsBoxesIsRefusedBeforeItsPlanesAreMade)
{
    const QByteArray grid = QByteArray::fromHex(
        "0000001c6674797068656963000000006d696631686569636d696166000002fc6d657461000000000000002168646c72"
        "000000000000000070696374000000000000000000000000000000000e7069746d000000000002000000186964617400"
        "00000068656973000000000008000600000060696c6f6301000000444000040001000000000000032000010000000000"
        "00004f00020001000000000000000100000000000000080003000000000000036f000100000000000000230004000100"
        "0000000000000100000008000000080000006269696e6600000000000400000015696e66650200000100010000687663"
        "310000000015696e66650200000000020000677269640000000015696e66650200000100030000687663310000000015"
        "696e666502000000000400006772696400000001b169707270000001846970636f000000766876634301037000000000"
        "00000000001ef000fcfdf8f800000f03200001001840010c01ffff03700000030090000003000003001eba0240210001"
        "002a42010103700000030090000003000003001ea020810596eaae9ae6e04040c0800000030080000003008422000100"
        "064401c173c1890000001469737065000000000000004000000040000000146973706500000000000000080000000600"
        "00001070697869000000000308080800000071687663430104080000000000000000001ef000fcfcf8f800000f032000"
        "01001740010c01ffff0408000003009ff800000300001eba024021000100264201010408000003009ff800000300001e"
        "c08204165baaba6b9b02000003000200000300021022000100064401c173c18900000014697370650000000000000040"
        "0000004000000014697370650000000000000008000000060000000e7069786900000000010800000027617578430000"
        "000075726e3a6d7065673a686576633a323031343a61757869643a31000000002569706d610000000000000004000102"
        "8102000202038400030285060004030788890000003669726566000000000000000e64696d670002000100010000000e"
        "64696d670004000100030000000e6175786c0004000100020000007a6d6461740000004b2801af1321ab280d588bcc11"
        "04914ce6fc80cc69ff73cdef5ed0d6ea6eccbe458df79e625263792ec4657fde2b7a5dc291cccf176814a8c433dac39e"
        "776a5a8de3e3da0d5068a6a06e2dc72e0000001f2801ae26424a24e7d70db3fa8b317615507353b26c20624429128063"
        "f5f4ae");
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(decodeImageData(grid, ImageType::heif));
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 1 << 20) << "peak memory grew by over 1 GiB";  // KiB
}

TEST(PhotoFormat, TheHelperDecodesPhotosAsThisProcessDoes)
{
    const Bitmap picture = test::randomBitmap(90, 70, 11);
    for (ImageType type : kPhotoTypes) {
        const QByteArray bytes = *encodeImageData(picture, type, 0.8);
        const FileResult<Bitmap> untrusted = decodeUntrustedImage(bytes, type);
        ASSERT_TRUE(std::holds_alternative<Bitmap>(untrusted)) << nameOf(type).toStdString();
        EXPECT_TRUE(test::samePixels(std::get<Bitmap>(untrusted), *decodeImageData(bytes, type)));
        // Truncated files are refused, not half-read.
        EXPECT_FALSE(decodeImageData(bytes.left(bytes.size() / 2), type)) << nameOf(type).toStdString();
    }
}

TEST(PhotoFormat, MetadataIsEmbeddedWhereReadersFindIt)
{
    const ImageMetadata metadata = sampleMetadata();
    const Bitmap picture = test::gradientBitmap(64, 48);
    for (ImageType type : kPhotoTypes) {
        const std::string name = nameOf(type).toStdString();
        const std::optional<QByteArray> bytes = encodePhoto(picture, type, 0.8, metadata);
        ASSERT_TRUE(bytes) << name;
        const QJsonObject tags = test::exiftoolTags(*bytes, nameOf(type));
        EXPECT_EQ(tags.value(QStringLiteral("EXIF:Make")).toString(), u"Velmaris") << name;
        EXPECT_EQ(tags.value(QStringLiteral("XMP:Source")).toString(), u"velmaris-test") << name;
        // JPEG XL keeps the profile inside the compressed codestream, where exiftool does not look:
        // ColourProfilesAreAppliedOnDecode shows it is there.
        if (type != ImageType::jxl) {
            EXPECT_TRUE(tags.contains(QStringLiteral("ICC_Profile:ProfileDescription"))) << name;
        }
        // The pixels are unchanged by what was added beside them.
        EXPECT_LT(meanDistance(*decodeImageData(*bytes, type), picture), 3.0) << name;
    }
    // Without metadata none is written.
    const QJsonObject bare = test::exiftoolTags(*encodePhoto(picture, ImageType::webp, 0.8), QStringLiteral("webp"));
    EXPECT_FALSE(bare.contains(QStringLiteral("EXIF:Make")));
    EXPECT_FALSE(bare.contains(QStringLiteral("ICC_Profile:ProfileDescription")));
}

TEST(PhotoFormat, ColourProfilesAreAppliedOnDecode)
{
    // Display P3 pixels, and what they are in sRGB.
    const Bitmap picture = test::solidBitmap(32, 32, {200, 100, 50, 255});
    QImage tagged = picture.image().copy();
    tagged.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const Bitmap inSrgb = Bitmap::fromImage(tagged);
    ASSERT_GT(test::bitmapDistance(inSrgb, picture), 10);
    ImageMetadata metadata;
    metadata.iccProfile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    for (ImageType type : kPhotoTypes) {
        const std::optional<QByteArray> bytes = encodePhoto(picture, type, 0.95, metadata);
        ASSERT_TRUE(bytes);
        EXPECT_LE(test::bitmapDistance(*decodeImageData(*bytes, type), inSrgb), 4) << nameOf(type).toStdString();
    }
}

TEST(PhotoFormat, ExportOffersThePhotoTypesWithQuality)
{
    CanvasState state;
    state.size = QSizeF(40, 30);
    state.layers.append(test::bitmapLayer(test::gradientBitmap(40, 30)));
    for (ImageType type : kPhotoTypes) {
        const auto format = std::find_if(exportFormats().begin(), exportFormats().end(),
                                         [type](const ExportFormat& entry) { return entry.type == type; });
        ASSERT_NE(format, exportFormats().end()) << nameOf(type).toStdString();
        EXPECT_TRUE(format->supportsQuality);
        EXPECT_FALSE(photoEncoderMissing(type)) << nameOf(type).toStdString();
        const FileResult<QByteArray> low = exportImageData(state, ExportRequest{*format, 0.1, 1});
        const FileResult<QByteArray> high = exportImageData(state, ExportRequest{*format, 0.95, 1});
        ASSERT_TRUE(std::holds_alternative<QByteArray>(low) && std::holds_alternative<QByteArray>(high));
        EXPECT_LT(std::get<QByteArray>(low).size(), std::get<QByteArray>(high).size()) << nameOf(type).toStdString();
        EXPECT_EQ(photoTypeOf(std::get<QByteArray>(high)), type);
    }
}

}  // namespace velmaris
