#include "files/FlatImageFile.h"

#include "files/FlatDocument.h"
#include "files/DecodeHelper.h"
#include "files/PhotoFormat.h"
#include "files/ResampleImage.h"
#include "render/Compositor.h"

namespace velmaris {

FileResult<CanvasState> readFlatImage(const QByteArray& data, ImageType type)
{
    FileResult<Bitmap> decoded = decodeUntrustedImage(data, type);
    if (const auto* error = std::get_if<FileError>(&decoded))
        return *error;
    const Bitmap& image = std::get<Bitmap>(decoded);
    Layer background = makeBitmapLayer(image, QStringLiteral("Background"));
    CanvasState state;
    state.size = QSizeF(image.width(), image.height());
    state.selectedLayerID = background.id;
    state.layers.append(std::move(background));
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
    if (std::optional<QByteArray> bytes = writeFlatDocument(*composite, type, options.quality))
        return *bytes;
    return type == ImageType::svg ? FileError::svgNotWritten() : FileError::imageNotEncoded();
}

}  // namespace velmaris
