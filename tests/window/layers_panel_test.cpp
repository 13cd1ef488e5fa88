#include "window/LayerListModel.h"
#include "window/LayerRowDelegate.h"
#include "window/LayerThumbnails.h"
#include "window/LayersPanel.h"
#include "window/OpacitySlider.h"
#include "window/DocumentWindow.h"

#include "document/TestDocuments.h"
#include "QtWait.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace velmaris {
namespace {

using test::documentWith;
using test::DocumentSpy;
using test::layerNames;
using test::selectIndices;
using test::solidLayer;
using test::textLayer;

// A layers panel shown on the offscreen screen over a document holding `layers` (bottom first).
struct ShownPanel {
    std::unique_ptr<ImageDocument> document;
    std::unique_ptr<LayersPanel> panel;

    explicit ShownPanel(QVector<Layer> layers)
        : document(documentWith(std::move(layers))), panel(std::make_unique<LayersPanel>(document.get()))
    {
        panel->resize(260, 420);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }

    const CanvasState& state() const { return document->state(); }
    QListView* list() const { return panel->listView(); }
    LayerListModel* model() const { return panel->model(); }
    QRect rowRect(int row) const { return list()->visualRect(model()->index(row)); }
    LayerRowDelegate::RowLayout rowLayout(int row) const
    {
        return LayerRowDelegate::rowLayout(rowRect(row), model()->index(row));
    }
    void click(int row, Qt::KeyboardModifiers modifiers = {}, std::optional<QPoint> at = {})
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, modifiers, at.value_or(rowRect(row).center()));
    }
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : list()->selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    QString primaryName() const { return state().selectedLayer() ? state().selectedLayer()->name : QString(); }
    std::map<QString, bool> enabledButtons() const
    {
        return {{"add", panel->addButton()->isEnabled()},       {"delete", panel->deleteButton()->isEnabled()},
                {"duplicate", panel->duplicateButton()->isEnabled()}, {"group", panel->groupButton()->isEnabled()},
                {"ungroup", panel->ungroupButton()->isEnabled()}, {"merge", panel->mergeButton()->isEnabled()},
                {"flatten", panel->flattenButton()->isEnabled()}};
    }
};

QVector<Layer> threeLayers()
{
    return {solidLayer("Bottom"), solidLayer("Middle"), textLayer("Top")};
}

// A mouse event with the left button's state as a drag has it (QTest moves carry no buttons).
void sendMouse(QWidget* widget, QEvent::Type type, QPoint position)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

bool near(const QColor& colour, Qt::GlobalColor expected)
{
    const QColor want(expected);
    return std::abs(colour.red() - want.red()) <= 2 && std::abs(colour.green() - want.green()) <= 2 &&
           std::abs(colour.blue() - want.blue()) <= 2 && colour.alpha() >= 253;
}

TEST(LayersPanel, RowsShowTheStackTopFirst)
{
    ShownPanel shown(threeLayers());
    LayerListModel* model = shown.model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->index(0).data().toString(), "Top");
    EXPECT_EQ(model->index(2).data().toString(), "Bottom");
    EXPECT_TRUE(model->index(0).data(LayerListModel::TextLayerRole).toBool());
    EXPECT_FALSE(model->index(1).data(LayerListModel::TextLayerRole).toBool());
    EXPECT_EQ(model->rowOfLayer(shown.state().layers[0].id), 2);
    EXPECT_EQ(model->layerIdAt(1), shown.state().layers[1].id);
    EXPECT_FALSE(model->layerIdAt(3).has_value());
    EXPECT_FALSE(model->layerIdAt(-1).has_value());
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(LayerListModel::rowOfStackIndex(LayerListModel::stackIndexOfRow(row, 3), 3), row);

    // The document's selection is shown; a structural change (an added layer) reloads the rows.
    EXPECT_EQ(shown.selectedRows(), QList<int>{0});
    shown.panel->addButton()->click();
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->index(0).data().toString(), "Layer 4");
    EXPECT_EQ(shown.selectedRows(), QList<int>{0});
    EXPECT_EQ(shown.document->history().entries().last().name, "Add Layer");
}

