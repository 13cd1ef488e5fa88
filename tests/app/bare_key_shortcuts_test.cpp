#include "app/BareKeyShortcuts.h"

#include "QtWait.h"
#include "canvas/CanvasView.h"
#include "document/ImageDocument.h"
#include "document/TestDocuments.h"
#include "platform/CurrentColorStore.h"
#include "window/DocumentWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

using enum AppShortcutID;

// A document window shown and active, with the key filter installed on the application.
struct ShortcutWindow {
    std::unique_ptr<ImageDocument> document;
    DocumentWindow* window;
    AppShortcutPreferences preferences;
    BareKeyShortcuts shortcuts{preferences};
    QList<CommandID> applicationCommands;

    explicit ShortcutWindow(QVector<Layer> layers = {test::solidLayer("A")})
        : document(test::documentWith(std::move(layers), {200, 100})), window(new DocumentWindow(document.get()))
    {
        shortcuts.setApplicationCommandHandler([this](CommandID command) { applicationCommands << command; });
        qApp->installEventFilter(&shortcuts);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        window->canvas()->setFocus();
    }
    ~ShortcutWindow()
    {
        qApp->removeEventFilter(&shortcuts);
        delete window;
    }

    // A key typed as the user would: to whatever has the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    // A key press and release stamped `seconds` into the session, as the platform would send them.
    void pressAt(double seconds, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QString text = QString(QChar(key)).toLower();
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, modifiers, text);
            event.setTimestamp(static_cast<quint64>(seconds * 1000));
            QApplication::sendEvent(QApplication::focusWidget(), &event);
        }
    }
    EditorTool tool() const { return window->canvas()->tool(); }
};

TEST(BareKeyShortcuts, ASingleKeyRunsAfterADelayAndTypingRunsNothing)
{
    ShortcutWindow shown;
    shown.window->runCommand(CommandID::selectTextTool);
    ASSERT_EQ(shown.tool(), EditorTool::text);

    shown.press(Qt::Key_V);
    EXPECT_TRUE(shown.shortcuts.hasPendingShortcut());
    EXPECT_EQ(shown.tool(), EditorTool::text);  // not yet: a second key may still cancel it
    ASSERT_TRUE(test::waitUntil([&] { return shown.tool() == EditorTool::move; }));
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());

    // "v" then "m" 50 ms apart: the second key cancels the first and is held back itself.
    shown.window->runCommand(CommandID::selectTextTool);
    shown.pressAt(100, Qt::Key_V);
    EXPECT_TRUE(shown.shortcuts.hasPendingShortcut());
    shown.pressAt(100.05, Qt::Key_M);
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    EXPECT_EQ(shown.tool(), EditorTool::text);

    // Keys for a text field always reach it, burst or not.
    auto* field = new QLineEdit(shown.window);
    field->show();
    field->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return field->hasFocus(); }));
    shown.pressAt(100.1, Qt::Key_V);
    shown.pressAt(101, Qt::Key_M);
    EXPECT_EQ(field->text(), "vm");
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    EXPECT_EQ(shown.tool(), EditorTool::text);
}

