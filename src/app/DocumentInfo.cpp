#include "app/DocumentInfo.h"

#include "app/CommandLineOutput.h"
#include "files/NativeDocumentFile.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>

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

std::variant<QJsonObject, QString> nativeDocumentInfo(const QString& path, const std::function<void()>& prepareTextLayout)
{
    // Layer sizes come from their PNG headers: nothing is decoded.
    const FileResult<InputBytes> data = mapInputFile(path);
    if (const auto* error = std::get_if<FileError>(&data))
        return error->withReason();
    const FileResult<NativeOutline> outline = readNativeDocumentOutline(std::get<InputBytes>(data));
    if (const auto* error = std::get_if<FileError>(&outline))
        return error->withReason();
    const NativeOutline& read = std::get<NativeOutline>(outline);
    const QVector<Layer>& layers = read.document.state.layers;
    if (prepareTextLayout && std::any_of(layers.begin(), layers.end(), [](const Layer& layer) { return layer.isText(); }))
        prepareTextLayout();
    QVector<QSizeF> sizes;
    for (qsizetype i = 0; i < layers.size(); ++i)
        sizes.append(layers[i].isText() ? layers[i].pixelSize() : QSizeF(read.bitmapSizes[i]));
    return canvasInfo(read.document.state, sizes);
}

int printInfo(const std::variant<QJsonObject, QString>& info)
{
    if (const auto* message = std::get_if<QString>(&info))
        return reportFailure(*message);
    std::fputs(QJsonDocument(std::get<QJsonObject>(info)).toJson().constData(), stdout);
    return 0;
}

}  // namespace velmaris
