#include "document/HistoryManager.h"

#include "TestImages.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

CanvasState stateWithWidth(double width)
{
    CanvasState state;
    state.size = QSizeF(width, 1);
    return state;
}

QStringList names(const HistoryManager& history)
{
    QStringList result;
    for (const HistoryEntry& entry : history.entries())
        result.append(entry.name);
    return result;
}

TEST(HistoryManager, LimitDropsTheOldestAndUndoRedoWalkTheEntries)
{
    HistoryManager history(2);
    history.reset(QStringLiteral("New"), stateWithWidth(0));
    history.push(QStringLiteral("A"), stateWithWidth(1));
    EXPECT_EQ(history.push(QStringLiteral("B"), stateWithWidth(2)), 1);
    EXPECT_EQ(names(history), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(history.currentIndex(), 1);
    EXPECT_EQ(history.undo()->size.width(), 1);
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(history.currentIndex(), 0);
    EXPECT_EQ(history.redo()->size.width(), 2);
    EXPECT_FALSE(history.redo());
}

TEST(HistoryManager, PushAfterUndoDiscardsTheRedoTail)
{
    HistoryManager history;
    history.reset(QStringLiteral("New"), stateWithWidth(0));
    for (int i = 1; i <= 3; ++i)
        history.push(QString::number(i), stateWithWidth(i));
    history.undo();
    history.undo();
    history.push(QStringLiteral("C"), stateWithWidth(9));
    EXPECT_EQ(names(history), (QStringList{QStringLiteral("New"), QStringLiteral("1"), QStringLiteral("C")}));
    EXPECT_EQ(history.currentIndex(), 2);
}

TEST(HistoryManager, LimitPreference)
{
    EXPECT_EQ(HistoryManager::limitFromPreference(1), 2);
    EXPECT_EQ(HistoryManager::limitFromPreference(7), 7);
    EXPECT_EQ(HistoryManager::limitFromPreference(0), defaults::historyLimit);
    EXPECT_EQ(HistoryManager::limitFromPreference(-5), defaults::historyLimit);
    EXPECT_EQ(HistoryManager::limitFromPreference(std::nullopt), defaults::historyLimit);
}

TEST(HistoryManager, BudgetCountsDistinctBitmapsAndKeepsAtLeastFiveEntries)
{
    const Bitmap shared = test::solidBitmap(10, 10, {0, 0, 0, 255});  // 400 bytes
    CanvasState state;
    Layer layer;
    layer.content = shared;
    state.layers = {layer, layer};

    HistoryManager sharing(50, 500);
    sharing.reset(QStringLiteral("New"), state);
    for (int i = 0; i < 20; ++i)
        sharing.push(QStringLiteral("Same"), state);
    EXPECT_EQ(sharing.entries().size(), 21);  // one bitmap counted once: never over budget
    EXPECT_EQ(sharing.estimatedMemoryBytes(), 400);

    HistoryManager distinct(50, 1000);
    distinct.reset(QStringLiteral("New"), state);
    for (int i = 0; i < 4; ++i) {
        layer.content = test::solidBitmap(10, 10, {0, 0, 0, 255});
        state.layers = {layer};
        distinct.push(QStringLiteral("Edit"), state);
    }
    EXPECT_EQ(distinct.entries().size(), 5);  // fewer than 6 entries: no trimming at 2000 bytes
    layer.content = test::solidBitmap(10, 10, {0, 0, 0, 255});
    state.layers = {layer};
    EXPECT_EQ(distinct.push(QStringLiteral("Edit"), state), 1);
    EXPECT_EQ(distinct.entries().size(), 5);
    EXPECT_EQ(distinct.currentIndex(), 4);

    layer.content = TextLayerAttributes{};  // text layers cost nothing
    state.layers = {layer};
    HistoryManager text;
    text.reset(QStringLiteral("New"), state);
    EXPECT_EQ(text.estimatedMemoryBytes(), 0);
}

TEST(HistoryManager, MenuTitlesAndJump)
{
    HistoryManager history;
    history.reset(QStringLiteral("New"), stateWithWidth(0));
    EXPECT_EQ(undoMenuTitle(history), QStringLiteral("Undo"));
    EXPECT_FALSE(history.canUndo());
    history.push(QStringLiteral("Merge Layers"), stateWithWidth(1));
    EXPECT_EQ(undoMenuTitle(history), QStringLiteral("Undo Merge Layers"));
    EXPECT_EQ(redoMenuTitle(history), QStringLiteral("Redo"));
    history.undo();
    EXPECT_EQ(redoMenuTitle(history), QStringLiteral("Redo Merge Layers"));

    EXPECT_FALSE(history.jump(0));   // already current
    EXPECT_FALSE(history.jump(2));   // out of range
    EXPECT_FALSE(history.jump(-1));
    EXPECT_EQ(history.jump(1)->size.width(), 1);
    EXPECT_EQ(history.currentIndex(), 1);
}

}  // namespace
}  // namespace velmaris
