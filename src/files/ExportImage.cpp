#include "files/ExportImage.h"

#include "files/DocumentType.h"
#include "files/ImageEncoder.h"
#include "files/ImageMetadataIO.h"
#include "files/PhotoFormat.h"
#include "files/ResampleImage.h"
#include "render/Compositor.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velmaris {

namespace {

const std::array<ExportFormat, 10>& formatList()
{
    static const std::array<ExportFormat, 10> formats{{
        {QStringLiteral("PNG"), ImageType::png, false},
        {QStringLiteral("JPEG"), ImageType::jpeg, true},
        {QStringLiteral("TIFF"), ImageType::tiff, false},
        {QStringLiteral("BMP"), ImageType::bmp, false},
        {QStringLiteral("OpenRaster"), ImageType::png, false, LayeredFormat::openRaster},
        {QStringLiteral("PSD"), ImageType::png, false, LayeredFormat::psd},
        {QStringLiteral("HEIC"), ImageType::heif, true},
        {QStringLiteral("AVIF"), ImageType::avif, true},
        {QStringLiteral("WebP"), ImageType::webp, true},
        {QStringLiteral("JPEG XL"), ImageType::jxl, true},
    }};
    return formats;
}

const std::array<ExportScale, 4>& scaleList()
{
    static const std::array<ExportScale, 4> scales{{
        {QStringLiteral("25%"), 0.25},
        {QStringLiteral("50%"), 0.5},
        {QStringLiteral("100%"), 1.0},
        {QStringLiteral("200%"), 2.0},
    }};
    return scales;
}

}  // namespace

QString exportFormatExtension(const ExportFormat& format)
{
    return format.keepsLayers ? documentTypeExtension(layeredFormatTypeName(*format.keepsLayers))
                              : imageTypeExtension(format.type);
}

std::span<const ExportFormat> exportFormats()
{
    return formatList();
}

std::optional<ExportFormat> exportFormatAt(int index)
{
    const std::size_t at = std::size_t(std::max(index, 0));
    if (at >= formatList().size())
        return std::nullopt;
    return formatList()[at];
}

std::span<const ExportScale> exportScales()
{
    return scaleList();
}

double exportScaleAt(int index)
{
    if (index < 0 || std::size_t(index) >= scaleList().size())
        return 1.0;
    return scaleList()[std::size_t(index)].factor;
}

QString exportQualityLabel(double quality)
{
    return QStringLiteral("%1%").arg(std::lround(quality * 100));
}

FileResult<QByteArray> exportImageData(const CanvasState& state, const ExportRequest& request)
{
    if (request.format.keepsLayers)
        return writeLayeredDocument(NativeDocument{state, {}}, *request.format.keepsLayers);
    std::optional<Bitmap> image = renderComposite(state);
    if (!image)
        return FileError::imageNotRendered();
    if (request.scale != 1) {
        // resampleImage rounds halves away from zero and keeps each side at least 1 pixel.
        if (std::optional<Bitmap> scaled =
                resampleImage(*image, image->width() * request.scale, image->height() * request.scale))
            image = std::move(scaled);
    }
    const std::optional<double> quality =
        request.format.supportsQuality ? std::optional(request.quality) : std::nullopt;
    if (const std::optional<QString> missing = photoEncoderMissing(request.format.type))
        return FileError::imageNotEncoded().because(*missing);
    const ImageMetadata embedded = request.keepMetadata ? metadataForEncoder(request.format.type, state.metadata,
                                                                             image->size(), request.removeLocation)
                                                        : ImageMetadata{};
    std::optional<QByteArray> bytes = encodeImageData(*image, request.format.type, quality, embedded);
    if (!bytes)
        return FileError::imageNotEncoded();
    if (!request.keepMetadata)
        return std::move(*bytes);
    return withKeptMetadata(std::move(*bytes), request.format.type, state.metadata, image->size(), request.removeLocation);
}

}  // namespace velmaris
