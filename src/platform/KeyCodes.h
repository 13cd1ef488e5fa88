#pragma once

#include "platform/AppShortcuts.h"

#include <QKeySequence>
#include <Qt>

#include <optional>

class QKeyEvent;

namespace velmaris {

// Stored shortcuts keep the virtual key codes and modifier bits of their stored form, so that one
// value means the same key on every machine; these map Qt's keys and modifiers onto them.
// Ctrl stands for Command, Alt for Option and Meta for Control.

// Well-known virtual key codes outside the tables of character and function keys.
namespace VirtualKey {
inline constexpr quint16 returnKey = 36;
inline constexpr quint16 tab = 48;
inline constexpr quint16 space = 49;
inline constexpr quint16 deleteKey = 51;  // Backspace
inline constexpr quint16 escape = 53;
inline constexpr quint16 home = 115;
inline constexpr quint16 forwardDelete = 117;
}  // namespace VirtualKey

// The virtual key code of a Qt key; shifted symbols ("!", "?") give the key they are typed on.
std::optional<quint16> virtualKeyCode(int qtKey);
// The Qt key of a virtual key code (the unshifted key for character keys).
std::optional<Qt::Key> qtKey(quint16 keyCode);

quint64 modifiersRawValue(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers qtModifiers(quint64 modifiersRawValue);

// Shift, Control, Alt, Meta and the like pressed alone: never a shortcut nor typing.
bool isModifierKey(int qtKey);

// The key and the shortcut modifier bits of a key press; nothing for keys without a code
// (modifier keys alone, media keys…).
std::optional<AppShortcut> shortcutFromKeyEvent(const QKeyEvent& event);

// What a menu item shows and answers to: a function key with any modifiers, or a character key with
// Command, Option or Control. A bare key (Shift at most) gives none: the key filter runs it so the
// key still types into text fields.
QKeySequence menuKeySequence(const std::optional<AppShortcut>& shortcut);

}  // namespace velmaris
