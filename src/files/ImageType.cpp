#include "files/ImageType.h"

namespace velmaris {

std::optional<ImageType> imageTypeForExtension(const QString& extension)
{
    const QString lower = extension.toLower();
    if (lower == u"png")
        return ImageType::png;
    if (lower == u"jpg" || lower == u"jpeg")
        return ImageType::jpeg;
    if (lower == u"gif")
        return ImageType::gif;
    if (lower == u"bmp")
        return ImageType::bmp;
    if (lower == u"tif" || lower == u"tiff")
        return ImageType::tiff;
    if (lower == u"svg")
        return ImageType::svg;
    if (lower == u"heic" || lower == u"heif")
        return ImageType::heif;
    if (lower == u"avif")
        return ImageType::avif;
    if (lower == u"webp")
        return ImageType::webp;
    if (lower == u"jxl")
        return ImageType::jxl;
    return std::nullopt;
}

QString imageTypeExtension(ImageType type)
{
    switch (type) {
    case ImageType::png: return QStringLiteral("png");
    case ImageType::jpeg: return QStringLiteral("jpg");
    case ImageType::gif: return QStringLiteral("gif");
    case ImageType::bmp: return QStringLiteral("bmp");
    case ImageType::tiff: return QStringLiteral("tiff");
    case ImageType::svg: return QStringLiteral("svg");
    case ImageType::heif: return QStringLiteral("heic");
    case ImageType::avif: return QStringLiteral("avif");
    case ImageType::webp: return QStringLiteral("webp");
    case ImageType::jxl: return QStringLiteral("jxl");
    }
    return {};
}

QString imageTypeMimeName(ImageType type)
{
    switch (type) {
    case ImageType::png: return QStringLiteral("image/png");
    case ImageType::jpeg: return QStringLiteral("image/jpeg");
    case ImageType::gif: return QStringLiteral("image/gif");
    case ImageType::bmp: return QStringLiteral("image/bmp");
    case ImageType::tiff: return QStringLiteral("image/tiff");
    case ImageType::svg: return QStringLiteral("image/svg+xml");
    case ImageType::heif: return QStringLiteral("image/heif");
    case ImageType::avif: return QStringLiteral("image/avif");
    case ImageType::webp: return QStringLiteral("image/webp");
    case ImageType::jxl: return QStringLiteral("image/jxl");
    }
    return {};
}

}  // namespace velmaris
