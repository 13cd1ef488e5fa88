#include "files/VelmarisFileModelJson.h"

#include "render/VectorLoop.h"

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <future>
#include <vector>

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

JsonValue metadataJson(const MetadataModel& metadata)
{
    JsonValue::Object object;
    putIfPresent(object, "exif", metadata.exif);
    putIfPresent(object, "xmp", metadata.xmp);
    putIfPresent(object, "iccProfile", metadata.iccProfile);
    return object;
}

// ---- Reading ----

// The document is walked once with simdjson's On-Demand API, so no DOM is built and no string is
// copied: a layer's PNG text stays a view of the input. It accepts and refuses exactly what a full
// parse does: every value, read or not, is validated, a syntax error anywhere outranks a value of
// the wrong shape, and among those the first in reading order (keys in the order listed below,
// array elements in turn) is the one reported. For duplicate keys the first counts.

using simdjson::ondemand::json_type;
using simdjson::ondemand::value;

// Thrown while the records are read, turned into invalidJson at the boundary.
struct ShapeError {
    QString detail;
};

// The input is not JSON; a full parse names why.
struct SyntaxError {
    simdjson::error_code code;
};

[[noreturn]] void fail(const QString& path, const QString& problem)
{
    throw ShapeError{path.isEmpty() ? problem : path + QStringLiteral(": ") + problem};
}

void check(simdjson::error_code error)
{
    if (error != simdjson::SUCCESS)
        throw SyntaxError{error};
}

// What a full parse allows: deeper nesting is a syntax error there too.
constexpr int kMaxDepth = int(simdjson::DEFAULT_MAX_DEPTH);

// A string's text without copying it: a view of the input unless it has escapes, which are then
// decoded (and checked) into the parser's buffer. Reads the value.
std::optional<std::string_view> stringText(value& item)
{
    const std::string_view token = item.raw_json_token();
    if (token.empty() || token.front() != '"')
        return std::nullopt;
    if (std::memchr(token.data(), '\\', token.size())) {
        std::string_view string;
        check(item.get_string().get(string));
        return string;
    }
    check(item.get_raw_json_string().error());
    // The token runs to the next one: past the closing quote, over any whitespace.
    return token.substr(1, token.rfind('"') - 1);
}

// Reads a value no record holds, checking it as a full parse would.
void validate(value& item, int depth = 0)
{
    if (depth > kMaxDepth)
        throw SyntaxError{simdjson::DEPTH_ERROR};
    json_type type{};
    check(item.type().get(type));
    switch (type) {
    case json_type::object: {
        simdjson::ondemand::object object;
        check(item.get_object().get(object));
        for (auto entry : object) {
            simdjson::ondemand::field field;
            check(std::move(entry).get(field));
            check(field.unescaped_key().error());
            validate(field.value(), depth + 1);
        }
        return;
    }
    case json_type::array: {
        simdjson::ondemand::array array;
        check(item.get_array().get(array));
        for (auto entry : array) {
            value element;
            check(std::move(entry).get(element));
            validate(element, depth + 1);
        }
        return;
    }
    case json_type::number:
        check(item.get_number().error());
        return;
    case json_type::string:
        if (!stringText(item))
            throw SyntaxError{simdjson::STRING_ERROR};
        return;
    case json_type::boolean:
        check(item.get_bool().error());
        return;
    case json_type::null: {
        bool isNull = false;
        check(item.is_null().get(isNull));
        if (!isNull)
            throw SyntaxError{simdjson::N_ATOM_ERROR};
        return;
    }
    }
}

// A value that is not what the key needs: once it has been checked as JSON, a shape error.
[[noreturn]] void wrongType(value& item, simdjson::error_code error, const QString& path, const QString& problem)
{
    if (error != simdjson::INCORRECT_TYPE)
        throw SyntaxError{error};
    validate(item);
    fail(path, problem);
}

// One JSON object: the keys wanted are declared, then read() takes the fields in one pass and
// throws the first problem in the order they were declared. `path` names the object in error
// messages ("layers[2].text").
class Fields {
public:
    Fields(value& item, QString path) : path_(std::move(path))
    {
        if (const auto error = item.get_object().get(object_))
            wrongType(item, error, path_, QStringLiteral("not an object"));
    }