TEST(LayersPanel, GroupedLayersAreIndentedBehindOneBarPerGroup)
{
    // Rows: 0 "Top", 1 "B2", 2 "B1" (group B), 3 "A2", 4 "A1" (group A), 5 "Bottom".
    QVector<Layer> layers = {solidLayer("Bottom"), solidLayer("A1"), solidLayer("A2"),
                             solidLayer("B1"),     solidLayer("B2"), solidLayer("Top")};
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid();
    layers[1].groupID = layers[2].groupID = a;
    layers[3].groupID = layers[4].groupID = b;
    ShownPanel shown(layers);
    shown.panel->resize(260, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.model()->index(4).data(LayerListModel::GroupRole).toUuid(), a);
    EXPECT_FALSE(shown.model()->index(0).data(LayerListModel::GroupRole).isValid());

    const int loose = shown.rowLayout(0).thumbnail.left();
    for (int row : {1, 2, 3, 4}) {
        const LayerRowDelegate::RowLayout layout = shown.rowLayout(row);
        EXPECT_GT(layout.thumbnail.left(), loose) << row;
        EXPECT_GT(layout.thumbnail.left(), layout.groupBar.right()) << row;
        EXPECT_EQ(layout.lock.left(), shown.rowLayout(0).lock.left()) << row;  // the toggles stay in line
    }
    EXPECT_TRUE(shown.rowLayout(0).groupBar.isEmpty());
    EXPECT_TRUE(shown.rowLayout(5).groupBar.isEmpty());
    // One bar runs along a group's rows and breaks where the next group starts.
    EXPECT_EQ(shown.rowLayout(1).groupBar.bottom(), shown.rowRect(1).bottom());
    EXPECT_EQ(shown.rowLayout(2).groupBar.top(), shown.rowRect(2).top());
    EXPECT_LT(shown.rowLayout(2).groupBar.bottom(), shown.rowRect(2).bottom());
    EXPECT_GT(shown.rowLayout(3).groupBar.top(), shown.rowRect(3).top());

    // The bar is drawn, and still shows once its group is selected.
    const QPoint bar = shown.rowLayout(1).groupBar.center();
    const QPoint besideBar = bar + QPoint(shown.rowLayout(1).groupBar.width() + 2, 0);
    for (const bool selected : {false, true}) {
        if (selected)
            shown.click(1);
        EXPECT_EQ(shown.selectedRows().contains(1), selected);
        const QImage rows = shown.list()->viewport()->grab().toImage();
        EXPECT_NE(rows.pixelColor(bar), rows.pixelColor(besideBar)) << selected;
    }
}

TEST(LayersPanel, TheFirstNameShowsInFullInANewWindow)
{
    auto document = documentWith({solidLayer("Background")});
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    const QListView* list = window->findChild<LayersPanel*>()->listView();
    const QModelIndex row = list->model()->index(0, 0);
    EXPECT_EQ(LayerRowDelegate::shownName(list->visualRect(row), row, list->font()), "Background");
    window->close();
}

TEST(LayersPanel, ButtonsFollowTheLayersAndTargets)
{
    ShownPanel single({solidLayer("Only")});
    EXPECT_EQ(single.enabledButtons(), (std::map<QString, bool>{{"add", true}, {"delete", false}, {"duplicate", true},
                                                                {"group", false}, {"ungroup", false}, {"merge", false},
                                                                {"flatten", false}}));
    ShownPanel text({textLayer("Words")});
    EXPECT_TRUE(text.panel->flattenButton()->isEnabled());
    EXPECT_FALSE(text.panel->deleteButton()->isEnabled());

    ShownPanel three(threeLayers());
    EXPECT_TRUE(three.panel->deleteButton()->isEnabled());
    EXPECT_FALSE(three.panel->groupButton()->isEnabled());
    selectIndices(*three.document, 2, {1});
    EXPECT_TRUE(three.panel->groupButton()->isEnabled());
    EXPECT_TRUE(three.panel->mergeButton()->isEnabled());
    EXPECT_FALSE(three.panel->ungroupButton()->isEnabled());

    DocumentSpy spy(*three.document);
    three.panel->groupButton()->click();
    EXPECT_EQ(spy.recordedNames(), QStringList{"Group Layers"});
    EXPECT_TRUE(three.panel->ungroupButton()->isEnabled());
    three.panel->deleteButton()->click();
    EXPECT_EQ(spy.recordedNames(), (QStringList{"Group Layers", "Delete Layers"}));
    EXPECT_EQ(layerNames(three.state()), QStringList{"Bottom"});
    EXPECT_FALSE(three.panel->deleteButton()->isEnabled());
}

