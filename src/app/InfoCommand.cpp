#include "app/InfoCommand.h"

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

QJsonObject layerObject(const Layer& layer)
{
    return {
        {QStringLiteral("id"), layer.id.toString(QUuid::WithoutBraces)},
        {QStringLiteral("name"), layer.name},
        {QStringLiteral("kind"), layer.isText() ? QStringLiteral("text") : QStringLiteral("bitmap")},
        {QStringLiteral("size"), sizeObject(layer.pixelSize())},
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

}  // namespace

QJsonObject canvasInfo(const CanvasState& state)
{
    QJsonArray layers;
    for (const Layer& layer : state.layers)
        layers.append(layerObject(layer));
    return {{QStringLiteral("size"), sizeObject(state.size)}, {QStringLiteral("layers"), layers}};
}

}  // namespace velmaris
