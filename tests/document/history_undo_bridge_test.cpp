#include "document/HistoryUndoBridge.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

TEST(HistoryUndoBridge, TypingIsUndoneFirstThenTheHistory)
{
    ImageDocument document(DocumentDefaults{4, 4});
    HistoryUndoBridge bridge(&document);
    EXPECT_FALSE(bridge.canUndo());
    EXPECT_EQ(bridge.undoMenuItemTitle(), QStringLiteral("Undo"));

    document.changeLiveState([&](CanvasState& state) { state.size = QSizeF(5, 5); });
    document.recordHistory(QStringLiteral("Merge Layers"));
    EXPECT_EQ(bridge.undoMenuItemTitle(), QStringLiteral("Undo Merge Layers"));

    int typing = 2;
    bool cleared = false;
    bridge.setTextEditor(TextEditorUndo{
        [&] { return typing > 0; }, [] { return false; }, [] { return QStringLiteral("Undo Typing"); },
        [] { return QString(); }, [&] { --typing; }, [] {}, [&] { cleared = true; }});
    EXPECT_EQ(bridge.undoMenuItemTitle(), QStringLiteral("Undo Typing"));
    bridge.undo();
    bridge.undo();
    EXPECT_EQ(document.history().currentIndex(), 1);  // both steps were typing
    EXPECT_EQ(bridge.undoMenuItemTitle(), QStringLiteral("Undo Merge Layers"));
    bridge.undo();
    EXPECT_TRUE(cleared);
    EXPECT_EQ(document.history().currentIndex(), 0);
    EXPECT_EQ(bridge.redoMenuItemTitle(), QStringLiteral("Redo Merge Layers"));
    EXPECT_TRUE(bridge.canRedo());
}

TEST(HistoryUndoBridge, WithoutADocumentNothingCanBeDone)
{
    auto document = std::make_unique<ImageDocument>(DocumentDefaults{4, 4});
    HistoryUndoBridge bridge(document.get());
    document.reset();
    EXPECT_FALSE(bridge.canUndo());
    EXPECT_FALSE(bridge.canRedo());
    bridge.undo();
    EXPECT_EQ(bridge.redoMenuItemTitle(), QStringLiteral("Redo"));
}

}  // namespace
}  // namespace velmaris
