#include "app/InfoCommand.h"

#include "files/DocumentType.h"
#include "files/ImageDecoder.h"
#include "files/InputFile.h"
#include "files/OpenImageFile.h"
#include "files/PhotoFormat.h"

#include <QImageIOHandler>
#include <QImageReader>
#include <QJsonArray>

namespace velmaris {

namespace {

QJsonObject sizeObject(QSizeF size)
{
    return {{QStringLiteral("width"), size.width()}, {QStringLiteral("height"), size.height()}};
}

QJsonObject effectsObject(const LayerEffects& effects)
{
    QJsonObject object;
    if (effects.shadow)
        object.insert(QStringLiteral("shadow"),
                      QJsonObject{{QStringLiteral("color"), effects.shadow->color.toJson()},
                                  {QStringLiteral("offsetX"), effects.shadow->offset.width()},
                                  {QStringLiteral("offsetY"), effects.shadow->offset.height()},
                                  {QStringLiteral("blur"), effects.shadow->blur}});
    if (effects.stroke)
        object.insert(QStringLiteral("stroke"), QJsonObject{{QStringLiteral("color"), effects.stroke->color.toJson()},
                                                            {QStringLiteral("width"), effects.stroke->width}});
    if (effects.glow)
        object.insert(QStringLiteral("glow"), QJsonObject{{QStringLiteral("color"), effects.glow->color.toJson()},
                                                          {QStringLiteral("radius"), effects.glow->radius}});
    return object;
}

QJsonObject layerObject(const Layer& layer, QSizeF size)
{
    return {
        {QStringLiteral("id"), layer.id.toString(QUuid::WithoutBraces)},
        {QStringLiteral("name"), layer.name},
        {QStringLiteral("kind"), layer.isText() ? QStringLiteral("text") : QStringLiteral("bitmap")},
        {QStringLiteral("size"), sizeObject(size)},
        {QStringLiteral("origin"), QJsonObject{{QStringLiteral("x"), layer.origin.x()}, {QStringLiteral("y"), layer.origin.y()}}},
        {QStringLiteral("blendMode"), rawValue(layer.blendMode)},
        {QStringLiteral("opacity"), layer.opacity},
        {QStringLiteral("isVisible"), layer.isVisible},
        {QStringLiteral("isLocked"), layer.isLocked},
        {QStringLiteral("groupID"), layer.groupID ? QJsonValue(layer.groupID->toString(QUuid::WithoutBraces))
                                                  : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("effects"), effectsObject(layer.effects)},
    };
}

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

QJsonObject canvasInfo(const CanvasState& state, const QVector<QSizeF>& layerSizes)
{
    QJsonArray layers;
    for (qsizetype i = 0; i < state.layers.size(); ++i)
        layers.append(layerObject(state.layers[i], layerSizes[i]));
    return {{QStringLiteral("size"), sizeObject(state.size)}, {QStringLiteral("layers"), layers}};
}

}  // namespace

QJsonObject canvasInfo(const CanvasState& state)
{
    QVector<QSizeF> sizes;
    for (const Layer& layer : state.layers)
        sizes.push_back(layer.pixelSize());
    return canvasInfo(state, sizes);
}

QJsonObject flatImageInfo(QSize size)
{
    Layer background;
    background.name = QStringLiteral("Background");
    return {{QStringLiteral("size"), sizeObject(size)},
            {QStringLiteral("layers"), QJsonArray{layerObject(background, size)}}};
}

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
    if (isNativeType(*typeName)) {
        // Layer sizes come from their PNG headers: nothing is decoded.
        const FileResult<InputBytes> data = mapInputFile(path);
        if (const auto* error = std::get_if<FileError>(&data))
            return error->withReason();
        const FileResult<NativeOutline> outline = readNativeDocumentOutline(std::get<InputBytes>(data));
        if (const auto* error = std::get_if<FileError>(&outline))
            return error->withReason();
        const NativeOutline& read = std::get<NativeOutline>(outline);
        QVector<QSizeF> sizes;
        for (qsizetype i = 0; i < read.document.state.layers.size(); ++i) {
            const Layer& layer = read.document.state.layers[i];
            sizes.append(layer.isText() ? layer.pixelSize() : QSizeF(read.bitmapSizes[i]));
        }
        return canvasInfo(read.document.state, sizes);
    }
    const FileResult<CanvasState> state = openImageFile(path);
    if (const auto* error = std::get_if<FileError>(&state))
        return error->withReason();
    return canvasInfo(std::get<CanvasState>(state));
}

}  // namespace velmaris
