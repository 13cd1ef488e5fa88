#include "files/FlatImageFile.h"

#include "files/FlatDocument.h"
#include "files/ImageDecoder.h"
#include "files/ResampleImage.h"
#include "render/Compositor.h"

#include <QFile>
#include <QFileInfo>

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

FileResult<CanvasState> openImageFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError{FileError::kReadCorrupt,
                         QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, file.errorString())};
    const QByteArray data = file.readAll();
    const ImageType type = imageTypeForExtension(QFileInfo(path).suffix()).value_or(ImageType::png);
    return readFlatImage(data, type);
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