    template <typename T, typename Convert>
    void required(const char* key, Convert convert, T& target)
    {
        slots_.push_back({key, true, [convert, &target](value& item, const QString& path) { target = convert(item, path); }});
    }

    // Missing and null both leave the target absent.
    template <typename T, typename Convert>
    void optional(const char* key, Convert convert, std::optional<T>& target)
    {
        slots_.push_back({key, false, [convert, &target](value& item, const QString& path) { target = convert(item, path); }});
    }

    void read()
    {
        for (auto entry : object_) {
            simdjson::ondemand::field field;
            check(std::move(entry).get(field));
            std::string_view key;
            check(field.unescaped_key().get(key));
            value& item = field.value();
            const auto slot = std::find_if(slots_.begin(), slots_.end(), [key](const Slot& s) { return key == s.key; });
            if (slot == slots_.end() || slot->seen) {
                validate(item);
                continue;
            }
            slot->seen = true;
            bool isNull = false;
            check(item.is_null().get(isNull));
            if (isNull)
                continue;
            slot->present = true;
            try {
                slot->read(item, childPath(slot->key));
            } catch (const ShapeError& error) {
                slot->problem = error.detail;
            }
        }
        for (const Slot& slot : slots_) {
            if (slot.problem)
                throw ShapeError{*slot.problem};
            if (slot.required && !slot.present)
                fail(path_, QStringLiteral("missing \"%1\"").arg(QLatin1String(slot.key)));
        }
    }

private:
    struct Slot {
        const char* key;
        bool required;
        std::function<void(value&, const QString&)> read;
        bool seen = false;
        bool present = false;
        std::optional<QString> problem = std::nullopt;
    };

    QString childPath(const char* key) const
    {
        return path_.isEmpty() ? QString::fromLatin1(key) : path_ + u'.' + QString::fromLatin1(key);
    }

    simdjson::ondemand::object object_;
    QString path_;
    std::vector<Slot> slots_;
};

double asNumber(value& item, const QString& path)
{
    double number = 0;
    if (const auto error = item.get_double().get(number))
        wrongType(item, error, path, QStringLiteral("not a number"));
    return number;
}

// An integer-valued number that fits in 64 bits ("1" or "1.0", not "1.5").
qint64 asInteger(value& item, const QString& path)
{
    simdjson::ondemand::number number;
    if (const auto error = item.get_number().get(number))
        wrongType(item, error, path, QStringLiteral("not a number"));
    if (number.is_int64())
        return qint64(number.get_int64());
    const double real = number.as_double();
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (real != std::trunc(real) || real < -kLimit || real >= kLimit)
        fail(path, QStringLiteral("not an integer"));
    return qint64(real);
}

qint64 asLength(value& item, const QString& path)
{
    const qint64 length = asInteger(item, path);
    if (length < 0)
        fail(path, QStringLiteral("negative length"));
    return length;
}

std::string_view asStringView(value& item, const QString& path)
{
    const std::optional<std::string_view> string = stringText(item);
    if (!string)
        wrongType(item, simdjson::INCORRECT_TYPE, path, QStringLiteral("not a string"));
    return *string;
}

QString asString(value& item, const QString& path)
{
    const std::string_view string = asStringView(item, path);
    return QString::fromUtf8(string.data(), qsizetype(string.size()));
}

// Where the input has a backslash that does not start "\/", the one escape the writer makes. The
// layers' Base64 text is used as it lies unless one falls inside it. A large input is searched on
// another core while the parser indexes it: both are a pass over every byte. Only the blocks that
// hold one are kept, so hostile input full of backslashes costs one entry per 4 KiB.
class OtherEscapes {
public:
    // `input` must be readable one byte past its end.
    explicit OtherEscapes(std::string_view input) : m_input(input)
    {
        constexpr std::size_t kWorthAThread = std::size_t(4) << 20;
        if (input.size() < kWorthAThread)
            m_blocks = blocksWithEscapes(input);
        else
            m_search = std::async(std::launch::async, [input] { return blocksWithEscapes(input); });
    }

