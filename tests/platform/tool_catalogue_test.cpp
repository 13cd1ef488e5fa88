#include "platform/ToolCatalogue.h"

#include "platform/AppShortcuts.h"

#include <QSet>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

// The registry, the shortcut catalogue and the toolbar all show each tool as its one row says.
TEST(ToolCatalogue, EveryToolIsOneCommandOneBareKeyAndOneToolbarButton)
{
    QSet<quint16> keys;
    QSet<int> tools;
    int order = 0;
    for (const ToolRow& tool : allToolRows()) {
        SCOPED_TRACE(tool.title);
        EXPECT_FALSE(tools.contains(int(tool.tool)));
        tools.insert(int(tool.tool));
        EXPECT_EQ(&toolRow(tool.tool), &tool);
        EXPECT_EQ(toolForCommand(tool.command), tool.tool);

        const CommandRow& command = commandRow(tool.command);
        EXPECT_STREQ(command.name, tool.commandName);
        EXPECT_STREQ(command.title, tool.title);
        EXPECT_STREQ(command.symbol, tool.symbol);
        EXPECT_EQ(command.toolbar.group, ToolbarGroup::tools);
        EXPECT_EQ(command.toolbar.order, order++);
        EXPECT_TRUE(command.checkable);
        EXPECT_EQ(command.menu, CommandMenu::view);

        const AppShortcutDefinition& shortcut = shortcutDefinition(tool.shortcut);
        EXPECT_EQ(rawValue(tool.shortcut), QString::fromLatin1(tool.shortcutName));
        EXPECT_EQ(shortcut.command, tool.command);
        EXPECT_EQ(shortcut.category, "Tools");
        EXPECT_EQ(shortcut.defaultShortcut, (AppShortcut{tool.defaultKeyCode, 0}));
        EXPECT_TRUE(shortcutKeyCharacter(tool.defaultKeyCode).has_value());
        EXPECT_FALSE(keys.contains(tool.defaultKeyCode)) << "two tools share a key";
        keys.insert(tool.defaultKeyCode);
    }
    // Every tool of the enumeration has a row: the canvas makes its tools from them.
    for (int tool = 0; tool < 32; ++tool)
        EXPECT_EQ(tools.contains(tool), editorToolFromRawValue(tool).has_value()) << tool;
    EXPECT_EQ(shortcutDefinition(AppShortcutID::colorPickerTool).defaultShortcut, (AppShortcut{34, 0}));  // I
    EXPECT_EQ(shortcutDefinition(AppShortcutID::brushTool).defaultShortcut, (AppShortcut{11, 0}));  // B
    EXPECT_EQ(shortcutDefinition(AppShortcutID::eraserTool).defaultShortcut, (AppShortcut{14, 0}));  // E
    EXPECT_EQ(shortcutDefinition(AppShortcutID::fillTool).defaultShortcut, (AppShortcut{3, 0}));          // F
    EXPECT_EQ(shortcutDefinition(AppShortcutID::gradientTool).defaultShortcut, (AppShortcut{5, 0}));      // G
    EXPECT_FALSE(toolForCommand(CommandID::zoomIn));
}

}  // namespace
}  // namespace velmaris
