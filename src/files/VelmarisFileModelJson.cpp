#include "files/VelmarisFileModelJson.h"

#include <simdjson.h>

#include <cmath>
#include <cstdint>

namespace velmaris::VelmarisImageFormat {

namespace {

// ---- Writing ----

void put(JsonValue::Object& object, const char* key, JsonValue value)
{
    object.emplace_back(QByteArray(key), std::move(value));
}

template <typename T>
void putIfPresent(JsonValue::Object& object, const char* key, const std::optional<T>& value)
{
    if (value)
        put(object, key, JsonValue(*value));
}

JsonValue colorJson(const StoredColor& color)
{
    JsonValue::Object object;
    put(object, "red", color.red);
    put(object, "green", color.green);
    put(object, "blue", color.blue);
    put(object, "alpha", color.alpha);
    return object;
}

JsonValue runJson(const TextRunModel& run)
{
    JsonValue::Object object;
    put(object, "length", run.length);
    putIfPresent(object, "fontSize", run.fontSize);
    if (run.color)
        put(object, "color", colorJson(*run.color));
    putIfPresent(object, "fontFamily", run.fontFamily);
    return object;
}

JsonValue textJson(const TextModel& text)
{
    JsonValue::Object object;
    put(object, "string", text.string);
    put(object, "fontFamily", text.fontFamily);
    put(object, "fontSize", text.fontSize);
    put(object, "color", colorJson(text.color));
    if (text.runs) {
        JsonValue::Array runs;
        for (const TextRunModel& run : *text.runs)
            runs.push_back(runJson(run));
        put(object, "runs", std::move(runs));
    }
    return object;
}

JsonValue effectsJson(const EffectsModel& effects)
{
    JsonValue::Object object;
    if (const auto& shadow = effects.shadow)
        put(object, "shadow", JsonValue::Object{{"color", colorJson(shadow->color)}, {"offsetX", shadow->offsetX},
                                                {"offsetY", shadow->offsetY}, {"blur", shadow->blur}});
    if (const auto& stroke = effects.stroke)
        put(object, "stroke", JsonValue::Object{{"color", colorJson(stroke->color)}, {"width", stroke->width}});
    if (const auto& glow = effects.glow)
        put(object, "glow", JsonValue::Object{{"color", colorJson(glow->color)}, {"radius", glow->radius}});
    return object;
}

JsonValue layerJson(const LayerModel& layer)
{
    JsonValue::Object object;
    put(object, "id", layer.id);
    put(object, "name", layer.name);
    put(object, "isVisible", layer.isVisible);
    put(object, "opacity", layer.opacity);
    put(object, "originX", layer.originX);
    put(object, "originY", layer.originY);
    put(object, "kind", layer.kind);
    putIfPresent(object, "pngData", layer.pngData);
    if (layer.text)
        put(object, "text", textJson(*layer.text));
    putIfPresent(object, "groupID", layer.groupID);
    putIfPresent(object, "blendMode", layer.blendMode);
    putIfPresent(object, "isLocked", layer.isLocked);
    if (layer.effects)
        put(object, "effects", effectsJson(*layer.effects));
    return object;
}

// ---- Reading ----

using simdjson::dom::element;
using simdjson::dom::element_type;

// Thrown while the records are read, turned into invalidJson at the boundary.
struct ShapeError {
    QString detail;
};

[[noreturn]] void fail(const QString& path, const QString& problem)
{
    throw ShapeError{path.isEmpty() ? problem : path + QStringLiteral(": ") + problem};
}

// One JSON object read key by key; `path` names it in error messages ("layers[2].text").
class Fields {
public:
    Fields(element value, QString path) : path_(std::move(path))
    {
        if (value.get(object_) != simdjson::SUCCESS)
            fail(path_, QStringLiteral("not an object"));
    }

    const QString& path() const { return path_; }
    QString childPath(const char* key) const
    {
        return path_.isEmpty() ? QString::fromLatin1(key) : path_ + u'.' + QString::fromLatin1(key);
    }

    // Missing and null both mean absent.
    std::optional<element> find(const char* key) const
    {
        element value;
        if (object_.at_key(key).get(value) != simdjson::SUCCESS || value.is_null())
            return std::nullopt;
        return value;
    }

