#pragma once

#include "platform/CommandRegistry.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <map>
#include <optional>

class QSettings;

namespace velmaris {

// Modifier bits of a stored shortcut; their values are those of the stored form, whatever keys
// stand for them on this platform (platform/KeyCodes.h maps them).
namespace ShortcutModifier {
inline constexpr quint64 shift = 0x20000;
inline constexpr quint64 control = 0x40000;
inline constexpr quint64 option = 0x80000;
inline constexpr quint64 command = 0x100000;
// The only bits ever stored.
inline constexpr quint64 mask = 0x1E0000;
}  // namespace ShortcutModifier

// A key with modifiers, as a virtual key code of the US layout and the modifier bits above.
struct AppShortcut {
    quint16 keyCode = 0;
    quint64 modifiersRawValue = 0;

    friend bool operator==(const AppShortcut&, const AppShortcut&) = default;
};

inline size_t qHash(const AppShortcut& shortcut, size_t seed = 0)
{
    return ::qHash(shortcut.modifiersRawValue << 16 | shortcut.keyCode, seed);
}

// A user's override of one command: a shortcut of their choosing, or none at all (disabled).
struct AppShortcutAssignment {
    std::optional<AppShortcut> shortcut;  // nothing: disabled

    static AppShortcutAssignment disabled() { return {}; }
    bool isDisabled() const { return !shortcut; }
    friend bool operator==(const AppShortcutAssignment&, const AppShortcutAssignment&) = default;
};

// The commands that can carry a user-chosen shortcut, in catalogue order.
enum class AppShortcutID {
    moveTool, selectTool, textTool, colorPickerTool, brushTool, eraserTool, fillTool, gradientTool,
    importFromPhotos, newFromClipboard, exportAs,
    deselect, marqueeRectangle, marqueeEllipse, fixedSizeSelection, aspectRatioSelection, fillSelection,
    strokeSelection,
    swapColors, resetColors,
    imageSize, canvasSize, cropToSelection, trim, rotateClockwise, rotateCounterclockwise,
    newLayer, newTextLayer, duplicateLayer, freeTransform,
    flipImageHorizontal, flipImageVertical, flipLayerHorizontal, flipLayerVertical,
    layerEffects, lockLayer, invertSelection, editTextLayer, deleteLayer, groupLayers, ungroupLayers,
    mergeLayers, flattenImage,
    alignLeft, alignCenterHorizontal, alignRight, alignTop, alignCenterVertical, alignBottom,
    zoomIn, zoomOut, actualSize, zoomToFit, toggleCheckerboard, togglePanels,
};

using AppShortcutOverrides = std::map<AppShortcutID, AppShortcutAssignment>;

QString rawValue(AppShortcutID id);
std::optional<AppShortcutID> appShortcutIDFromRawValue(const QString& raw);

struct AppShortcutDefinition {
    AppShortcutID id;
    QString category;
    QString title;
    std::optional<AppShortcut> defaultShortcut;
    // The command it runs.
    CommandID command;
};

// The catalogue, built once, in order.
const QVector<AppShortcutDefinition>& allShortcutDefinitions();
const AppShortcutDefinition& shortcutDefinition(AppShortcutID id);
// The catalogue entry of a command, when it has one.
std::optional<AppShortcutID> shortcutIDForCommand(CommandID command);
QVector<AppShortcutDefinition> shortcutDefinitions(const QString& category);
// In the order they first appear in the catalogue.
const QStringList& shortcutCategories();

// Key tables: the US character of a virtual key code ("a", "=", " "), the number of a function
// key (F1 … F20); every other key has neither and cannot be a shortcut.
std::optional<QString> shortcutKeyCharacter(quint16 keyCode);
std::optional<int> functionKeyNumber(quint16 keyCode);
// One of the standard shortcuts every application keeps (⌘S, ⌘Q …).
bool isReservedShortcut(const AppShortcut& shortcut);

// "Ctrl+Shift+K" (on macOS "⇧⌘K"), "F5", "Space", "Key 115".
QString displayString(const AppShortcut& shortcut);

// The stored form: {"moveTool":{"shortcut":{"keyCode":9,"modifiersRawValue":1048576}},
// "zoomIn":{"disabled":true}}. Decoding skips unknown ids; any other fault gives nothing.
QByteArray encodeShortcutOverrides(const AppShortcutOverrides& overrides);
std::optional<AppShortcutOverrides> decodeShortcutOverrides(const QByteArray& data);

// The user's shortcut overrides, kept in the preferences and saved after every change. One shared
// instance is observed by the menus, the key filter, the cheat sheet and the preferences page.
class AppShortcutPreferences : public QObject {
    Q_OBJECT
public:
    static AppShortcutPreferences& shared();

    // Reads and writes `settings` (not owned), or the application's own settings when null.
    explicit AppShortcutPreferences(QSettings* settings = nullptr);

    const AppShortcutOverrides& overrides() const { return overrides_; }
    // Reads the stored overrides again (data that does not decode gives none).
    void reload();

    std::optional<AppShortcut> effectiveShortcut(AppShortcutID id) const;
    bool isCustomized(AppShortcutID id) const { return overrides_.count(id) > 0; }

    // Why the shortcut cannot be given to `id`, or nothing when it can.
    std::optional<QString> validationMessage(quint16 keyCode, quint64 modifiers, AppShortcutID id) const;
    // Stores an acceptable shortcut (one equal to the default removes the override); a refused one
    // changes nothing. Returns the refusal's message.
    std::optional<QString> setShortcut(quint16 keyCode, quint64 modifiers, AppShortcutID id);
    void disable(AppShortcutID id);
    void reset(AppShortcutID id);
    void resetAll();
    // Writes the stored form (removes it when there are no overrides) and announces didChange.
    void save();

    // The first definition whose effective shortcut is this key pressed without Control, Option
    // and Command (Shift allowed); never a function key.
    std::optional<AppShortcutDefinition> bareShortcutMatch(quint16 keyCode, quint64 modifiers) const;

    // True while a row of the shortcut preferences records a key; the key filter then lets every
    // key through.
    bool isCapturingShortcut() const { return isCapturingShortcut_; }
    void setCapturingShortcut(bool capturing);

Q_SIGNALS:
    void didChange();
    void capturingShortcutChanged(bool capturing);

private:
    QSettings* settings_;
    AppShortcutOverrides overrides_;
    bool isCapturingShortcut_ = false;
};

}  // namespace velmaris
