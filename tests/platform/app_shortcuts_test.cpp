#include "platform/AppShortcuts.h"

#include "platform/KeyCodes.h"
#include "platform/Preferences.h"
#include "platform/RapidKeystrokeGate.h"

#include <QKeyEvent>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace velmaris {

// Failures print "Ctrl+Alt+K" rather than the bytes.
void PrintTo(const AppShortcut& shortcut, std::ostream* out)
{
    *out << displayString(shortcut).toStdString();
}

namespace {

using enum AppShortcutID;
constexpr quint64 kShift = ShortcutModifier::shift;
constexpr quint64 kControl = ShortcutModifier::control;
constexpr quint64 kOption = ShortcutModifier::option;
constexpr quint64 kCommand = ShortcutModifier::command;

const QString kStoredKey = Preferences::key(PreferenceName::appShortcutOverrides);

QVariant storedOverrides()
{
    return QSettings().value(kStoredKey);
}

TEST(AppShortcuts, CatalogueListsEveryCommandOnceInCategoryOrder)
{
    const QVector<AppShortcutDefinition>& all = allShortcutDefinitions();
    ASSERT_EQ(all.size(), 53);
    for (int index = 0; index < all.size(); ++index) {
        EXPECT_EQ(static_cast<int>(all[index].id), index);
        EXPECT_EQ(appShortcutIDFromRawValue(rawValue(all[index].id)), all[index].id);
    }
    EXPECT_FALSE(appShortcutIDFromRawValue("paintBrush"));
    EXPECT_EQ(shortcutCategories(), QStringList({"Tools", "File", "Selection", "Colors", "Image", "Layer", "Align", "View"}));
    // Categories group rows that the catalogue interleaves (Invert Selection sits among the layers).
    const QVector<AppShortcutDefinition> selection = shortcutDefinitions("Selection");
    ASSERT_EQ(selection.size(), 8);
    EXPECT_EQ(selection.first().title, "Deselect");
    EXPECT_EQ(selection.last().title, "Invert Selection");
    EXPECT_EQ(shortcutDefinition(alignCenterVertical).command, CommandID::alignCenterVertical);
    EXPECT_EQ(shortcutDefinition(layerEffects).title, QString::fromUtf8("Layer Effects…"));
    EXPECT_EQ(shortcutDefinition(togglePanels).command, CommandID::toggleSidebarPanels);
    EXPECT_EQ(shortcutIDForCommand(CommandID::toggleSidebarPanels), togglePanels);
    EXPECT_FALSE(shortcutIDForCommand(CommandID::saveDocument));
    EXPECT_EQ(shortcutDefinition(newTextLayer).defaultShortcut, (AppShortcut{17, kOption | kShift | kCommand}));
    EXPECT_FALSE(shortcutDefinition(flattenImage).defaultShortcut);
    EXPECT_EQ(shortcutDefinition(swapColors).defaultShortcut, (AppShortcut{7, 0}));  // X
    EXPECT_EQ(shortcutDefinition(resetColors).defaultShortcut, (AppShortcut{2, 0}));  // D
    EXPECT_EQ(shortcutDefinition(canvasSize).command, CommandID::showCanvasSize);
}

TEST(AppShortcuts, KeyTablesAndDisplayStrings)
{
    EXPECT_EQ(shortcutKeyCharacter(9), "v");
    EXPECT_EQ(shortcutKeyCharacter(42), "\\");
    EXPECT_EQ(shortcutKeyCharacter(50), "`");
    for (const quint16 none : {10, 36, 48, 51, 53, 115})
        EXPECT_FALSE(shortcutKeyCharacter(none)) << none;
    EXPECT_EQ(functionKeyNumber(122), 1);
    EXPECT_EQ(functionKeyNumber(96), 5);
    EXPECT_EQ(functionKeyNumber(90), 20);
    EXPECT_FALSE(functionKeyNumber(9));

    EXPECT_EQ(displayString({40, kShift | kCommand}), "Ctrl+Shift+K");
    EXPECT_EQ(displayString({24, kCommand | kShift | kOption | kControl}), "Ctrl+Alt+Shift+Meta+=");
    EXPECT_EQ(displayString({49, 0}), "Space");
    EXPECT_EQ(displayString({96, kOption}), "Alt+F5");
    EXPECT_EQ(displayString({115, 0}), "Key 115");
    EXPECT_TRUE(isReservedShortcut({43, kCommand}));
    EXPECT_FALSE(isReservedShortcut({43, kShift | kCommand}));
}

TEST(AppShortcuts, ValidationRefusesUnusableReservedAndTakenKeys)
{
    AppShortcutPreferences preferences;
    EXPECT_EQ(preferences.validationMessage(17, kCommand, zoomIn), "Already used by Free Transform.");
    EXPECT_EQ(preferences.validationMessage(1, kCommand, zoomIn), "Reserved by a standard shortcut.");
    EXPECT_EQ(preferences.validationMessage(1, kShift | kCommand, zoomIn), "Reserved by a standard shortcut.");
    EXPECT_EQ(preferences.validationMessage(115, 0, zoomIn), "That key can't be used as a shortcut.");
    EXPECT_EQ(preferences.validationMessage(48, kCommand, zoomIn), "That key can't be used as a shortcut.");
    // A command's own shortcut is no clash, and the unusable key is reported before the reservation.
    EXPECT_FALSE(preferences.validationMessage(17, kCommand, freeTransform));
    EXPECT_EQ(preferences.validationMessage(36, kCommand, zoomIn), "That key can't be used as a shortcut.");

    QSignalSpy changes(&preferences, &AppShortcutPreferences::didChange);
    EXPECT_EQ(preferences.setShortcut(17, kCommand, zoomIn), "Already used by Free Transform.");
    EXPECT_FALSE(preferences.isCustomized(zoomIn));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(storedOverrides().isValid());
}

TEST(AppShortcuts, OverridesAreStoredExactlyAndRemovedWhenEmpty)
{
    const QByteArray example =
        R"({"moveTool":{"shortcut":{"keyCode":9,"modifiersRawValue":1048576}},"zoomIn":{"disabled":true}})";
    const AppShortcutOverrides overrides = {{moveTool, {AppShortcut{9, kCommand}}},
                                            {zoomIn, AppShortcutAssignment::disabled()}};
    EXPECT_EQ(encodeShortcutOverrides(overrides), example);
    EXPECT_EQ(decodeShortcutOverrides(example), overrides);

    AppShortcutPreferences preferences;
    QSignalSpy changes(&preferences, &AppShortcutPreferences::didChange);
    EXPECT_EQ(preferences.setShortcut(9, kCommand, moveTool), "Reserved by a standard shortcut.");
    EXPECT_FALSE(preferences.setShortcut(9, kControl, moveTool));
    preferences.disable(zoomIn);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(storedOverrides().toByteArray(),
              R"({"moveTool":{"shortcut":{"keyCode":9,"modifiersRawValue":262144}},"zoomIn":{"disabled":true}})");
    EXPECT_EQ(preferences.effectiveShortcut(moveTool), (AppShortcut{9, kControl}));
    EXPECT_FALSE(preferences.effectiveShortcut(zoomIn));
    EXPECT_TRUE(preferences.isCustomized(zoomIn));

    // A second instance reads the same overrides back.
    EXPECT_EQ(AppShortcutPreferences().overrides(), preferences.overrides());

    // Recording the default again stores nothing for it.
    EXPECT_FALSE(preferences.setShortcut(9, 0, moveTool));
    EXPECT_FALSE(preferences.isCustomized(moveTool));
    EXPECT_EQ(storedOverrides().toByteArray(), R"({"zoomIn":{"disabled":true}})");

    preferences.reset(zoomIn);
    EXPECT_FALSE(storedOverrides().isValid());
    EXPECT_EQ(preferences.effectiveShortcut(zoomIn), (AppShortcut{24, kCommand}));
    const int before = changes.count();
    preferences.reset(zoomIn);
    preferences.resetAll();
    EXPECT_EQ(changes.count(), before);

    preferences.disable(deselect);
    preferences.disable(newLayer);
    preferences.resetAll();
    EXPECT_FALSE(storedOverrides().isValid());
    EXPECT_TRUE(preferences.overrides().empty());
}

TEST(AppShortcuts, ADisabledCommandFreesItsShortcut)
{
    AppShortcutPreferences preferences;
    EXPECT_EQ(preferences.setShortcut(5, kCommand, mergeLayers), "Already used by Group Layers.");
    preferences.disable(groupLayers);
    EXPECT_FALSE(preferences.setShortcut(5, kCommand, mergeLayers));
    EXPECT_EQ(preferences.effectiveShortcut(mergeLayers), (AppShortcut{5, kCommand}));
    // Merge Layers' old ⌘E is free now too.
    EXPECT_FALSE(preferences.validationMessage(14, kCommand, flattenImage));
}

TEST(AppShortcuts, UndecodableDataGivesDefaultsAndStaysUntilAChange)
{
    QSettings settings;
    for (const QByteArray& bad : {QByteArray("not json"), QByteArray(R"(["moveTool"])"),
                                  QByteArray(R"({"moveTool":{"disabled":false}})"),
                                  QByteArray(R"({"moveTool":{"shortcut":{"keyCode":70000,"modifiersRawValue":0}}})"),
                                  QByteArray(R"({"moveTool":{"shortcut":{"keyCode":9}}})"),
                                  QByteArray(R"({"moveTool":{"disabled":true,"shortcut":{"keyCode":9,"modifiersRawValue":0}}})"),
                                  QByteArray(R"({"zoomIn":{"disabled":true},"laterTool":{}})")}) {
        settings.setValue(kStoredKey, bad);
        AppShortcutPreferences preferences;
        EXPECT_TRUE(preferences.overrides().empty()) << bad.constData();
        EXPECT_EQ(preferences.effectiveShortcut(moveTool), (AppShortcut{9, 0}));
        preferences.reset(moveTool);
        preferences.resetAll();
        EXPECT_EQ(storedOverrides().toByteArray(), bad);
    }

    // Unknown ids with well-formed values are skipped; the rest loads.
    settings.setValue(kStoredKey, QByteArray(R"({"laterTool":{"disabled":true},"zoomIn":{"disabled":true}})"));
    AppShortcutPreferences preferences;
    EXPECT_EQ(preferences.overrides().size(), 1u);
    EXPECT_FALSE(preferences.effectiveShortcut(zoomIn));
    preferences.disable(zoomOut);
    EXPECT_EQ(storedOverrides().toByteArray(), R"({"zoomIn":{"disabled":true},"zoomOut":{"disabled":true}})");
}

TEST(AppShortcuts, BareShortcutMatchNeedsNoChordModifiersAndTheExactShift)
{
    AppShortcutPreferences preferences;
    EXPECT_EQ(preferences.bareShortcutMatch(9, 0)->id, moveTool);
    EXPECT_FALSE(preferences.bareShortcutMatch(9, kShift));
    EXPECT_FALSE(preferences.bareShortcutMatch(9, kCommand));
    EXPECT_FALSE(preferences.bareShortcutMatch(14, kCommand));

    EXPECT_FALSE(preferences.setShortcut(14, kShift, exportAs));
    EXPECT_EQ(preferences.bareShortcutMatch(14, kShift)->id, exportAs);
    // Function keys always go through the menu.
    EXPECT_FALSE(preferences.setShortcut(96, 0, zoomToFit));
    EXPECT_FALSE(preferences.bareShortcutMatch(96, 0));
    preferences.disable(moveTool);
    EXPECT_FALSE(preferences.bareShortcutMatch(9, 0));
}

TEST(KeyCodes, QtKeysAndModifiersMapOntoStoredCodes)
{
    EXPECT_EQ(virtualKeyCode(Qt::Key_V), 9);
    EXPECT_EQ(virtualKeyCode(Qt::Key_F5), 96);
    EXPECT_EQ(virtualKeyCode(Qt::Key_F20), 90);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Exclam), 18);  // Shift+1
    EXPECT_EQ(virtualKeyCode(Qt::Key_Question), 44);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Space), 49);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Home), 115);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Backtab), 48);
    EXPECT_FALSE(virtualKeyCode(Qt::Key_Shift));
    EXPECT_FALSE(virtualKeyCode(0xe9));  // é has no key on the US layout
    for (quint16 code = 0; code < 128; ++code) {
        if (const std::optional<Qt::Key> key = qtKey(code)) {
            EXPECT_EQ(virtualKeyCode(*key), code) << code;
        }
        if (shortcutKeyCharacter(code) || functionKeyNumber(code)) {
            EXPECT_TRUE(qtKey(code)) << code;
        }
    }

    EXPECT_EQ(modifiersRawValue(Qt::ControlModifier), kCommand);
    EXPECT_EQ(modifiersRawValue(Qt::AltModifier | Qt::ShiftModifier), kOption | kShift);
    EXPECT_EQ(modifiersRawValue(Qt::MetaModifier | Qt::KeypadModifier), kControl);
    EXPECT_EQ(qtModifiers(kControl | kOption | kShift | kCommand),
              Qt::MetaModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::ControlModifier);

    const QKeyEvent shifted(QEvent::KeyPress, Qt::Key_BraceLeft, Qt::ShiftModifier | Qt::ControlModifier, "{");
    EXPECT_EQ(shortcutFromKeyEvent(shifted), (AppShortcut{33, kShift | kCommand}));
    // A key of another script falls back on the native key, which is the Latin character here.
    const QKeyEvent cyrillic(QEvent::KeyPress, 0x041C /* М */, Qt::NoModifier, 0, 'v', 0,
                             QString::fromUtf8("м"));
    EXPECT_EQ(shortcutFromKeyEvent(cyrillic), (AppShortcut{9, 0}));
    EXPECT_FALSE(shortcutFromKeyEvent(QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier)));
}

