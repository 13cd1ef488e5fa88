#include "files/FlatImageFile.h"

#include "files/FlatDocument.h"
#include "files/DecodeHelper.h"
#include "files/ImageMetadataIO.h"
#include "files/PhotoFormat.h"
#include "files/ResampleImage.h"
#include "render/Compositor.h"

namespace velmaris {

FileResult<CanvasState> readFlatImage(const QByteArray& data, ImageType type)
{
    ImageMetadata metadata;
    FileResult<Bitmap> decoded = decodeUntrustedImage(data, type, &metadata);
    if (const auto* error = std::get_if<FileError>(&decoded))
        return *error;
    const Bitmap& image = std::get<Bitmap>(decoded);
    Layer background = makeBitmapLayer(image, QStringLiteral("Background"));
    CanvasState state;
    state.size = QSizeF(image.width(), image.height());
    state.selectedLayerID = background.id;
    state.layers.append(std::move(background));
    state.metadata = std::move(metadata);
    return state;
}

FileResult<QByteArray> writeFlatImage(const CanvasState& state, ImageType type,
                                      const FlatExportOptions& options)
{
    std::optional<Bitmap> composite = renderComposite(state);
    if (composite && options.scale != 1)
        composite = resampleImage(*composite, composite->width() * options.scale,
                                  composite->height() * options.scale);
    if (!composite)
        return FileError::imageNotRendered();
    if (const std::optional<QString> missing = photoEncoderMissing(type))
        return FileError::imageNotEncoded().because(*missing);
    const ImageMetadata embedded = metadataForEncoder(type, state.metadata, composite->size(), options.removeLocation);
    if (std::optional<QByteArray> bytes = writeFlatDocument(*composite, type, options.quality, embedded))
        return withKeptMetadata(std::move(*bytes), type, state.metadata, composite->size(), options.removeLocation);
    return type == ImageType::svg ? FileError::svgNotWritten() : FileError::imageNotEncoded();
}

}  // namespace velmaris
