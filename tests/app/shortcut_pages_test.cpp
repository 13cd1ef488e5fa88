#include "app/ShortcutApplier.h"
#include "app/ShortcutCheatSheet.h"
#include "app/ShortcutsPreferencesPage.h"

#include "QtWait.h"
#include "document/ImageDocument.h"
#include "document/TestDocuments.h"
#include "window/DocumentActions.h"
#include "window/DocumentWindow.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

using enum AppShortcutID;

TEST(ShortcutsPreferencesPage, RecordsKeysFromTheKeyboardAndExplainsRefusals)
{
    AppShortcutPreferences preferences;
    ShortcutsPreferencesPage page(preferences);
    page.resize(640, 800);
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));

    EXPECT_EQ(page.shortcutButton(zoomIn)->text(), QStringLiteral("Ctrl+="));
    EXPECT_EQ(page.defaultHint(zoomIn)->text(), QStringLiteral("Default Ctrl+="));
    EXPECT_EQ(page.defaultHint(flattenImage)->text(), "Default None");
    EXPECT_EQ(page.shortcutButton(flattenImage)->text(), "None");
    EXPECT_FALSE(page.resetButton(zoomIn)->isVisible());

    // Records `key` for `id` through the row's button and capture field.
    const auto record = [&](AppShortcutID id, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(page.shortcutButton(id), Qt::LeftButton);
        EXPECT_EQ(page.recordingShortcutID(), id);
        EXPECT_TRUE(preferences.isCapturingShortcut());
        EXPECT_TRUE(page.captureField(id)->isVisible());
        EXPECT_EQ(page.captureField(id)->text(), "Press shortcut");
        EXPECT_FALSE(page.validationLabel()->isVisible());
        EXPECT_TRUE(test::waitUntil([&] { return page.captureField(id)->hasFocus(); }));
        QTest::keyClick(page.captureField(id), key, modifiers);
        EXPECT_FALSE(page.recordingShortcutID());
        EXPECT_FALSE(preferences.isCapturingShortcut());
        return page.validationLabel()->isVisible() ? page.validationLabel()->text() : QString();
    };

    EXPECT_EQ(record(zoomIn, Qt::Key_T, Qt::ControlModifier), "Already used by Free Transform.");
    EXPECT_EQ(record(zoomIn, Qt::Key_S, Qt::ControlModifier), "Reserved by a standard shortcut.");
    EXPECT_EQ(record(zoomIn, Qt::Key_Tab), "That key can't be used as a shortcut.");
    EXPECT_EQ(record(zoomIn, Qt::Key_Home), "That key can't be used as a shortcut.");
    EXPECT_TRUE(preferences.overrides().empty());
    EXPECT_EQ(page.shortcutButton(zoomIn)->text(), QStringLiteral("Ctrl+="));

    EXPECT_EQ(record(zoomIn, Qt::Key_F5), "");
    EXPECT_EQ(preferences.effectiveShortcut(zoomIn), (AppShortcut{96, 0}));
    EXPECT_EQ(page.shortcutButton(zoomIn)->text(), "F5");
    EXPECT_TRUE(page.resetButton(zoomIn)->isVisible());
    QTest::mouseClick(page.resetButton(zoomIn), Qt::LeftButton);
    EXPECT_FALSE(preferences.isCustomized(zoomIn));
    EXPECT_FALSE(page.resetButton(zoomIn)->isVisible());

    EXPECT_EQ(record(moveTool, Qt::Key_Escape), "");
    EXPECT_EQ(page.shortcutButton(moveTool)->text(), "None");
    EXPECT_TRUE(preferences.isCustomized(moveTool));
    EXPECT_EQ(record(moveTool, Qt::Key_V), "");  // the default again
    EXPECT_FALSE(preferences.isCustomized(moveTool));
    EXPECT_EQ(record(deselect, Qt::Key_Backspace), "");
    EXPECT_EQ(record(newLayer, Qt::Key_K, Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier), "");
    EXPECT_EQ(page.shortcutButton(newLayer)->text(), QStringLiteral("Ctrl+Alt+Shift+K"));

    QTest::mouseClick(page.resetAllButton(), Qt::LeftButton);
    EXPECT_TRUE(preferences.overrides().empty());
    EXPECT_EQ(page.shortcutButton(deselect)->text(), QStringLiteral("Ctrl+D"));

    // Leaving the page while recording ends the recording.
    QTest::mouseClick(page.shortcutButton(zoomOut), Qt::LeftButton);
    ASSERT_TRUE(preferences.isCapturingShortcut());
    page.hide();
    EXPECT_FALSE(preferences.isCapturingShortcut());
    EXPECT_FALSE(page.recordingShortcutID());
}