TEST(KeyCodes, MenuKeysOnlyForChordsAndFunctionKeys)
{
    EXPECT_EQ(menuKeySequence(AppShortcut{96, 0}), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(menuKeySequence(AppShortcut{96, kShift}), QKeySequence(Qt::SHIFT | Qt::Key_F5));
    EXPECT_EQ(menuKeySequence(AppShortcut{40, kShift | kCommand}), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    EXPECT_EQ(menuKeySequence(AppShortcut{9, kControl}), QKeySequence(Qt::META | Qt::Key_V));
    EXPECT_TRUE(menuKeySequence(AppShortcut{9, 0}).isEmpty());
    EXPECT_TRUE(menuKeySequence(AppShortcut{9, kShift}).isEmpty());
    EXPECT_TRUE(menuKeySequence(AppShortcut{115, kCommand}).isEmpty());
    EXPECT_TRUE(menuKeySequence(std::nullopt).isEmpty());
}

TEST(RapidKeystrokeGate, BurstsOfTypingAreSuppressedUntilAPause)
{
    RapidKeystrokeGate gate;
    EXPECT_FALSE(gate.evaluate(10.0, 9, false, true));   // v alone
    EXPECT_FALSE(gate.evaluate(10.0, 9, false, true));   // the same event again: same answer
    EXPECT_TRUE(gate.evaluate(10.05, 46, false, true));  // m 50 ms later starts a burst
    EXPECT_TRUE(gate.evaluate(10.05, 46, false, true));
    // Inside the burst, gaps up to 0.6 s continue it; a key that does not type is let through
    // but keeps the burst going.
    EXPECT_TRUE(gate.evaluate(10.5, 17, false, true));
    EXPECT_FALSE(gate.evaluate(10.9, 123, false, false));
    EXPECT_TRUE(gate.evaluate(11.4, 17, false, true));
    // Repeats pass and do not move the timing.
    EXPECT_FALSE(gate.evaluate(11.45, 17, true, true));
    EXPECT_TRUE(gate.evaluate(11.9, 9, false, true));
    // A pause of 0.6 s ends the burst; a key a quarter second after that is no burst again.
    EXPECT_FALSE(gate.evaluate(12.6, 9, false, true));
    EXPECT_FALSE(gate.isInBurst);
    EXPECT_FALSE(gate.evaluate(12.85, 46, false, true));
    EXPECT_FALSE(gate.evaluate(12.9, 123, false, false));  // fast, but not typing
    EXPECT_FALSE(gate.isInBurst);
    // A fast typing key right after a non-typing one still starts a burst.
    EXPECT_TRUE(gate.evaluate(12.95, 9, false, true));
}

}  // namespace
}  // namespace velmaris
