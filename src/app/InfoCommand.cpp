#include "app/InfoCommand.h"

#include "files/DocumentType.h"
#include "files/ImageDecoder.h"
#include "files/InputFile.h"
#include "files/OpenImageFile.h"
#include "files/PhotoFormat.h"

#include <QImageIOHandler>
#include <QImageReader>

namespace velmaris {

namespace {

// The upright size a flat raster file's header gives, or the message to show.
std::variant<QSize, QString> flatImageSize(const QString& path)
{
    std::variant<std::unique_ptr<QFile>, QString> file = openInputFile(path);
    if (const auto* reason = std::get_if<QString>(&file))
        return QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, *reason);
    QFile* input = std::get<std::unique_ptr<QFile>>(file).get();
    if (photoTypeOf(input->peek(64))) {
        // A HEIF file's boxes may sit anywhere in it: the whole file is read, its pixels are not.
        const FileResult<QByteArray> data = readInputFile(path);
        if (const auto* error = std::get_if<FileError>(&data))
            return error->withReason();
        if (const std::optional<QSize> size = declaredPhotoSize(std::get<QByteArray>(data)))
            return *size;
        return FileError::imageUnreadable().message;
    }
    // Only the header is read here, and only by the reader of a format the editor opens.
    const std::optional<QByteArray> format = rasterFormatName(input->peek(16));
    if (!format)
        return FileError::imageUnreadable().because(unreadableFormatReason()).withReason();
    QImageReader reader(input, *format);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!size.isValid() || !bitmapSizeAllowed(size.width(), size.height()))
        return FileError::imageUnreadable().message;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    return size;
}

}  // namespace

std::variant<QJsonObject, QString> fileInfo(const QString& path)
{
    const std::optional<QString> typeName = typeNameForPath(path);
    const bool documentOrVector =
        typeName && (isLayeredType(*typeName) || imageTypeForTypeName(*typeName) == ImageType::svg);
    if (!documentOrVector) {
        std::variant<QSize, QString> size = flatImageSize(path);
        if (const auto* message = std::get_if<QString>(&size))
            return *message;
        return flatImageInfo(std::get<QSize>(size));
    }
    if (isNativeType(*typeName))
        return nativeDocumentInfo(path);
    const FileResult<CanvasState> state = openImageFile(path);
    if (const auto* error = std::get_if<FileError>(&state))
        return error->withReason();
    return canvasInfo(std::get<CanvasState>(state));
}

}  // namespace velmaris