    // `text` lies in the input.
    bool anyWithin(std::string_view text)
    {
        if (m_search.valid())
            m_blocks = m_search.get();
        const std::size_t begin = std::size_t(text.data() - m_input.data()), end = begin + text.size();
        for (auto block = std::lower_bound(m_blocks.begin(), m_blocks.end(), begin / kBlock);
             block != m_blocks.end() && *block * kBlock < end; ++block) {
            const std::size_t from = std::max(begin, *block * kBlock), to = std::min(end, (*block + 1) * kBlock);
            if (hasEscape(m_input.data() + from, int(to - from)))
                return true;
        }
        return false;
    }

private:
    static constexpr std::size_t kBlock = 4096;

    // Branch-free, in blocks the compiler vectorises.
    static bool hasEscape(const char* text, int length)
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text);
        unsigned char any = 0;
        forEachIndex(length, [&](int i) { any |= (bytes[i] == '\\') & (bytes[i + 1] != '/'); });
        return any;
    }

    static std::vector<std::size_t> blocksWithEscapes(std::string_view input)
    {
        std::vector<std::size_t> blocks;
        for (std::size_t start = 0; start < input.size(); start += kBlock)
            if (hasEscape(input.data() + start, int(std::min(kBlock, input.size() - start))))
                blocks.push_back(start / kBlock);
        return blocks;
    }

    std::string_view m_input;
    std::vector<std::size_t> m_blocks;
    std::future<std::vector<std::size_t>> m_search;
};

// Base64 text as it lies in the input, not copied and with its slashes still escaped as "\/" (the
// writer escapes them), so that reading the file copies nothing. Only text with other escapes is
// decoded; a backslash it really holds, as little Base64 as one, becomes a '!'.
QByteArray asBase64Text(value& item, const QString& path, OtherEscapes& escapes)
{
    const std::string_view token = item.raw_json_token();
    if (!token.empty() && token.front() == '"') {
        const std::string_view text = token.substr(1, token.rfind('"') - 1);
        if (!escapes.anyWithin(text)) {
            check(item.get_raw_json_string().error());
            return QByteArray::fromRawData(text.data(), qsizetype(text.size()));
        }
    }
    const std::string_view string = asStringView(item, path);
    return QByteArray(string.data(), qsizetype(string.size())).replace('\\', '!');
}

bool asBool(value& item, const QString& path)
{
    bool boolean = false;
    if (const auto error = item.get_bool().get(boolean))
        wrongType(item, error, path, QStringLiteral("not a boolean"));
    return boolean;
}

// Calls read(element, path) for every element of an array; all are read before the first
// element's problem is thrown.
template <typename Read>
auto asArray(Read read)
{
    return [read](value& item, const QString& path) {
        simdjson::ondemand::array array;
        if (const auto error = item.get_array().get(array))
            wrongType(item, error, path, QStringLiteral("not an array"));
        QVector<decltype(read(std::declval<value&>(), QString()))> result;
        std::optional<ShapeError> problem;
        for (auto entry : array) {
            value element;
            check(std::move(entry).get(element));
            const QString elementPath = path + QStringLiteral("[%1]").arg(result.size());
            try {
                result.push_back(read(element, elementPath));
            } catch (const ShapeError& error) {
                if (!problem)
                    problem = error;
                result.push_back({});
            }
        }
        if (problem)
            throw *problem;
        return result;
    };
}

StoredColor asColor(value& item, const QString& path)
{
    StoredColor color;
    Fields fields(item, path);
    fields.required("red", asNumber, color.red);
    fields.required("green", asNumber, color.green);
    fields.required("blue", asNumber, color.blue);
    fields.required("alpha", asNumber, color.alpha);
    fields.read();
    return color;
}

TextRunModel asRun(value& item, const QString& path)
{
    TextRunModel run;
    Fields fields(item, path);
    fields.required("length", asLength, run.length);
    fields.optional("fontSize", asNumber, run.fontSize);
    fields.optional("color", asColor, run.color);
    fields.optional("fontFamily", asString, run.fontFamily);
    fields.read();
    return run;
}

