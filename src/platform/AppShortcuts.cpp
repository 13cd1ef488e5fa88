#include "platform/AppShortcuts.h"

#include "platform/Preferences.h"
#include "platform/ToolCatalogue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <algorithm>
#include <array>
#include <cmath>

namespace velmaris {

namespace {

constexpr quint64 shift = ShortcutModifier::shift;
constexpr quint64 option = ShortcutModifier::option;
constexpr quint64 command = ShortcutModifier::command;

struct CatalogueRow {
    AppShortcutID id;
    const char* raw;
    const char* category;
    const char* title;
    std::optional<AppShortcut> defaultShortcut;
    CommandID command;
};

constexpr std::optional<AppShortcut> none = std::nullopt;

constexpr AppShortcut key(quint16 code, quint64 modifiers = 0)
{
    return AppShortcut{code, modifiers};
}

// The one list of commands that take a user's shortcut; menus, the key filter, the cheat sheet and
// the preferences page are all built from it.
const std::vector<CatalogueRow>& catalogue()
{
    using enum AppShortcutID;
    using C = CommandID;
    static const std::vector<CatalogueRow> rows = [] {
    std::vector<CatalogueRow> rows;
    for (const ToolRow& tool : allToolRows())
        rows.push_back({tool.shortcut, tool.shortcutName, "Tools", tool.title, key(tool.defaultKeyCode), tool.command});
    rows.insert(rows.end(), {
        {importFromPhotos, "importFromPhotos", "File", "Import from Photos…", key(34, shift | command),
         C::importFromPhotos},
        {newFromClipboard, "newFromClipboard", "File", "New from Clipboard", key(45, option | command),
         C::newFromClipboard},
        {exportAs, "exportAs", "File", "Export As…", key(14, option | command), C::exportAs},
        {deselect, "deselect", "Selection", "Deselect", key(2, command), C::deselect},
        {marqueeRectangle, "marqueeRectangle", "Selection", "Rectangular Marquee", none, C::marqueeRectangle},
        {marqueeEllipse, "marqueeEllipse", "Selection", "Elliptical Marquee", none, C::marqueeEllipse},
        {fixedSizeSelection, "fixedSizeSelection", "Selection", "Fixed Size Selection…", none, C::fixedSizeSelection},
        {aspectRatioSelection, "aspectRatioSelection", "Selection", "Selection Aspect Ratio…", none,
         C::aspectRatioSelection},
        {fillSelection, "fillSelection", "Selection", "Fill Selection", none, C::fillSelection},
        {strokeSelection, "strokeSelection", "Selection", "Stroke Selection…", none, C::strokeSelection},
        {swapColors, "swapColors", "Colors", "Swap Colors", key(7), C::swapColors},
        {resetColors, "resetColors", "Colors", "Reset Colors", key(2), C::resetColors},
        {imageSize, "imageSize", "Image", "Image Size…", key(34, option | command), C::showImageSize},
        {canvasSize, "canvasSize", "Image", "Canvas Size…", key(8, option | command), C::showCanvasSize},
        {cropToSelection, "cropToSelection", "Image", "Crop to Selection", key(40, shift | command), C::cropToSelection},
        {trim, "trim", "Image", "Trim", none, C::trimCanvas},
        {rotateClockwise, "rotateClockwise", "Image", "Rotate 90° Clockwise", none, C::rotateClockwise},
        {rotateCounterclockwise, "rotateCounterclockwise", "Image", "Rotate 90° Counterclockwise", none,
         C::rotateCounterclockwise},
        {newLayer, "newLayer", "Layer", "New Layer", key(45, shift | command), C::newLayer},
        {newTextLayer, "newTextLayer", "Layer", "New Text Layer", key(17, option | shift | command), C::newTextLayer},
        {duplicateLayer, "duplicateLayer", "Layer", "Duplicate Layer", key(38, command), C::duplicateLayer},
        {freeTransform, "freeTransform", "Layer", "Free Transform", key(17, command), C::freeTransform},
        {flipImageHorizontal, "flipImageHorizontal", "Image", "Flip Horizontal", none, C::flipImageHorizontal},
        {flipImageVertical, "flipImageVertical", "Image", "Flip Vertical", none, C::flipImageVertical},
        {flipLayerHorizontal, "flipLayerHorizontal", "Layer", "Flip Layer Horizontal", none, C::flipLayerHorizontal},
        {flipLayerVertical, "flipLayerVertical", "Layer", "Flip Layer Vertical", none, C::flipLayerVertical},
        {layerEffects, "layerEffects", "Layer", "Layer Effects…", none, C::showLayerEffects},
        {lockLayer, "lockLayer", "Layer", "Lock/Unlock Layer", none, C::toggleLayerLock},
        {invertSelection, "invertSelection", "Selection", "Invert Selection", none, C::invertSelection},
        {editTextLayer, "editTextLayer", "Layer", "Edit Text Layer…", none, C::editTextLayer},
        {deleteLayer, "deleteLayer", "Layer", "Delete Layer", none, C::deleteLayer},
        {groupLayers, "groupLayers", "Layer", "Group Layers", key(5, command), C::groupLayers},
        {ungroupLayers, "ungroupLayers", "Layer", "Ungroup Layers", key(5, shift | command), C::ungroupLayers},
        {mergeLayers, "mergeLayers", "Layer", "Merge Layers", key(14, command), C::mergeLayers},
        {flattenImage, "flattenImage", "Layer", "Flatten Image", none, C::flattenImage},
        {alignLeft, "alignLeft", "Align", "Align Left", none, C::alignLeft},
        {alignCenterHorizontal, "alignCenterHorizontal", "Align", "Align Horizontal Center", none, C::alignCenterHorizontal},
        {alignRight, "alignRight", "Align", "Align Right", none, C::alignRight},
        {alignTop, "alignTop", "Align", "Align Top", none, C::alignTop},
        {alignCenterVertical, "alignCenterVertical", "Align", "Align Vertical Center", none, C::alignCenterVertical},
        {alignBottom, "alignBottom", "Align", "Align Bottom", none, C::alignBottom},
        {zoomIn, "zoomIn", "View", "Zoom In", key(24, command), C::zoomIn},
        {zoomOut, "zoomOut", "View", "Zoom Out", key(27, command), C::zoomOut},
        {actualSize, "actualSize", "View", "Actual Size", key(29, command), C::zoomActualSize},
        {zoomToFit, "zoomToFit", "View", "Zoom to Fit", key(25, command), C::zoomToFit},
        {toggleCheckerboard, "toggleCheckerboard", "View", "Toggle Transparency Checkerboard", none,
         C::toggleCheckerboard},
        {togglePanels, "togglePanels", "View", "Show/Hide Panels", key(29, option | command), C::toggleSidebarPanels},
    });
    return rows;
    }();
    return rows;
}

// Characters of the US layout for virtual key codes 0…50; empty where a code has none.
constexpr std::array<const char*, 51> kCharacterKeys = {
    "a", "s", "d", "f", "h", "g", "z", "x", "c", "v", "",  "b", "q", "w", "e", "r", "y",
    "t", "1", "2", "3", "4", "6", "5", "=", "9", "7", "-", "8", "0", "]", "o", "u", "[",
    "i", "p", "",  "l", "j", "'", "k", ";", "\\", ",", "/", "n", "m", ".", "",  " ", "`",
};

// Virtual key codes of F1 … F20, in order.
constexpr std::array<quint16, 20> kFunctionKeys = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                                   103, 111, 105, 107, 113, 106, 64, 79,  80,  90};

constexpr std::array<AppShortcut, 16> kReservedShortcuts = {
    key(45, command),         // N
    key(31, command),         // O
    key(1, command),          // S
    key(1, shift | command),  // S
    key(13, command),         // W
    key(12, command),         // Q
    key(7, command),          // X
    key(8, command),          // C
    key(9, command),          // V
    key(0, command),          // A
    key(6, command),          // Z
    key(6, shift | command),  // Z
    key(43, command),         // ,
    key(4, command),          // H
    key(46, command),         // M
    key(35, command),         // P
};

AppShortcutDefinition makeDefinition(const CatalogueRow& row)
{
    return AppShortcutDefinition{row.id,
                                 QString::fromUtf8(row.category),
                                 QString::fromUtf8(row.title),
                                 row.defaultShortcut,
                                 row.command};
}

std::optional<quint64> wholeNumber(const QJsonValue& value, double maximum)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number < 0 || number > maximum || std::floor(number) != number)
        return std::nullopt;
    return static_cast<quint64>(number);
}

