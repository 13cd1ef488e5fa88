#include "files/DocumentType.h"

#include <QFileInfo>

#include <array>
#include <utility>

namespace velmaris {

namespace {

const std::array<std::pair<ImageType, QString>, 10>& flatTypeNames()
{
    static const std::array<std::pair<ImageType, QString>, 10> names{{
        {ImageType::png, QStringLiteral("public.png")},
        {ImageType::jpeg, QStringLiteral("public.jpeg")},
        {ImageType::gif, QStringLiteral("com.compuserve.gif")},
        {ImageType::bmp, QStringLiteral("com.microsoft.bmp")},
        {ImageType::tiff, QStringLiteral("public.tiff")},
        {ImageType::svg, QStringLiteral("public.svg-image")},
        {ImageType::heif, QStringLiteral("public.heic")},
        {ImageType::avif, QStringLiteral("public.avif")},
        {ImageType::webp, QStringLiteral("org.webmproject.webp")},
        {ImageType::jxl, QStringLiteral("public.jpeg-xl")},
    }};
    return names;
}

}  // namespace

QStringList documentTypeNames()
{
    QStringList names{kNativeTypeName, kOpenRasterTypeName, kPSDTypeName};
    for (const auto& [type, name] : flatTypeNames())
        names.append(name);
    return names;
}

std::optional<LayeredFormat> layeredFormatForTypeName(const QString& typeName)
{
    if (typeName == kOpenRasterTypeName)
        return LayeredFormat::openRaster;
    if (typeName == kPSDTypeName)
        return LayeredFormat::psd;
    return std::nullopt;
}

QString layeredFormatTypeName(LayeredFormat format)
{
    switch (format) {
    case LayeredFormat::openRaster:
        return kOpenRasterTypeName;
    case LayeredFormat::psd:
        return kPSDTypeName;
    }
    return {};
}

bool isNativeType(const QString& typeName)
{
    return typeName == kNativeTypeName;
}

bool isLayeredType(const QString& typeName)
{
    return isNativeType(typeName) || layeredFormatForTypeName(typeName);
}

std::optional<ImageType> imageTypeForTypeName(const QString& typeName)
{
    for (const auto& [type, name] : flatTypeNames())
        if (name == typeName)
            return type;
    return std::nullopt;
}

QString typeNameForImageType(ImageType type)
{
    for (const auto& [candidate, name] : flatTypeNames())
        if (candidate == type)
            return name;
    return {};
}

std::optional<QString> typeNameForPath(const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    if (extension.compare(kNativeExtension, Qt::CaseInsensitive) == 0)
        return kNativeTypeName;
    if (extension.compare(QLatin1String(kOpenRasterExtension), Qt::CaseInsensitive) == 0)
        return kOpenRasterTypeName;
    if (extension.compare(kPSDExtension, Qt::CaseInsensitive) == 0)
        return kPSDTypeName;
    if (const std::optional<ImageType> type = imageTypeForExtension(extension))
        return typeNameForImageType(*type);
    return std::nullopt;
}

bool isNativeDocumentPath(const QString& path)
{
    const std::optional<QString> typeName = typeNameForPath(path);
    return typeName && isNativeType(*typeName);
}

QString documentTypeExtension(const QString& typeName)
{
    if (isNativeType(typeName))
        return kNativeExtension;
    if (typeName == kOpenRasterTypeName)
        return QString::fromLatin1(kOpenRasterExtension);
    if (typeName == kPSDTypeName)
        return kPSDExtension;
    const std::optional<ImageType> type = imageTypeForTypeName(typeName);
    return type ? imageTypeExtension(*type) : QString();
}

QString documentTypeFileFilter(const QString& typeName)
{
    if (isNativeType(typeName))
        return QStringLiteral("Velmaris Image (*.%1)").arg(kNativeExtension);
    if (typeName == kOpenRasterTypeName)
        return QStringLiteral("OpenRaster Image (*.ora)");
    if (typeName == kPSDTypeName)
        return QStringLiteral("PSD Document (*.%1)").arg(kPSDExtension);
    const std::optional<ImageType> type = imageTypeForTypeName(typeName);
    if (!type)
        return {};
    switch (*type) {
    case ImageType::png: return QStringLiteral("PNG Image (*.png)");
    case ImageType::jpeg: return QStringLiteral("JPEG Image (*.jpg *.jpeg)");
    case ImageType::gif: return QStringLiteral("GIF Image (*.gif)");
    case ImageType::bmp: return QStringLiteral("BMP Image (*.bmp)");
    case ImageType::tiff: return QStringLiteral("TIFF Image (*.tiff *.tif)");
    case ImageType::svg: return QStringLiteral("SVG Image (*.svg)");
    case ImageType::heif: return QStringLiteral("HEIF Image (*.heic *.heif)");
    case ImageType::avif: return QStringLiteral("AVIF Image (*.avif)");
    case ImageType::webp: return QStringLiteral("WebP Image (*.webp)");
    case ImageType::jxl: return QStringLiteral("JPEG XL Image (*.jxl)");
    }
    return {};
}

}  // namespace velmaris
