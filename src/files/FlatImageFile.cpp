#include "files/FlatImageFile.h"

#include "files/FlatDocument.h"
#include "files/ImageDecoder.h"
#include "files/ResampleImage.h"
#include "render/Compositor.h"

namespace velmaris {

FileResult<CanvasState> readFlatImage(const QByteArray& data, ImageType type)
{
    const std::optional<Bitmap> image = decodeImageData(data, type);
    if (!image)
        return FileError::imageUnreadable();
    Layer background;
    background.name = QStringLiteral("Background");
    background.content = *image;
    CanvasState state;
    state.size = QSizeF(image->width(), image->height());
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
    if (std::optional<QByteArray> bytes = writeFlatDocument(*composite, type, options.quality))
        return *bytes;
    return type == ImageType::svg ? FileError::svgNotWritten() : FileError::imageNotEncoded();
}

}  // namespace velmaris