TEST(LayersPanel, ClickingSelectsLayersWithThePrimaryRule)
{
    // Rows: 0 "Top", 1 "Grouped B", 2 "Grouped A", 3 "Bottom".
    QVector<Layer> layers = {solidLayer("Bottom"), solidLayer("Grouped A"), solidLayer("Grouped B"), solidLayer("Top")};
    const QUuid group = QUuid::createUuid();
    layers[1].groupID = group;
    layers[2].groupID = group;
    ShownPanel shown(layers);

    DocumentSpy spy(*shown.document);
    shown.click(2);
    EXPECT_EQ(shown.primaryName(), "Grouped A");
    EXPECT_EQ(shown.selectedRows(), (QList<int>{1, 2}));
    EXPECT_TRUE(spy.recordedNames().isEmpty());
    // The primary row is bold while others are selected with it.
    EXPECT_TRUE(shown.model()->index(2).data(LayerListModel::EmphasisedRole).toBool());
    EXPECT_FALSE(shown.model()->index(1).data(LayerListModel::EmphasisedRole).toBool());

    // Clicking the other member changes the primary; the list still shows the whole group.
    shown.click(1);
    EXPECT_EQ(shown.primaryName(), "Grouped B");
    EXPECT_EQ(shown.selectedRows(), (QList<int>{1, 2}));

    // Shift-selecting with the primary still selected keeps it.
    shown.click(0);
    EXPECT_EQ(shown.primaryName(), "Top");
    shown.click(3, Qt::ShiftModifier);
    EXPECT_EQ(shown.primaryName(), "Top");
    EXPECT_EQ(shown.selectedRows(), (QList<int>{0, 1, 2, 3}));

    // Dropping the primary from the selection makes the topmost remaining row primary.
    shown.click(3);
    shown.click(0, Qt::ControlModifier);
    EXPECT_EQ(shown.primaryName(), "Bottom");
    shown.click(1, Qt::ControlModifier);
    EXPECT_EQ(shown.selectedRows(), (QList<int>{0, 1, 2, 3}));
    shown.click(3, Qt::ControlModifier);
    EXPECT_EQ(shown.primaryName(), "Top");
    EXPECT_EQ(shown.selectedRows(), (QList<int>{0, 1, 2}));
    EXPECT_TRUE(spy.recordedNames().isEmpty());
}

TEST(LayersPanel, DropsBetweenRowsReorderTheStack)
{
    ShownPanel shown(threeLayers());
    LayerListModel* model = shown.model();
    const QModelIndex root;

    // Dragging the bottom row writes its row number.
    std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(2)}));
    ASSERT_TRUE(dragged);
    EXPECT_EQ(dragged->data(LayerListModel::kRowMimeType), "2");

    QMimeData garbage;
    garbage.setData(LayerListModel::kRowMimeType, "two");
    EXPECT_FALSE(model->canDropMimeData(&garbage, Qt::MoveAction, 0, 0, root));
    EXPECT_FALSE(model->canDropMimeData(dragged.get(), Qt::MoveAction, -1, -1, model->index(0)));
    EXPECT_FALSE(model->canDropMimeData(dragged.get(), Qt::CopyAction, 0, 0, root));

    DocumentSpy spy(*shown.document);
    EXPECT_FALSE(model->dropMimeData(&garbage, Qt::MoveAction, 0, 0, root));
    EXPECT_FALSE(model->dropMimeData(dragged.get(), Qt::MoveAction, -1, -1, model->index(1)));
    // Just above or below itself the row stays where it is.
    EXPECT_FALSE(model->dropMimeData(dragged.get(), Qt::MoveAction, 2, 0, root));
    EXPECT_FALSE(model->dropMimeData(dragged.get(), Qt::MoveAction, 3, 0, root));
    EXPECT_TRUE(spy.silent());

    QMimeData bottomRow;
    bottomRow.setData(LayerListModel::kRowMimeType, "2");
    EXPECT_TRUE(model->dropMimeData(&bottomRow, Qt::MoveAction, 0, 0, root));
    EXPECT_EQ(layerNames(shown.state()), (QStringList{"Middle", "Top", "Bottom"}));
    EXPECT_EQ(model->index(0).data().toString(), "Bottom");
    EXPECT_EQ(spy.recordedNames(), QStringList{"Reorder Layer"});

    // A signed row is read; the top row dropped below the last row goes to the bottom.
    QMimeData topRow;
    topRow.setData(LayerListModel::kRowMimeType, "+0");
    EXPECT_TRUE(model->dropMimeData(&topRow, Qt::MoveAction, 3, 0, root));
    EXPECT_EQ(layerNames(shown.state()), (QStringList{"Bottom", "Middle", "Top"}));
}