std::optional<AppShortcutAssignment> decodeAssignment(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    if (object.size() != 1)
        return std::nullopt;
    if (object.contains(QLatin1String("disabled")))
        return object.value(QLatin1String("disabled")) == QJsonValue(true)
                   ? std::optional(AppShortcutAssignment::disabled())
                   : std::nullopt;
    const QJsonValue shortcut = object.value(QLatin1String("shortcut"));
    if (!shortcut.isObject())
        return std::nullopt;
    const std::optional<quint64> keyCode = wholeNumber(shortcut[QLatin1String("keyCode")], 65535);
    // Modifier bits beyond 2^53 cannot come through a JSON number exactly.
    const std::optional<quint64> modifiers = wholeNumber(shortcut[QLatin1String("modifiersRawValue")], 0x1p53);
    if (!keyCode || !modifiers)
        return std::nullopt;
    return AppShortcutAssignment{AppShortcut{static_cast<quint16>(*keyCode), *modifiers}};
}

}  // namespace

QString rawValue(AppShortcutID id)
{
    return QString::fromLatin1(catalogue().at(static_cast<size_t>(id)).raw);
}

std::optional<AppShortcutID> appShortcutIDFromRawValue(const QString& raw)
{
    for (const CatalogueRow& row : catalogue()) {
        if (raw == QLatin1String(row.raw))
            return row.id;
    }
    return std::nullopt;
}

