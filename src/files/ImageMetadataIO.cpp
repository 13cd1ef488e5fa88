#include "files/ImageMetadataIO.h"

#include "files/PhotoFormat.h"

#include <QColorSpace>
#include <QtEndian>

// exiv2 0.27 declares its owning pointers as std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop
#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <mutex>

namespace velmaris {

namespace {

// The XMP toolkit registers namespaces in global tables: exports on several workers take turns there.
void lockXmpToolkit(void* mutex, bool lock)
{
    if (lock)
        static_cast<std::mutex*>(mutex)->lock();
    else
        static_cast<std::mutex*>(mutex)->unlock();
}

// Set up once before any thread uses the library; its messages about damaged data would only
// clutter stderr.
void prepareLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        static std::mutex xmpToolkit;
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmpToolkit, &xmpToolkit);
        Exiv2::enableBMFF();
    });
}

const Exiv2::byte* bytesOf(const QByteArray& data)
{
    return reinterpret_cast<const Exiv2::byte*>(data.constData());
}

QByteArray bounded(const char* data, std::size_t size)
{
    if (size == 0 || size > std::size_t(kMaxMetadataBlockBytes))
        return {};
    return QByteArray(data, qsizetype(size));
}

// IFD0 tags that describe how a file stores its own pixels, or hold data kept elsewhere (XMP, the
// profile): meaningless, or wrong, beside other pixels.
constexpr std::array<quint16, 26> kImageStructureTags{
    0x00fe, 0x00ff, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x010a, 0x0111, 0x0115, 0x0116, 0x0117, 0x011c,
    0x013d, 0x0142, 0x0143, 0x0144, 0x0145, 0x014a, 0x0152, 0x0153, 0x015b, 0x0201, 0x0202, 0x02bc, 0x8773,
};

bool isDroppedExifGroup(const std::string& group)
{
    return group == "Thumbnail" || group.rfind("SubImage", 0) == 0 || group.rfind("SubThumb", 0) == 0
        || (group.rfind("Image", 0) == 0 && group != "Image");
}

bool isLocationXmpKey(const std::string& key)
{
    static const std::array<const char*, 7> prefixes{
        "Xmp.exif.GPS",        "Xmp.photoshop.City",         "Xmp.photoshop.State",       "Xmp.photoshop.Country",
        "Xmp.iptc.Location",   "Xmp.iptcExt.LocationCreated", "Xmp.iptcExt.LocationShown",
    };
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const char* prefix) { return key.rfind(prefix, 0) == 0; })
        || key == "Xmp.iptc.CountryCode";
}

template <typename Data, typename Drop>
void eraseIf(Data& data, Drop drop)
{
    for (auto it = data.begin(); it != data.end();)
        it = drop(*it) ? data.erase(it) : std::next(it);
}

// Only the camera's description of the picture: no thumbnail, no other images, no layout tags.
void keepDescriptiveExif(Exiv2::ExifData& exif)
{
    eraseIf(exif, [](const Exiv2::Exifdatum& datum) {
        return isDroppedExifGroup(datum.groupName())
            || (datum.groupName() == "Image"
                && std::find(kImageStructureTags.begin(), kImageStructureTags.end(), datum.tag())
                       != kImageStructureTags.end());
    });
}

QByteArray encodedExif(const Exiv2::ExifData& exif, Exiv2::ByteOrder order)
{
    if (exif.empty())
        return {};
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, exif);
    return bounded(reinterpret_cast<const char*>(blob.data()), blob.size());
}

QByteArray encodedXmp(const Exiv2::XmpData& xmp)
{
    std::string packet;
    if (xmp.empty() || Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat) != 0)
        return {};
    return bounded(packet.data(), packet.size());
}

// Keeps the tag's type (Orientation is a SHORT) unless the value does not fit it.
void setIfPresent(Exiv2::ExifData& exif, const char* key, quint32 value)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return;
    if (it->typeId() == Exiv2::unsignedShort && value > 0xffff)
        *it = value;
    else
        it->setValue(std::to_string(value));
}

void setIfPresent(Exiv2::XmpData& xmp, const char* key, quint32 value)
{
    if (xmp.findKey(Exiv2::XmpKey(key)) != xmp.end())
        xmp[key] = std::to_string(value);
}

QByteArray preparedExif(const QByteArray& kept, QSize size, bool removeLocation)
{
    Exiv2::ExifData exif;
    const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(exif, bytesOf(kept), quint32(kept.size()));
    keepDescriptiveExif(exif);
    if (removeLocation)
        eraseIf(exif, [](const Exiv2::Exifdatum& datum) { return datum.groupName() == "GPSInfo"; });
    setIfPresent(exif, "Exif.Image.Orientation", 1);
    setIfPresent(exif, "Exif.Photo.PixelXDimension", quint32(size.width()));
    setIfPresent(exif, "Exif.Photo.PixelYDimension", quint32(size.height()));
    return encodedExif(exif, order);
}