TextModel asText(value& item, const QString& path)
{
    TextModel text;
    Fields fields(item, path);
    fields.required("string", asString, text.string);
    fields.required("fontFamily", asString, text.fontFamily);
    fields.required("fontSize", asNumber, text.fontSize);
    fields.required("color", asColor, text.color);
    fields.optional("runs", asArray(asRun), text.runs);
    fields.read();
    return text;
}

EffectsModel::Shadow asShadow(value& item, const QString& path)
{
    EffectsModel::Shadow shadow;
    Fields fields(item, path);
    fields.required("color", asColor, shadow.color);
    fields.required("offsetX", asNumber, shadow.offsetX);
    fields.required("offsetY", asNumber, shadow.offsetY);
    fields.required("blur", asNumber, shadow.blur);
    fields.read();
    return shadow;
}

EffectsModel::Stroke asStroke(value& item, const QString& path)
{
    EffectsModel::Stroke stroke;
    Fields fields(item, path);
    fields.required("color", asColor, stroke.color);
    fields.required("width", asNumber, stroke.width);
    fields.read();
    return stroke;
}

EffectsModel::Glow asGlow(value& item, const QString& path)
{
    EffectsModel::Glow glow;
    Fields fields(item, path);
    fields.required("color", asColor, glow.color);
    fields.required("radius", asNumber, glow.radius);
    fields.read();
    return glow;
}

EffectsModel asEffects(value& item, const QString& path)
{
    EffectsModel effects;
    Fields fields(item, path);
    fields.optional("shadow", asShadow, effects.shadow);
    fields.optional("stroke", asStroke, effects.stroke);
    fields.optional("glow", asGlow, effects.glow);
    fields.read();
    return effects;
}

LayerModel asLayer(value& item, const QString& path, OtherEscapes& escapes)
{
    LayerModel layer;
    Fields fields(item, path);
    fields.required("id", asString, layer.id);
    fields.required("name", asString, layer.name);
    fields.required("isVisible", asBool, layer.isVisible);
    fields.required("opacity", asNumber, layer.opacity);
    fields.required("originX", asNumber, layer.originX);
    fields.required("originY", asNumber, layer.originY);
    fields.required("kind", asString, layer.kind);
    fields.optional(
        "pngData", [&](value& text, const QString& textPath) { return asBase64Text(text, textPath, escapes); },
        layer.pngData);
    fields.optional("text", asText, layer.text);
    fields.optional("groupID", asString, layer.groupID);
    fields.optional("blendMode", asString, layer.blendMode);
    fields.optional("isLocked", asBool, layer.isLocked);
    fields.optional("effects", asEffects, layer.effects);
    fields.read();
    return layer;
}

MetadataModel asMetadata(value& item, const QString& path, OtherEscapes& escapes)
{
    // Small blocks: copied, unlike the layers' pixels, so they need not outlive the input.
    auto asCopiedBase64Text = [&](value& block, const QString& blockPath) {
        QByteArray text = asBase64Text(block, blockPath, escapes);
        text.detach();
        return text;
    };
    MetadataModel metadata;
    Fields fields(item, path);
    fields.optional("exif", asCopiedBase64Text, metadata.exif);
    fields.optional("xmp", asCopiedBase64Text, metadata.xmp);
    fields.optional("iccProfile", asCopiedBase64Text, metadata.iccProfile);
    fields.read();
    return metadata;
}

FileModel asFile(value& item, OtherEscapes& escapes)
{
    FileModel file;
    std::optional<QVector<QString>> extraSelectedLayerIDs;
    Fields fields(item, QString());
    fields.required("formatVersion", asInteger, file.formatVersion);
    fields.required("width", asNumber, file.width);
    fields.required("height", asNumber, file.height);
    fields.optional("selectedLayerID", asString, file.selectedLayerID);
    fields.required("layers", asArray([&](value& layer, const QString& layerPath) { return asLayer(layer, layerPath, escapes); }),
                    file.layers);
    fields.optional("extraSelectedLayerIDs", asArray(asString), extraSelectedLayerIDs);
    fields.optional("selectionX", asNumber, file.selectionX);
    fields.optional("selectionY", asNumber, file.selectionY);
    fields.optional("selectionWidth", asNumber, file.selectionWidth);
    fields.optional("selectionHeight", asNumber, file.selectionHeight);
    fields.optional("aspectWidth", asNumber, file.aspectWidth);
    fields.optional("aspectHeight", asNumber, file.aspectHeight);
    fields.optional("selectionShape", asString, file.selectionShape);
    fields.optional("selectionInverted", asBool, file.selectionInverted);
    fields.optional(
        "metadata", [&](value& block, const QString& blockPath) { return asMetadata(block, blockPath, escapes); },
        file.metadata);
    fields.read();
    if (extraSelectedLayerIDs)
        file.extraSelectedLayerIDs = QStringList(std::move(*extraSelectedLayerIDs));
    return file;
}