TEST(LayersPanel, OpacityDragPreviewsLiveAndRecordsOnce)
{
    ShownPanel shown(threeLayers());
    OpacitySlider* slider = shown.panel->opacitySlider();
    EXPECT_EQ(slider->value(), 100);
    EXPECT_EQ(shown.panel->opacityLabel()->text(), "Opacity: 100%");
    EXPECT_EQ(slider->toolTip(), "Left/Right arrows adjust; Up/Down for larger steps");

    DocumentSpy spy(*shown.document);
    const QPoint start = slider->handleCentre(100);
    const QPoint end = slider->handleCentre(40);
    sendMouse(slider, QEvent::MouseButtonPress, start);
    for (int step = 1; step <= 4; ++step)
        sendMouse(slider, QEvent::MouseMove, start + (end - start) * step / 4);
    EXPECT_GE(spy.stateChanges(), 3);
    EXPECT_TRUE(spy.recordedNames().isEmpty());
    EXPECT_NEAR(shown.state().layers.last().opacity, 0.4, 1e-9);
    sendMouse(slider, QEvent::MouseButtonRelease, end);

    EXPECT_EQ(spy.recordedNames(), QStringList{"Layer Opacity"});
    EXPECT_NEAR(shown.state().layers.last().opacity, 0.4, 1e-9);
    EXPECT_EQ(shown.panel->opacityLabel()->text(), "Opacity: 40%");
    EXPECT_EQ(slider->value(), 40);

    // Holding an arrow key is live too; its release records once. Up is a coarse step.
    slider->setFocus();
    QTest::keyPress(slider, Qt::Key_Up);
    QTest::keyPress(slider, Qt::Key_Right);
    EXPECT_EQ(spy.recordedNames(), QStringList{"Layer Opacity"});
    QTest::keyRelease(slider, Qt::Key_Right);
    EXPECT_EQ(spy.recordedNames(), (QStringList{"Layer Opacity", "Layer Opacity"}));
    EXPECT_EQ(shown.panel->opacityLabel()->text(), "Opacity: 51%");

    // Without a primary layer there is nothing to show.
    CanvasState state = shown.state();
    state.selectedLayerID.reset();
    shown.document->setLiveState(state);
    EXPECT_EQ(shown.panel->opacityLabel()->text(), "Opacity: —");
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(shown.panel->blendPopUp()->isEnabled());
}

TEST(LayersPanel, TogglesLockAndBlendMode)
{
    ShownPanel shown(threeLayers());
    QComboBox* popUp = shown.panel->blendPopUp();
    ASSERT_EQ(popUp->count(), 16);
    EXPECT_EQ(popUp->itemText(6), "Color Dodge");
    EXPECT_EQ(popUp->itemText(15), "Luminosity");

    DocumentSpy spy(*shown.document);
    QTest::mouseClick(shown.list()->viewport(), Qt::LeftButton, {}, shown.rowLayout(0).lock.center());
    EXPECT_TRUE(shown.state().layers.last().isLocked);
    EXPECT_FALSE(shown.panel->opacitySlider()->isEnabled());
    EXPECT_FALSE(popUp->isEnabled());
    EXPECT_EQ(LayerRowDelegate::lockToolTip(true), "Unlock Layer");
    EXPECT_EQ(LayerRowDelegate::lockToolTip(false), "Lock Layer");

    // A toggle in another row changes that layer without selecting it.
    QTest::mouseClick(shown.list()->viewport(), Qt::LeftButton, {},
                      shown.rowLayout(2).visibility.center());
    EXPECT_FALSE(shown.state().layers.first().isVisible);
    EXPECT_EQ(shown.primaryName(), "Top");
    EXPECT_EQ(spy.recordedNames(), (QStringList{"Lock Layer", "Hide Layer"}));

    selectIndices(*shown.document, 1);
    EXPECT_TRUE(popUp->isEnabled());
    EXPECT_EQ(popUp->currentIndex(), 0);
    Q_EMIT popUp->activated(2);
    EXPECT_EQ(shown.state().layers[1].blendMode, LayerBlendMode::screen);
    EXPECT_EQ(spy.lastEntry(), "Blend Mode");
    EXPECT_EQ(popUp->currentIndex(), 2);
}