TEST(BareKeyShortcuts, TextEditingRecordingAndChordsPassThrough)
{
    ShortcutWindow shown({test::textLayer("Wave", {20, 30}, 40)});
    shown.preferences.setCapturingShortcut(true);
    shown.press(Qt::Key_V);
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    shown.preferences.setCapturingShortcut(false);

    // ⌘T stays with its menu action.
    shown.press(Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    EXPECT_TRUE(shown.document->transform().has_value());
    shown.press(Qt::Key_T, Qt::ControlModifier);

    // The canvas's in-place editor is a text input: "t" types instead of choosing the text tool.
    shown.window->runCommand(CommandID::editTextLayer);
    ASSERT_TRUE(shown.document->textEditing());
    ASSERT_TRUE(BareKeyShortcuts::goesToTextInput(QApplication::focusWidget()));
    shown.press(Qt::Key_T);
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    EXPECT_TRUE(test::waitUntil([&] { return shown.document->textEditing()->attributes.string == "t"; }));
}

TEST(BareKeyShortcuts, CommandsOutsideTheWindowGoToTheApplication)
{
    ShortcutWindow shown;
    EXPECT_EQ(shown.preferences.setShortcut(34, 0, importFromPhotos), "Already used by Color Picker Tool.");  // I
    ASSERT_FALSE(shown.preferences.setShortcut(38, 0, importFromPhotos));    // J
    ASSERT_FALSE(shown.preferences.setShortcut(40, 0, deleteLayer));        // K
    ASSERT_FALSE(shown.preferences.setShortcut(37, ShortcutModifier::shift, newLayer));  // ⇧L

    shown.pressAt(10, Qt::Key_J);
    EXPECT_TRUE(shown.shortcuts.hasPendingShortcut());
    ASSERT_TRUE(test::waitUntil([&] { return !shown.applicationCommands.isEmpty(); }));
    EXPECT_EQ(shown.applicationCommands, QList<CommandID>{CommandID::importFromPhotos});

    // A command the window has disabled (the only layer cannot go) does not run.
    shown.pressAt(11, Qt::Key_K);
    EXPECT_TRUE(shown.shortcuts.hasPendingShortcut());
    ASSERT_TRUE(test::waitUntil([&] { return !shown.shortcuts.hasPendingShortcut(); }));
    EXPECT_EQ(shown.document->state().layers.size(), 1);
    EXPECT_EQ(shown.applicationCommands.size(), 1);

    // Shift is part of a bare shortcut.
    shown.pressAt(12, Qt::Key_L);
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    shown.pressAt(13, Qt::Key_L, Qt::ShiftModifier);
    EXPECT_TRUE(shown.shortcuts.hasPendingShortcut());
    EXPECT_TRUE(test::waitUntil([&] { return shown.document->state().layers.size() == 2; }));

    // Within a burst even a key pressed after a pause of half a second is held back.
    shown.pressAt(14, Qt::Key_Q);
    shown.pressAt(14.05, Qt::Key_W);
    shown.pressAt(14.55, Qt::Key_I);
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    shown.pressAt(15.2, Qt::Key_I);
    EXPECT_TRUE(shown.shortcuts.hasPendingShortcut());
}

TEST(BareKeyShortcuts, XSwapsAndDResetsTheColorsUntilRebound)
{
    ShortcutWindow shown;
    CurrentColorStore& store = CurrentColorStore::shared();
    store.setColor(StoredColor{1, 0, 0, 1});
    store.setBackgroundColor(StoredColor{0, 0, 1, 1});
    const auto colorsAre = [&](const StoredColor& current, const StoredColor& background) {
        return test::waitUntil([&] { return store.color() == current && store.backgroundColor() == background; });
    };
    shown.pressAt(20, Qt::Key_X);
    EXPECT_TRUE(colorsAre({0, 0, 1, 1}, {1, 0, 0, 1}));
    shown.pressAt(21, Qt::Key_D);
    EXPECT_TRUE(colorsAre({0, 0, 0, 1}, {1, 1, 1, 1}));

    // Bound to another key, X does nothing and the new key swaps; D can be disabled.
    ASSERT_FALSE(shown.preferences.setShortcut(16, 0, swapColors));  // Y
    shown.preferences.disable(resetColors);
    store.setColor(StoredColor{0, 1, 0, 1});
    shown.pressAt(22, Qt::Key_X);
    shown.pressAt(23, Qt::Key_D);
    EXPECT_FALSE(shown.shortcuts.hasPendingShortcut());
    EXPECT_EQ(store.color(), (StoredColor{0, 1, 0, 1}));
    shown.pressAt(24, Qt::Key_Y);
    EXPECT_TRUE(colorsAre({1, 1, 1, 1}, {0, 1, 0, 1}));
}

}  // namespace
}  // namespace velmaris
