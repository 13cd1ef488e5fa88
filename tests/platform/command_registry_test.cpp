#include "platform/CommandRegistry.h"

#include "platform/AppShortcuts.h"

#include <QSet>
#include <gtest/gtest.h>

#include <set>

namespace velmaris {
namespace {

TEST(CommandRegistry, OneRowPerCommandWithOneKeyAndOnePlace)
{
    const QVector<CommandRow>& rows = allCommandRows();
    QSet<QString> names;
    std::set<std::pair<ToolbarGroup, int>> toolbarSlots;
    std::set<std::pair<SidebarGroup, int>> sidebarSlots;
    for (qsizetype index = 0; index < rows.size(); ++index) {
        const CommandRow& row = rows[index];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(static_cast<qsizetype>(row.id), index) << "rows in CommandID order";
        EXPECT_FALSE(names.contains(QLatin1String(row.name)));
        names.insert(QLatin1String(row.name));
        const QString title = QString::fromUtf8(row.title);
        EXPECT_FALSE(title.contains(QLatin1String("..."))) << "one ellipsis character";
        // A key is written once: in the catalogue for its commands, in the row for the others.
        if (shortcutIDForCommand(row.id)) {
            EXPECT_FALSE(row.key);
        }
        if (row.toolbar.group != ToolbarGroup::none) {
            EXPECT_TRUE(toolbarSlots.insert({row.toolbar.group, row.toolbar.order}).second);
        }
        if (row.sidebar.group != SidebarGroup::none && row.argument == CommandArgument::none) {
            EXPECT_TRUE(sidebarSlots.insert({row.sidebar.group, row.sidebar.order}).second);
        }
        EXPECT_TRUE(row.menu != CommandMenu::none || row.sidebar.group != SidebarGroup::none) << "reachable";
    }
    EXPECT_EQ(rows.size(), static_cast<qsizetype>(CommandID::selectAllCanvas) + 1);

    // Each catalogue entry runs its own command.
    std::set<CommandID> catalogued;
    for (const AppShortcutDefinition& definition : allShortcutDefinitions())
        catalogued.insert(definition.command);
    EXPECT_EQ(qsizetype(catalogued.size()), allShortcutDefinitions().size());

    EXPECT_EQ(defaultKeySequence(CommandID::saveDocument), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(defaultKeySequence(CommandID::deselect), QKeySequence(Qt::CTRL | Qt::Key_D));
    EXPECT_EQ(defaultKeySequence(CommandID::exportAs), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    EXPECT_TRUE(defaultKeySequence(CommandID::selectMoveTool).isEmpty()) << "bare V runs through the key filter";
    EXPECT_TRUE(defaultKeySequence(CommandID::flattenImage).isEmpty());
}

}  // namespace
}  // namespace velmaris