// The records of a whole document, or the first shape problem; syntax errors are thrown.
std::variant<FileModel, ShapeError> readDocument(simdjson::ondemand::document& document, OtherEscapes& escapes)
{
    json_type type{};
    check(document.type().get(type));
    std::variant<FileModel, ShapeError> result = ShapeError{QStringLiteral("not an object")};
    if (type == json_type::object || type == json_type::array) {
        value root;
        check(document.get_value().get(root));
        try {
            result = asFile(root, escapes);
        } catch (const ShapeError& error) {
            result = error;
        }
    } else if (type == json_type::number) {
        check(document.get_number().error());
    } else if (type == json_type::string) {
        check(document.get_string().error());
    } else if (type == json_type::boolean) {
        check(document.get_bool().error());
    } else {
        bool isNull = false;
        check(document.is_null().get(isNull));
        if (!isNull)
            throw SyntaxError{simdjson::N_ATOM_ERROR};
    }
    // Only past the end has the document no current location.
    if (const char* rest = nullptr; document.current_location().get(rest) == simdjson::SUCCESS)
        throw SyntaxError{simdjson::TRAILING_CONTENT};
    return result;
}

// Why the input is not JSON, as a full parse words it.
QString syntaxProblem(const QByteArray& data, simdjson::error_code error)
{
    simdjson::dom::parser parser;
    if (const auto full = parser.parse(data.constData(), std::size_t(data.size())).error())
        error = full;
    return QString::fromUtf8(simdjson::error_message(error));
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
    if (file.metadata)
        put(object, "metadata", metadataJson(*file.metadata));
    return object;
}

FormatResult<FileModel> fileModelFromJson(const QByteArray& data, std::size_t readablePastEnd)
{
    // The parser reads a little past the end: a buffer with that room is parsed in place.
    // A view of other bytes (QByteArray::fromRawData) has no capacity of its own: none is spare.
    const std::size_t spareCapacity = std::size_t(std::max<qsizetype>(0, data.capacity() - data.size()));
    const std::size_t room = std::max(readablePastEnd, spareCapacity);
    const bool roomy = room >= simdjson::SIMDJSON_PADDING;
    simdjson::padded_string copy;
    if (!roomy)
        copy = simdjson::padded_string(data.constData(), std::size_t(data.size()));
    const simdjson::padded_string_view input =
        roomy ? simdjson::padded_string_view(data.constData(), std::size_t(data.size()), std::size_t(data.size()) + room)
              : simdjson::padded_string_view(copy);
    OtherEscapes escapes({input.data(), input.length()});
    simdjson::ondemand::parser parser;
    try {
        simdjson::ondemand::document document;
        check(parser.iterate(input).get(document));
        std::variant<FileModel, ShapeError> read = readDocument(document, escapes);
        if (auto* error = std::get_if<ShapeError>(&read))
            return FormatError{FormatError::Kind::invalidJson, error->detail};
        FileModel& file = std::get<FileModel>(read);
        // The layers' PNG text is a view of the input, or of a copy that ends here.
        if (!roomy)
            for (LayerModel& layer : file.layers)
                if (layer.pngData)
                    layer.pngData->detach();
        return std::move(file);
    } catch (const SyntaxError& error) {
        return FormatError{FormatError::Kind::invalidJson, syntaxProblem(data, error.code)};
    }
}

}  // namespace velmaris::VelmarisImageFormat