QByteArray preparedXmp(const QByteArray& kept, QSize size, bool removeLocation)
{
    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, kept.toStdString()) != 0)
        return {};
    eraseIf(xmp, [removeLocation](const Exiv2::Xmpdatum& datum) {
        const std::string key = datum.key();
        return key.rfind("Xmp.xmp.Thumbnails", 0) == 0 || (removeLocation && isLocationXmpKey(key));
    });
    setIfPresent(xmp, "Xmp.tiff.Orientation", 1);
    setIfPresent(xmp, "Xmp.tiff.ImageWidth", quint32(size.width()));
    setIfPresent(xmp, "Xmp.tiff.ImageLength", quint32(size.height()));
    setIfPresent(xmp, "Xmp.exif.PixelXDimension", quint32(size.width()));
    setIfPresent(xmp, "Xmp.exif.PixelYDimension", quint32(size.height()));
    return encodedXmp(xmp);
}

// EXIF and XMP from a file, made anew from what the parser understood.
QByteArray sanitizedExif(const char* tiff, std::size_t size)
{
    if (size == 0 || size > std::size_t(kMaxMetadataBlockBytes))
        return {};
    Exiv2::ExifData exif;
    const Exiv2::ByteOrder order =
        Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(tiff), quint32(size));
    keepDescriptiveExif(exif);
    return encodedExif(exif, order);
}

QByteArray sanitizedXmp(const char* packet, std::size_t size)
{
    Exiv2::XmpData xmp;
    if (size == 0 || size > std::size_t(kMaxMetadataBlockBytes)
        || Exiv2::XmpParser::decode(xmp, std::string(packet, size)) != 0)
        return {};
    return encodedXmp(xmp);
}

bool isBmff(const QByteArray& data)
{
    return data.size() >= 12 && data.mid(4, 4) == "ftyp";
}

// A HEIF metadata item: its bytes, or nothing when it is larger than kept or unreadable.
QByteArray heifBlock(const heif_image_handle* image, heif_item_id id)
{
    const std::size_t size = heif_image_handle_get_metadata_size(image, id);
    if (size == 0 || size > std::size_t(kMaxMetadataBlockBytes))
        return {};
    QByteArray block(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(image, id, block.data()).code != heif_error_Ok)
        return {};
    return block;
}

// The metadata items of a HEIF or AVIF primary image, which exiv2 0.27 cannot find when the file
// places them through a base offset, as libheif's own writer does.
ImageMetadata readHeifMetadata(const QByteArray& data)
{
    ImageMetadata metadata;
    heif_context* context = heif_context_alloc();
    heif_image_handle* image = nullptr;
    if (heif_context_read_from_memory_without_copy(context, data.constData(), std::size_t(data.size()), nullptr).code
            == heif_error_Ok
        && heif_context_get_primary_image_handle(context, &image).code == heif_error_Ok) {
        std::array<heif_item_id, 16> ids{};
        const int count = heif_image_handle_get_list_of_metadata_block_IDs(image, nullptr, ids.data(), int(ids.size()));
        for (int i = 0; i < count; ++i) {
            const char* typeName = heif_image_handle_get_metadata_type(image, ids[i]);
            const char* contentName = heif_image_handle_get_metadata_content_type(image, ids[i]);
            const std::string type = typeName ? typeName : "";
            const std::string content = contentName ? contentName : "";
            const QByteArray block = heifBlock(image, ids[i]);
            // An EXIF item starts with the offset of the TIFF header after its first four bytes.
            if (type == "Exif" && metadata.exif.isEmpty() && block.size() > 4) {
                const quint32 offset = qFromBigEndian<quint32>(block.constData());
                if (offset < quint32(block.size() - 4))
                    metadata.exif = sanitizedExif(block.constData() + 4 + offset, std::size_t(block.size() - 4 - offset));
            } else if (type == "mime" && content == "application/rdf+xml" && metadata.xmp.isEmpty()) {
                metadata.xmp = sanitizedXmp(block.constData(), std::size_t(block.size()));
            }
        }
        const std::size_t profileSize = heif_image_handle_get_raw_color_profile_size(image);
        if (profileSize > 0 && profileSize <= std::size_t(kMaxMetadataBlockBytes)) {
            QByteArray profile(qsizetype(profileSize), Qt::Uninitialized);
            if (heif_image_handle_get_raw_color_profile(image, profile.data()).code == heif_error_Ok)
                metadata.iccProfile = profile;
        }
    }
    if (image)
        heif_image_handle_release(image);
    heif_context_free(context);
    return metadata;
}

}  // namespace

