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
    }
    return {};
}

}  // namespace velmaris