const QVector<AppShortcutDefinition>& allShortcutDefinitions()
{
    static const QVector<AppShortcutDefinition> definitions = [] {
        QVector<AppShortcutDefinition> built;
        for (const CatalogueRow& row : catalogue())
            built.append(makeDefinition(row));
        return built;
    }();
    return definitions;
}

const AppShortcutDefinition& shortcutDefinition(AppShortcutID id)
{
    return allShortcutDefinitions().at(static_cast<qsizetype>(id));
}

std::optional<AppShortcutID> shortcutIDForCommand(CommandID command)
{
    for (const CatalogueRow& row : catalogue()) {
        if (row.command == command)
            return row.id;
    }
    return std::nullopt;
}

QVector<AppShortcutDefinition> shortcutDefinitions(const QString& category)
{
    QVector<AppShortcutDefinition> found;
    for (const AppShortcutDefinition& definition : allShortcutDefinitions()) {
        if (definition.category == category)
            found.append(definition);
    }
    return found;
}

const QStringList& shortcutCategories()
{
    static const QStringList categories = [] {
        QStringList list;
        for (const AppShortcutDefinition& definition : allShortcutDefinitions()) {
            if (!list.contains(definition.category))
                list.append(definition.category);
        }
        return list;
    }();
    return categories;
}

std::optional<QString> shortcutKeyCharacter(quint16 keyCode)
{
    if (keyCode >= kCharacterKeys.size() || *kCharacterKeys[keyCode] == '\0')
        return std::nullopt;
    return QString::fromLatin1(kCharacterKeys[keyCode]);
}

std::optional<int> functionKeyNumber(quint16 keyCode)
{
    for (size_t index = 0; index < kFunctionKeys.size(); ++index) {
        if (kFunctionKeys[index] == keyCode)
            return static_cast<int>(index) + 1;
    }
    return std::nullopt;
}

bool isReservedShortcut(const AppShortcut& shortcut)
{
    return std::find(kReservedShortcuts.begin(), kReservedShortcuts.end(), shortcut) != kReservedShortcuts.end();
}

QString displayString(const AppShortcut& shortcut)
{
    QString text;
    // Written the way the menus write the same keys: symbols where Command is its own key,
    // "Ctrl+Shift+K" where Command stands for Ctrl.
#ifdef Q_OS_MACOS
    const std::pair<quint64, const char*> symbols[] = {{ShortcutModifier::control, "⌃"},
                                                       {ShortcutModifier::option, "⌥"},
                                                       {ShortcutModifier::shift, "⇧"},
                                                       {ShortcutModifier::command, "⌘"}};
#else
    const std::pair<quint64, const char*> symbols[] = {{ShortcutModifier::command, "Ctrl+"},
                                                       {ShortcutModifier::option, "Alt+"},
                                                       {ShortcutModifier::shift, "Shift+"},
                                                       {ShortcutModifier::control, "Meta+"}};
#endif
    for (const auto& [bit, symbol] : symbols) {
        if (shortcut.modifiersRawValue & bit)
            text += QString::fromUtf8(symbol);
    }
    if (shortcut.keyCode == 49)
        return text + QStringLiteral("Space");
    if (const std::optional<QString> character = shortcutKeyCharacter(shortcut.keyCode))
        return text + character->toUpper();
    if (const std::optional<int> number = functionKeyNumber(shortcut.keyCode))
        return text + QStringLiteral("F") + QString::number(*number);
    return text + QStringLiteral("Key ") + QString::number(shortcut.keyCode);
}