namespace {

// The types whose encoded bytes exiv2 writes metadata into.
bool embedsAfterEncoding(ImageType type)
{
    return type == ImageType::jpeg || type == ImageType::png || type == ImageType::tiff;
}

}  // namespace

bool typeHoldsMetadata(ImageType type)
{
    return embedsAfterEncoding(type) || isPhotoType(type);
}

ImageMetadata metadataForEncoder(ImageType type, const ImageMetadata& kept, QSize pixelSize, bool removeLocation)
{
    if (!isPhotoType(type) || kept.isEmpty())
        return {};
    return metadataForWriting(kept, pixelSize, removeLocation);
}

ImageMetadata readImageMetadata(const QByteArray& data)
{
    prepareLibrary();
    ImageMetadata metadata;
    if (isBmff(data)) {
        try {
            metadata = readHeifMetadata(data);
        } catch (...) {
            metadata = {};
        }
        if (!metadata.isEmpty())
            return metadata;
    }
    try {
        // Reads the bytes in place: the memory is copied only on a write, and nothing is written.
        auto image = Exiv2::ImageFactory::open(bytesOf(data), long(data.size()));
        if (!image.get())
            return {};
        image->readMetadata();
        keepDescriptiveExif(image->exifData());
        metadata.exif = encodedExif(image->exifData(), image->byteOrder());
        metadata.xmp = encodedXmp(image->xmpData());
        if (image->iccProfileDefined()) {
            const Exiv2::DataBuf* profile = image->iccProfile();
            metadata.iccProfile = bounded(reinterpret_cast<const char*>(profile->pData_), std::size_t(profile->size_));
        }
    } catch (...) {
        // Damaged metadata costs the metadata, never the picture.
        return {};
    }
    return metadata;
}

ImageMetadata metadataForWriting(const ImageMetadata& kept, QSize pixelSize, bool removeLocation)
{
    prepareLibrary();
    ImageMetadata prepared;
    try {
        if (!kept.exif.isEmpty())
            prepared.exif = preparedExif(kept.exif, pixelSize, removeLocation);
    } catch (...) {
    }
    try {
        if (!kept.xmp.isEmpty())
            prepared.xmp = preparedXmp(kept.xmp, pixelSize, removeLocation);
    } catch (...) {
    }
    if (!kept.iccProfile.isEmpty() && QColorSpace::fromIccProfile(kept.iccProfile) == QColorSpace(QColorSpace::SRgb))
        prepared.iccProfile = kept.iccProfile;
    return prepared;
}

std::optional<QByteArray> embedImageMetadata(const QByteArray& encoded, const ImageMetadata& prepared)
{
    prepareLibrary();
    try {
        auto image = Exiv2::ImageFactory::open(bytesOf(encoded), long(encoded.size()));
        if (!image.get())
            return std::nullopt;
        image->readMetadata();  // the encoder's own profile and resolution stay unless replaced
        if (!prepared.exif.isEmpty()) {
            Exiv2::ExifData exif;
            Exiv2::ExifParser::decode(exif, bytesOf(prepared.exif), quint32(prepared.exif.size()));
            image->setExifData(exif);
        }
        if (!prepared.xmp.isEmpty()) {
            image->setXmpPacket(prepared.xmp.toStdString());
            image->writeXmpFromPacket(true);
        }
        if (!prepared.iccProfile.isEmpty()) {
            Exiv2::DataBuf profile(bytesOf(prepared.iccProfile), long(prepared.iccProfile.size()));
            image->setIccProfile(profile, true);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0)
            return std::nullopt;
        const Exiv2::DataBuf written = io.read(long(io.size()));
        io.close();
        if (written.size_ <= 0 || std::size_t(written.size_) != io.size())
            return std::nullopt;
        return QByteArray(reinterpret_cast<const char*>(written.pData_), qsizetype(written.size_));
    } catch (...) {
        return std::nullopt;
    }
}

QByteArray withKeptMetadata(QByteArray encoded, ImageType type, const ImageMetadata& kept, QSize pixelSize,
                            bool removeLocation)
{
    if (!embedsAfterEncoding(type) || kept.isEmpty())
        return encoded;
    const ImageMetadata prepared = metadataForWriting(kept, pixelSize, removeLocation);
    if (prepared.isEmpty())
        return encoded;
    std::optional<QByteArray> written = embedImageMetadata(encoded, prepared);
    return written ? std::move(*written) : std::move(encoded);
}

}  // namespace velmaris
