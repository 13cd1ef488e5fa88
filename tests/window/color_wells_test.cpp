#include "window/ColorWells.h"

#include "QtWait.h"
#include "document/TestDocuments.h"
#include "platform/CurrentColorStore.h"
#include "window/ColorWell.h"
#include "window/DocumentWindow.h"

#include <QColorDialog>
#include <QFrame>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

struct ShownWindow {
    std::unique_ptr<ImageDocument> document = test::documentWith({test::solidLayer("A")}, {200, 100});
    DocumentWindow* window = new DocumentWindow(document.get());

    ShownWindow()
    {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    ~ShownWindow() { delete window; }
    ColorWells& wells() const { return *window->colorWells(); }
    QToolButton* toolbarButton(const char* name) const
    {
        return window->toolbar()->findChild<QToolButton*>(QStringLiteral("toolbar.") + QLatin1String(name));
    }
};

// Clicks the well and waits for its colour dialog.
QColorDialog* openDialog(ColorWell* well)
{
    QTest::mouseClick(well, Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([well] { return well->colorDialog() && well->colorDialog()->isVisible(); }));
    return well->colorDialog();
}

TEST(ColorWells, ShowBothColorsAndTheToolbarSwapsAndResetsThem)
{
    ShownWindow shown;
    CurrentColorStore& store = CurrentColorStore::shared();
    store.setColor(QColor(Qt::red));
    EXPECT_EQ(shown.wells().currentWell()->color(), QColor(Qt::red));
    EXPECT_EQ(shown.wells().backgroundWell()->color(), QColor(Qt::white));
    EXPECT_EQ(shown.wells().backgroundWell()->toolTip(), "Background Color");

    QTest::mouseClick(shown.toolbarButton("swapColors"), Qt::LeftButton);
    EXPECT_EQ(shown.wells().currentWell()->color(), QColor(Qt::white));
    EXPECT_EQ(shown.wells().backgroundWell()->color(), QColor(Qt::red));
    QTest::mouseClick(shown.toolbarButton("resetColors"), Qt::LeftButton);
    EXPECT_EQ(store.color(), (StoredColor{0, 0, 0, 1}));
    EXPECT_EQ(store.backgroundColor(), (StoredColor{1, 1, 1, 1}));

    // The background well's dialog sets the background colour only.
    QColorDialog* dialog = openDialog(shown.wells().backgroundWell());
    EXPECT_EQ(dialog->windowTitle(), "Background Color");
    dialog->setCurrentColor(QColor(0, 0, 255));
    dialog->accept();
    EXPECT_EQ(store.backgroundColor().toColor().rgba(), QColor(0, 0, 255).rgba());
    EXPECT_EQ(store.color(), (StoredColor{0, 0, 0, 1}));
}

TEST(ColorWells, ColorDialogsShowAndKeepTheCustomColors)
{
    ShownWindow shown;
    CurrentColorStore& store = CurrentColorStore::shared();
    store.setCustomColors({StoredColor{1, 0, 0, 1}, StoredColor{0, 1, 0, 1}});
    QColorDialog::setCustomColor(0, Qt::black);  // what another session left in memory counts for nothing

    QColorDialog* dialog = openDialog(shown.wells().currentWell());
    EXPECT_EQ(QColorDialog::customColor(0).rgba(), QColor(Qt::red).rgba());
    EXPECT_EQ(QColorDialog::customColor(1).rgba(), QColor(Qt::green).rgba());
    // The user adds a colour to the custom ones and closes the dialog without choosing.
    dialog->setCurrentColor(QColor(10, 20, 30));
    QPushButton* add = nullptr;
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text().contains("Custom Colors"))
            add = button;
    ASSERT_TRUE(add);
    QTest::mouseClick(add, Qt::LeftButton);
    dialog->reject();

    const StoredColor added = StoredColor::fromColor(QColor(10, 20, 30));
    EXPECT_TRUE(store.customColors().contains(added));
    EXPECT_EQ(store.customColors().size(), QColorDialog::customCount());
    // Kept in the settings for the next launch.
    EXPECT_EQ(CurrentColorStore().customColors(), store.customColors());
}

TEST(ColorWells, RecentColorsPopupMakesAColorCurrentAgain)
{
    ShownWindow shown;
    CurrentColorStore& store = CurrentColorStore::shared();
    QTest::mouseClick(shown.wells().recentButton(), Qt::LeftButton);
    QFrame* popup = shown.wells().recentPopup();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->findChildren<QToolButton*>().isEmpty());
    popup->close();

    store.setColor(QColor(Qt::red));
    store.setColor(QColor(Qt::blue));
    QTest::mouseClick(shown.wells().recentButton(), Qt::LeftButton);
    popup = shown.wells().recentPopup();
    ASSERT_TRUE(popup && popup->isVisible());
    const QList<QToolButton*> swatches = popup->findChildren<QToolButton*>("recentColor");
    ASSERT_EQ(swatches.size(), 2);
    EXPECT_EQ(swatches[0]->toolTip(), QColor(Qt::blue).name(QColor::HexArgb));
    QTest::mouseClick(swatches[1], Qt::LeftButton);
    EXPECT_EQ(store.color(), StoredColor::fromColor(QColor(Qt::red)));
    EXPECT_EQ(store.recentColors().front(), StoredColor::fromColor(QColor(Qt::red)));
    EXPECT_EQ(shown.wells().currentWell()->color(), QColor(Qt::red));
    EXPECT_TRUE(test::waitUntil([&] { return !shown.wells().recentPopup(); }));
}

}  // namespace
}  // namespace velmaris