TEST(ShortcutApplier, WindowActionsTakeTheEffectiveMenuKeys)
{
    auto document = test::documentWith({test::solidLayer("A")}, {200, 100});
    DocumentWindow window(document.get());
    const ShortcutActionLookup lookup = documentActionLookup(*window.actions());
    // Every command of the catalogue but the application's own is one of the window's actions.
    for (const AppShortcutDefinition& definition : allShortcutDefinitions()) {
        const bool application = commandRow(definition.command).scope == CommandScope::application;
        EXPECT_EQ(lookup(definition.command) != nullptr, !application) << commandRow(definition.command).name;
    }

    AppShortcutPreferences preferences;
    applyEffectiveShortcuts(lookup, preferences);
    const auto shortcutOf = [&](CommandID command) { return window.actions()->action(command)->shortcut(); };
    EXPECT_TRUE(shortcutOf(CommandID::selectMoveTool).isEmpty());  // bare V runs through the key filter
    EXPECT_EQ(shortcutOf(CommandID::freeTransform), QKeySequence(Qt::CTRL | Qt::Key_T));
    EXPECT_EQ(shortcutOf(CommandID::toggleSidebarPanels), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0));
    EXPECT_EQ(shortcutOf(CommandID::saveDocument), QKeySequence(Qt::CTRL | Qt::Key_S));  // not in the catalogue
    const auto keysOf = [&](CommandID command) { return window.actions()->action(command)->shortcuts(); };
    EXPECT_EQ(keysOf(CommandID::zoomIn),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus),
                                   QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus))}));

    ASSERT_FALSE(preferences.setShortcut(96, 0, zoomToFit));
    ASSERT_FALSE(preferences.setShortcut(37, ShortcutModifier::control, alignLeft));
    preferences.disable(freeTransform);
    preferences.disable(zoomIn);
    applyEffectiveShortcuts(lookup, preferences);
    EXPECT_TRUE(keysOf(CommandID::zoomIn).isEmpty());
    EXPECT_EQ(shortcutOf(CommandID::zoomToFit), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(shortcutOf(CommandID::alignLeft), QKeySequence(Qt::META | Qt::Key_L));
    EXPECT_TRUE(shortcutOf(CommandID::freeTransform).isEmpty());

    // F5 alone now triggers the menu action.
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy triggered(window.actions()->action(CommandID::zoomToFit), &QAction::triggered);
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_EQ(triggered.count(), 1);
}

TEST(ShortcutCheatSheet, ListsEffectiveShortcutsAndRebuildsAfterClosing)
{
    AppShortcutPreferences preferences;
    ShortcutCheatSheet sheet(preferences);
    sheet.show();
    QPointer<QWidget> first = sheet.window();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), "Keyboard Shortcuts");
    EXPECT_EQ(first->size(), QSize(420, 560));
    const auto shown = [&](AppShortcutID id) {
        const auto* label = sheet.window()->findChild<QLabel*>("shortcut:" + rawValue(id));
        return label ? label->text() : QString("missing");
    };
    EXPECT_EQ(shown(cropToSelection), QStringLiteral("Ctrl+Shift+K"));
    EXPECT_EQ(shown(moveTool), "V");
    EXPECT_EQ(shown(colorPickerTool), "I");
    EXPECT_EQ(shown(brushTool), "B");
    EXPECT_EQ(shown(eraserTool), "E");
    EXPECT_EQ(shown(fillTool), "F");
    EXPECT_EQ(shown(gradientTool), "G");
    EXPECT_EQ(shown(flattenImage), QString::fromUtf8("—"));
    EXPECT_EQ(shown(swapColors), "X");
    EXPECT_EQ(shown(resetColors), "D");
    EXPECT_EQ(sheet.window()->findChildren<QLabel*>().size(), allShortcutDefinitions().size() * 2 + 8 + 1);

    preferences.disable(cropToSelection);
    EXPECT_EQ(shown(cropToSelection), QString::fromUtf8("—"));

    first->move(5, 5);
    first->close();
    ASSERT_TRUE(test::waitUntil([&] { return first.isNull(); }));
    sheet.show();
    ASSERT_TRUE(sheet.window());
    EXPECT_NE(sheet.window()->pos(), QPoint(5, 5));
    EXPECT_EQ(shown(cropToSelection), QString::fromUtf8("—"));
}

}  // namespace
}  // namespace velmaris