QByteArray encodeShortcutOverrides(const AppShortcutOverrides& overrides)
{
    QJsonObject object;
    for (const auto& [id, assignment] : overrides) {
        QJsonObject encoded;
        if (assignment.shortcut) {
            encoded.insert(QStringLiteral("shortcut"),
                           QJsonObject{{QStringLiteral("keyCode"), int(assignment.shortcut->keyCode)},
                                       {QStringLiteral("modifiersRawValue"),
                                        static_cast<qint64>(assignment.shortcut->modifiersRawValue)}});
        } else {
            encoded.insert(QStringLiteral("disabled"), true);
        }
        object.insert(rawValue(id), encoded);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<AppShortcutOverrides> decodeShortcutOverrides(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    AppShortcutOverrides overrides;
    for (auto it = object.begin(); it != object.end(); ++it) {
        // Every value must be an assignment, even under an id this version does not know.
        const std::optional<AppShortcutAssignment> assignment = decodeAssignment(it.value());
        if (!assignment)
            return std::nullopt;
        if (const std::optional<AppShortcutID> id = appShortcutIDFromRawValue(it.key()))
            overrides[*id] = *assignment;
    }
    return overrides;
}

AppShortcutPreferences& AppShortcutPreferences::shared()
{
    static AppShortcutPreferences* const preferences = new AppShortcutPreferences();
    return *preferences;
}

AppShortcutPreferences::AppShortcutPreferences(QSettings* settings) : settings_(settings)
{
    reload();
}

void AppShortcutPreferences::reload()
{
    const std::optional<QByteArray> data = Preferences(settings_).appShortcutOverrides();
    overrides_ = data ? decodeShortcutOverrides(*data).value_or(AppShortcutOverrides{}) : AppShortcutOverrides{};
}

std::optional<AppShortcut> AppShortcutPreferences::effectiveShortcut(AppShortcutID id) const
{
    if (const auto found = overrides_.find(id); found != overrides_.end())
        return found->second.shortcut;
    return shortcutDefinition(id).defaultShortcut;
}

std::optional<QString> AppShortcutPreferences::validationMessage(quint16 keyCode, quint64 modifiers,
                                                                 AppShortcutID id) const
{
    if (!shortcutKeyCharacter(keyCode) && !functionKeyNumber(keyCode))
        return QStringLiteral("That key can't be used as a shortcut.");
    const AppShortcut candidate{keyCode, modifiers};
    if (isReservedShortcut(candidate))
        return QStringLiteral("Reserved by a standard shortcut.");
    for (const AppShortcutDefinition& other : allShortcutDefinitions()) {
        if (other.id != id && effectiveShortcut(other.id) == candidate)
            return QStringLiteral("Already used by ") + other.title + QLatin1Char('.');
    }
    return std::nullopt;
}

std::optional<QString> AppShortcutPreferences::setShortcut(quint16 keyCode, quint64 modifiers, AppShortcutID id)
{
    if (std::optional<QString> message = validationMessage(keyCode, modifiers, id))
        return message;
    const AppShortcut shortcut{keyCode, modifiers};
    if (shortcutDefinition(id).defaultShortcut == shortcut)
        overrides_.erase(id);
    else
        overrides_[id] = AppShortcutAssignment{shortcut};
    save();
    return std::nullopt;
}

void AppShortcutPreferences::disable(AppShortcutID id)
{
    overrides_[id] = AppShortcutAssignment::disabled();
    save();
}

void AppShortcutPreferences::reset(AppShortcutID id)
{
    if (overrides_.erase(id) > 0)
        save();
}

void AppShortcutPreferences::resetAll()
{
    if (overrides_.empty())
        return;
    overrides_.clear();
    save();
}

void AppShortcutPreferences::save()
{
    Preferences preferences(settings_);
    const QString name = QString::fromLatin1(PreferenceName::appShortcutOverrides);
    if (overrides_.empty())
        preferences.remove(name);
    else
        preferences.setValue(name, encodeShortcutOverrides(overrides_));
    Q_EMIT didChange();
}

std::optional<AppShortcutDefinition> AppShortcutPreferences::bareShortcutMatch(quint16 keyCode,
                                                                              quint64 modifiers) const
{
    if (functionKeyNumber(keyCode) || (modifiers & (ShortcutModifier::control | option | command)))
        return std::nullopt;
    const AppShortcut pressed{keyCode, modifiers & ShortcutModifier::mask};
    for (const AppShortcutDefinition& definition : allShortcutDefinitions()) {
        if (effectiveShortcut(definition.id) == pressed)
            return definition;
    }
    return std::nullopt;
}

void AppShortcutPreferences::setCapturingShortcut(bool capturing)
{
    if (capturing == isCapturingShortcut_)
        return;
    isCapturingShortcut_ = capturing;
    Q_EMIT capturingShortcutChanged(capturing);
}

}  // namespace velmaris
