#include "window/HistoryListModel.h"
#include "window/HistoryPanel.h"

#include "document/TestDocuments.h"

#include <QListView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace velmaris {
namespace {

using test::solidLayer;

// A history panel shown on the offscreen screen over a new blank document.
struct ShownPanel {
    std::unique_ptr<ImageDocument> document;
    std::unique_ptr<HistoryPanel> panel;
    qsizetype startingLayers = 0;

    explicit ShownPanel(int historyLimit = HistoryManager::kDefaultLimit)
    {
        DocumentDefaults defaults;
        defaults.width = 40;
        defaults.height = 30;
        defaults.historyLimit = historyLimit;
        document = std::make_unique<ImageDocument>(defaults);
        startingLayers = document->state().layers.size();
        panel = std::make_unique<HistoryPanel>(document.get());
        panel->resize(220, 320);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }

    // A completed edit that adds one layer, recorded as `name`.
    void edit(const QString& name)
    {
        CanvasState state = document->state();
        state.layers.append(solidLayer(name));
        document->commitState(std::move(state), name);
    }

    QListView* list() const { return panel->listView(); }
    int rows() const { return panel->model()->rowCount(); }
    QString name(int row) const { return panel->model()->index(row).data().toString(); }
    QStringList names() const
    {
        QStringList all;
        for (int row = 0; row < rows(); ++row)
            all.append(name(row));
        return all;
    }
    QList<int> selectedRows() const
    {
        QList<int> selected;
        for (const QModelIndex& index : list()->selectionModel()->selectedIndexes())
            selected.append(index.row());
        return selected;
    }
    void click(int row)
    {
        const QRect rect = list()->visualRect(panel->model()->index(row));
        ASSERT_TRUE(rect.isValid());
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // The darkest grey level drawn in a row: the ink of its text.
    int inkOf(int row) const
    {
        const QImage image = list()->viewport()->grab().toImage();
        const QRect rect = list()->visualRect(panel->model()->index(row)) & image.rect();
        int darkest = 255;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        return darkest;
    }
};

TEST(HistoryPanel, NewDocumentShowsOneSelectedRow)
{
    ShownPanel shown;
    EXPECT_EQ(shown.names(), QStringList{QStringLiteral("New")});
    EXPECT_EQ(shown.selectedRows(), QList<int>{0});
    // Something is drawn in the row: the name is on screen.
    EXPECT_LT(shown.inkOf(0), 200);
}

TEST(HistoryPanel, ListsEditsGreysRedoEntriesAndJumpsOnClick)
{
    ShownPanel shown;
    shown.edit(QStringLiteral("Add One"));
    shown.edit(QStringLiteral("Add Two"));
    shown.edit(QStringLiteral("Add Three"));
    shown.document->undoHistory();
    shown.document->undoHistory();

    EXPECT_EQ(shown.names(), (QStringList{"New", "Add One", "Add Two", "Add Three"}));
    EXPECT_EQ(shown.selectedRows(), QList<int>{1});
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(shown.panel->model()->isRedoRow(row), row >= 2) << row;
    EXPECT_FALSE(shown.panel->model()->index(0).data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(shown.panel->model()->index(2).data(Qt::ForegroundRole).isValid());
    // On screen the redo entries' text is lighter than an older entry's.
    const int normalInk = shown.inkOf(0);
    EXPECT_GT(shown.inkOf(2), normalInk + 40);
    EXPECT_GT(shown.inkOf(3), normalInk + 40);

    // A greyed row redoes up to it; the live state follows and the document is edited.
    test::DocumentSpy spy(*shown.document);
    shown.click(3);
    EXPECT_EQ(shown.document->history().currentIndex(), 3);
    EXPECT_EQ(shown.document->state().layers.size(), shown.startingLayers + 3);
    EXPECT_EQ(spy.stateChanges(), 1);
    EXPECT_TRUE(shown.document->isEdited());
    EXPECT_EQ(shown.selectedRows(), QList<int>{3});
    EXPECT_LT(shown.inkOf(2), normalInk + 40);

    // An older row undoes back to it: the starting entry is the saved one, so nothing is edited.
    shown.click(0);
    EXPECT_EQ(shown.document->history().currentIndex(), 0);
    EXPECT_EQ(shown.document->state().layers.size(), shown.startingLayers);
    EXPECT_FALSE(shown.document->isEdited());
    EXPECT_EQ(shown.selectedRows(), QList<int>{0});
    EXPECT_EQ(spy.stateChanges(), 2);
    EXPECT_EQ(shown.names().size(), 4);  // jumping never drops entries

    // Clicking the current row changes nothing.
    shown.click(0);
    EXPECT_EQ(spy.stateChanges(), 2);
}

TEST(HistoryPanel, ReloadingMovesTheSelectionWithoutJumpingOrResetting)
{
    ShownPanel shown;
    shown.edit(QStringLiteral("Add One"));
    shown.edit(QStringLiteral("Add Two"));
    QSignalSpy resets(shown.panel->model(), &QAbstractItemModel::modelReset);
    QSignalSpy rowUpdates(shown.panel->model(), &QAbstractItemModel::dataChanged);
    test::DocumentSpy spy(*shown.document);

    shown.document->undoHistory();
    shown.document->undoHistory();
    EXPECT_EQ(shown.selectedRows(), QList<int>{0});
    EXPECT_EQ(shown.document->history().currentIndex(), 0);
    shown.document->jumpToHistory(2);
    EXPECT_EQ(shown.selectedRows(), QList<int>{2});
    // A live change announces the state without touching the history: the selection stays.
    shown.document->changeLiveState([](CanvasState& state) { state.layers.removeLast(); });
    EXPECT_EQ(shown.selectedRows(), QList<int>{2});

    // Each move was the document's own announcement, never a jump made by the panel.
    EXPECT_EQ(spy.stateChanges(), 4);
    EXPECT_EQ(shown.document->history().currentIndex(), 2);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(rowUpdates.count(), 4);

    // A Ctrl-click that empties the selection leaves the current entry selected, with no jump.
    shown.document->undoHistory();
    const QRect current = shown.list()->visualRect(shown.panel->model()->index(1));
    QTest::mouseClick(shown.list()->viewport(), Qt::LeftButton, Qt::ControlModifier, current.center());
    EXPECT_EQ(shown.selectedRows(), QList<int>{1});
    EXPECT_EQ(shown.document->history().currentIndex(), 1);
}

TEST(HistoryPanel, TrimmingFromTheFrontShiftsRowsAndTheSelectionFollows)
{
    ShownPanel shown(3);
    shown.edit(QStringLiteral("Add One"));
    shown.edit(QStringLiteral("Add Two"));
    EXPECT_EQ(shown.names(), (QStringList{"New", "Add One", "Add Two"}));

    // At the limit the count stays the same while every name moves up a row.
    shown.edit(QStringLiteral("Add Three"));
    EXPECT_EQ(shown.names(), (QStringList{"Add One", "Add Two", "Add Three"}));
    EXPECT_EQ(shown.selectedRows(), QList<int>{2});

    // Undo twice, then an edit: the redo tail goes, and the selection is on the new last row.
    shown.document->undoHistory();
    shown.document->undoHistory();
    EXPECT_EQ(shown.selectedRows(), QList<int>{0});
    shown.edit(QStringLiteral("Add Four"));
    EXPECT_EQ(shown.names(), (QStringList{"Add One", "Add Four"}));
    EXPECT_EQ(shown.selectedRows(), QList<int>{1});

    // Clicking a row still names the entry at that row after the shift.
    shown.click(0);
    EXPECT_EQ(shown.document->history().currentIndex(), 0);
    EXPECT_EQ(shown.document->state().layers.size(), shown.startingLayers + 1);
}

TEST(HistoryPanel, OutlivesItsDocument)
{
    ShownPanel shown;
    shown.edit(QStringLiteral("Add One"));
    shown.document.reset();
    EXPECT_EQ(shown.rows(), 0);
    EXPECT_TRUE(shown.selectedRows().isEmpty());
    shown.panel->repaint();
}

}  // namespace
}  // namespace velmaris