TEST(LayersPanel, EditingANameTrimsAndKeepsAnEmptyOne)
{
    ShownPanel shown(threeLayers());
    auto rename = [&](int row, const QString& text) {
        const QPoint name = shown.rowLayout(row).name.center();
        shown.click(row, {}, name);
        QTest::keyClick(shown.list(), Qt::Key_F2);
        QLineEdit* field = nullptr;
        for (QLineEdit* editor : shown.list()->viewport()->findChildren<QLineEdit*>())
            field = editor->isVisible() ? editor : field;
        ASSERT_NE(field, nullptr);
        field->selectAll();
        QTest::keyClicks(field, text);
        // The delegate commits on the next turn of the event loop, then closes the field.
        QSignalSpy closed(shown.list()->itemDelegate(), &QAbstractItemDelegate::closeEditor);
        // A row update while typing (its thumbnail arriving) keeps what was typed.
        Q_EMIT shown.model()->dataChanged(shown.model()->index(row), shown.model()->index(row));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_TRUE(test::waitUntil([&] { return closed.count() > 0; }));
    };
    DocumentSpy spy(*shown.document);
    rename(1, "   ");
    EXPECT_EQ(layerNames(shown.state()), (QStringList{"Bottom", "Middle", "Top"}));
    rename(1, "Middle");
    EXPECT_TRUE(spy.recordedNames().isEmpty());
    rename(1, "  Sky ");
    EXPECT_EQ(layerNames(shown.state()), (QStringList{"Bottom", "Sky", "Top"}));
    EXPECT_EQ(spy.recordedNames(), QStringList{"Rename Layer"});
}

TEST(LayersPanel, ThumbnailsArriveFromAWorkerAndFollowTheBitmap)
{
    ShownPanel shown({solidLayer("Big", 3000, 2000, {}, test::kBlue), textLayer("Hi")});
    LayerListModel* model = shown.model();
    LayerThumbnails* thumbnails = model->thumbnails();
    auto thumbnailOf = [&](int row) { return model->index(row).data(LayerListModel::ThumbnailRole).value<QImage>(); };

    ASSERT_TRUE(test::waitUntil([&] { return !thumbnailOf(1).isNull() && !thumbnailOf(0).isNull(); }));
    const QImage big = thumbnailOf(1);
    EXPECT_EQ(big.size(), QSize(80, 53));
    EXPECT_TRUE(near(big.pixelColor(big.width() / 2, big.height() / 2), Qt::blue));
    const QImage text = thumbnailOf(0);
    EXPECT_TRUE(std::any_of(text.constBits(), text.constBits() + text.sizeInBytes(), [](uchar c) { return c > 0; }));
    // The row shows it, framed.
    const QImage row = shown.list()->viewport()->grab(shown.rowLayout(1).thumbnail).toImage();
    EXPECT_TRUE(near(row.pixelColor(row.width() / 2, row.height() / 2), Qt::blue));

    // A new bitmap gets a new thumbnail; one no longer shown by the time it is drawn is not kept.
    const CacheCounts before = thumbnails->counts();
    CanvasState state = shown.state();
    state.layers[0].content = test::solidBitmap(3000, 2000, test::kRed);
    shown.document->setLiveState(state);
    EXPECT_TRUE(thumbnailOf(1).isNull());
    state.layers[0].content = test::solidBitmap(30, 20, {0, 255, 0, 255});
    shown.document->setLiveState(state);
    ASSERT_TRUE(test::waitUntil([&] { return !thumbnailOf(1).isNull() && thumbnails->isIdle(); }));
    EXPECT_TRUE(near(thumbnailOf(1).pixelColor(5, 5), Qt::green));
    EXPECT_EQ(thumbnails->counts().entries, before.entries + 1);
}

}  // namespace
}  // namespace velmaris
