#include "platform/KeyCodes.h"

#include <QKeyEvent>

#include <array>

namespace velmaris {

namespace {

constexpr quint16 kFirstCharacterKey = 0;
constexpr quint16 kLastCharacterKey = 50;
constexpr quint16 kLastKeyCode = 127;

// Keys without a character that still have a code (usable only for recording's Escape/Delete/
// Return and for refusing them with the right message).
constexpr std::pair<int, quint16> kOtherKeys[] = {
    {Qt::Key_Return, VirtualKey::returnKey},
    {Qt::Key_Enter, 76},
    {Qt::Key_Tab, VirtualKey::tab},
    {Qt::Key_Backtab, VirtualKey::tab},
    {Qt::Key_Backspace, VirtualKey::deleteKey},
    {Qt::Key_Escape, VirtualKey::escape},
    {Qt::Key_Help, 114},
    {Qt::Key_Home, VirtualKey::home},
    {Qt::Key_PageUp, 116},
    {Qt::Key_Delete, VirtualKey::forwardDelete},
    {Qt::Key_End, 119},
    {Qt::Key_PageDown, 121},
    {Qt::Key_Left, 123},
    {Qt::Key_Right, 124},
    {Qt::Key_Down, 125},
    {Qt::Key_Up, 126},
};

// What Shift makes of each key on the US layout; Qt reports the shifted symbol as the key.
constexpr std::pair<char, char> kShiftedSymbols[] = {
    {'!', '1'}, {'@', '2'}, {'#', '3'}, {'$', '4'}, {'%', '5'}, {'^', '6'}, {'&', '7'},
    {'*', '8'}, {'(', '9'}, {')', '0'}, {'_', '-'}, {'+', '='}, {'{', '['}, {'}', ']'},
    {'|', '\\'}, {':', ';'}, {'"', '\''}, {'<', ','}, {'>', '.'}, {'?', '/'}, {'~', '`'},
};

// Ctrl does what Command does elsewhere, Alt is Option and Meta the Control key of the table.
constexpr std::pair<Qt::KeyboardModifier, quint64> kModifierBits[] = {
    {Qt::ShiftModifier, ShortcutModifier::shift},
    {Qt::MetaModifier, ShortcutModifier::control},
    {Qt::AltModifier, ShortcutModifier::option},
    {Qt::ControlModifier, ShortcutModifier::command},
};

// The Qt key of a character key: Qt's keys for printable ASCII are the upper-case characters.
int qtKeyOfCharacter(const QString& character)
{
    return character.at(0).toUpper().unicode();
}

}  // namespace

std::optional<quint16> virtualKeyCode(int key)
{
    for (const auto& [shifted, base] : kShiftedSymbols) {
        if (key == shifted)
            key = base;
    }
    if (key >= 0x20 && key < 0x7f) {
        for (quint16 code = kFirstCharacterKey; code <= kLastCharacterKey; ++code) {
            const std::optional<QString> character = shortcutKeyCharacter(code);
            if (character && qtKeyOfCharacter(*character) == key)
                return code;
        }
        return std::nullopt;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20) {
        for (quint16 code = 0; code <= kLastKeyCode; ++code) {
            if (functionKeyNumber(code) == key - Qt::Key_F1 + 1)
                return code;
        }
    }
    for (const auto& [qt, code] : kOtherKeys) {
        if (qt == key)
            return code;
    }
    return std::nullopt;
}

std::optional<Qt::Key> qtKey(quint16 keyCode)
{
    if (const std::optional<QString> character = shortcutKeyCharacter(keyCode))
        return static_cast<Qt::Key>(qtKeyOfCharacter(*character));
    if (const std::optional<int> number = functionKeyNumber(keyCode))
        return static_cast<Qt::Key>(Qt::Key_F1 + *number - 1);
    for (const auto& [qt, code] : kOtherKeys) {
        if (code == keyCode)
            return static_cast<Qt::Key>(qt);
    }
    return std::nullopt;
}

quint64 modifiersRawValue(Qt::KeyboardModifiers modifiers)
{
    quint64 raw = 0;
    for (const auto& [qt, bit] : kModifierBits) {
        if (modifiers & qt)
            raw |= bit;
    }
    return raw;
}

Qt::KeyboardModifiers qtModifiers(quint64 raw)
{
    Qt::KeyboardModifiers modifiers;
    for (const auto& [qt, bit] : kModifierBits) {
        if (raw & bit)
            modifiers |= qt;
    }
    return modifiers;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock || key == Qt::Key_Super_L || key == Qt::Key_Super_R;
}

std::optional<AppShortcut> shortcutFromKeyEvent(const QKeyEvent& event)
{
    // Mapping by Qt::Key keeps the US names stable on Latin layouts: the key labelled "V" is "V"
    // whatever its position. The native code means different things per platform (an X keysym, a
    // Windows virtual key), but for letters and digits both are the character itself, so it only
    // serves as a fallback when Qt reports a key of another script.
    if (isModifierKey(event.key()))
        return std::nullopt;
    std::optional<quint16> code = virtualKeyCode(event.key());
    if (!code) {
        const quint32 native = event.nativeVirtualKey();
        if (native > 0x20 && native < 0x7f)
            code = virtualKeyCode(QChar(static_cast<char16_t>(native)).toUpper().unicode());
    }
    if (!code)
        return std::nullopt;
    return AppShortcut{*code, modifiersRawValue(event.modifiers())};
}

QKeySequence menuKeySequence(const std::optional<AppShortcut>& shortcut)
{
    if (!shortcut)
        return {};
    const std::optional<Qt::Key> key = qtKey(shortcut->keyCode);
    const bool isFunctionKey = functionKeyNumber(shortcut->keyCode).has_value();
    const bool isCharacterKey = shortcutKeyCharacter(shortcut->keyCode).has_value();
    const quint64 chordBits = ShortcutModifier::control | ShortcutModifier::option | ShortcutModifier::command;
    if (!key || !(isFunctionKey || (isCharacterKey && (shortcut->modifiersRawValue & chordBits))))
        return {};
    return QKeySequence(QKeyCombination(qtModifiers(shortcut->modifiersRawValue & ShortcutModifier::mask), *key));
}

}  // namespace velmaris