    template <typename Convert>
    auto required(const char* key, Convert convert) const
    {
        const std::optional<element> value = find(key);
        if (!value)
            fail(path_, QStringLiteral("missing \"%1\"").arg(QLatin1String(key)));
        return convert(*value, childPath(key));
    }

    template <typename Convert>
    auto optional(const char* key, Convert convert) const -> std::optional<decltype(convert(element(), QString()))>
    {
        if (const std::optional<element> value = find(key))
            return convert(*value, childPath(key));
        return std::nullopt;
    }

private:
    simdjson::dom::object object_;
    QString path_;
};

double asNumber(element value, const QString& path)
{
    double number = 0;
    if (value.get_double().get(number) != simdjson::SUCCESS)
        fail(path, QStringLiteral("not a number"));
    return number;
}

// An integer-valued number that fits in 64 bits ("1" or "1.0", not "1.5").
qint64 asInteger(element value, const QString& path)
{
    std::int64_t integer = 0;
    if (value.get_int64().get(integer) == simdjson::SUCCESS)
        return qint64(integer);
    const double number = asNumber(value, path);
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (number != std::trunc(number) || number < -kLimit || number >= kLimit)
        fail(path, QStringLiteral("not an integer"));
    return qint64(number);
}

qint64 asLength(element value, const QString& path)
{
    const qint64 length = asInteger(value, path);
    if (length < 0)
        fail(path, QStringLiteral("negative length"));
    return length;
}

std::string_view asStringView(element value, const QString& path)
{
    std::string_view string;
    if (value.get_string().get(string) != simdjson::SUCCESS)
        fail(path, QStringLiteral("not a string"));
    return string;
}

QString asString(element value, const QString& path)
{
    const std::string_view string = asStringView(value, path);
    return QString::fromUtf8(string.data(), qsizetype(string.size()));
}

QByteArray asBytes(element value, const QString& path)
{
    const std::string_view string = asStringView(value, path);
    return QByteArray(string.data(), qsizetype(string.size()));
}

bool asBool(element value, const QString& path)
{
    bool boolean = false;
    if (value.get_bool().get(boolean) != simdjson::SUCCESS)
        fail(path, QStringLiteral("not a boolean"));
    return boolean;
}

// Calls read(element, path) for every element of an array.
template <typename Read>
auto asArray(Read read)
{
    return [read](element value, const QString& path) {
        simdjson::dom::array array;
        if (value.get(array) != simdjson::SUCCESS)
            fail(path, QStringLiteral("not an array"));
        QVector<decltype(read(element(), QString()))> result;
        result.reserve(qsizetype(array.size()));
        for (element item : array)
            result.push_back(read(item, path + QStringLiteral("[%1]").arg(result.size())));
        return result;
    };
}

StoredColor asColor(element value, const QString& path)
{
    const Fields fields(value, path);
    return {fields.required("red", asNumber), fields.required("green", asNumber),
            fields.required("blue", asNumber), fields.required("alpha", asNumber)};
}

TextRunModel asRun(element value, const QString& path)
{
    const Fields fields(value, path);
    return {fields.required("length", asLength), fields.optional("fontSize", asNumber),
            fields.optional("color", asColor), fields.optional("fontFamily", asString)};
}

TextModel asText(element value, const QString& path)
{
    const Fields fields(value, path);
    return {fields.required("string", asString), fields.required("fontFamily", asString),
            fields.required("fontSize", asNumber), fields.required("color", asColor),
            fields.optional("runs", asArray(asRun))};
}

EffectsModel::Shadow asShadow(element value, const QString& path)
{
    const Fields fields(value, path);
    return {fields.required("color", asColor), fields.required("offsetX", asNumber),
            fields.required("offsetY", asNumber), fields.required("blur", asNumber)};
}

EffectsModel::Stroke asStroke(element value, const QString& path)
{
    const Fields fields(value, path);
    return {fields.required("color", asColor), fields.required("width", asNumber)};
}

EffectsModel::Glow asGlow(element value, const QString& path)
{
    const Fields fields(value, path);
    return {fields.required("color", asColor), fields.required("radius", asNumber)};
}

EffectsModel asEffects(element value, const QString& path)
{
    const Fields fields(value, path);
    return {fields.optional("shadow", asShadow), fields.optional("stroke", asStroke),
            fields.optional("glow", asGlow)};
}

LayerModel asLayer(element value, const QString& path)
{
    const Fields fields(value, path);
    LayerModel layer;
    layer.id = fields.required("id", asString);
    layer.name = fields.required("name", asString);
    layer.isVisible = fields.required("isVisible", asBool);
    layer.opacity = fields.required("opacity", asNumber);
    layer.originX = fields.required("originX", asNumber);
    layer.originY = fields.required("originY", asNumber);
    layer.kind = fields.required("kind", asString);
    layer.pngData = fields.optional("pngData", asBytes);
    layer.text = fields.optional("text", asText);
    layer.groupID = fields.optional("groupID", asString);
    layer.blendMode = fields.optional("blendMode", asString);
    layer.isLocked = fields.optional("isLocked", asBool);
    layer.effects = fields.optional("effects", asEffects);
    return layer;
}

FileModel asFile(element value)
{
    const Fields fields(value, QString());
    FileModel file;
    file.formatVersion = fields.required("formatVersion", asInteger);
    file.width = fields.required("width", asNumber);
    file.height = fields.required("height", asNumber);
    file.selectedLayerID = fields.optional("selectedLayerID", asString);
    file.layers = fields.required("layers", asArray(asLayer));
    if (auto ids = fields.optional("extraSelectedLayerIDs", asArray(asString)))
        file.extraSelectedLayerIDs = QStringList(std::move(*ids));
    file.selectionX = fields.optional("selectionX", asNumber);
    file.selectionY = fields.optional("selectionY", asNumber);
    file.selectionWidth = fields.optional("selectionWidth", asNumber);
    file.selectionHeight = fields.optional("selectionHeight", asNumber);
    file.aspectWidth = fields.optional("aspectWidth", asNumber);
    file.aspectHeight = fields.optional("aspectHeight", asNumber);
    file.selectionShape = fields.optional("selectionShape", asString);
    file.selectionInverted = fields.optional("selectionInverted", asBool);
    return file;
}

}  // namespace

JsonValue toJson(const FileModel& file)
{
    JsonValue::Object object;
    put(object, "formatVersion", file.formatVersion);
    put(object, "width", file.width);
    put(object, "height", file.height);
    putIfPresent(object, "selectedLayerID", file.selectedLayerID);
    JsonValue::Array layers;
    layers.reserve(file.layers.size());
    for (const LayerModel& layer : file.layers)
        layers.push_back(layerJson(layer));
    put(object, "layers", std::move(layers));
    if (file.extraSelectedLayerIDs) {
        JsonValue::Array ids;
        for (const QString& id : *file.extraSelectedLayerIDs)
            ids.emplace_back(id);
        put(object, "extraSelectedLayerIDs", std::move(ids));
    }
    putIfPresent(object, "selectionX", file.selectionX);
    putIfPresent(object, "selectionY", file.selectionY);
    putIfPresent(object, "selectionWidth", file.selectionWidth);
    putIfPresent(object, "selectionHeight", file.selectionHeight);
    putIfPresent(object, "aspectWidth", file.aspectWidth);
    putIfPresent(object, "aspectHeight", file.aspectHeight);
    putIfPresent(object, "selectionShape", file.selectionShape);
    putIfPresent(object, "selectionInverted", file.selectionInverted);
    return object;
}

FormatResult<FileModel> fileModelFromJson(const QByteArray& data)
{
    simdjson::dom::parser parser;
    element root;
    if (const auto error = parser.parse(data.constData(), std::size_t(data.size())).get(root))
        return FormatError{FormatError::Kind::invalidJson, QString::fromUtf8(simdjson::error_message(error))};
    try {
        return asFile(root);
    } catch (const ShapeError& error) {
        return FormatError{FormatError::Kind::invalidJson, error.detail};
    }
}

}  // namespace velmaris::VelmarisImageFormat
