#include "window/ColorWell.h"
#include "window/Sidebar.h"
#include "window/SidebarSection.h"
#include "window/TextStyleControls.h"

#include "canvas/CanvasTextEditor.h"
#include "canvas/CanvasView.h"
#include "document/DefaultTextAttributes.h"
#include "document/SelectionOperations.h"
#include "document/TestDocuments.h"
#include "document/TextEditingSession.h"
#include "render/FilterCatalogue.h"
#include "platform/Preferences.h"
#include "model/StyledText.h"
#include "QtWait.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::documentWith;
using test::DocumentSpy;
using test::solidLayer;
using test::textLayer;

// A sidebar shown on the offscreen screen, with plain widgets for the two panels.
struct ShownSidebar {
    ImageDocument* document;
    std::unique_ptr<Sidebar> sidebar;

    explicit ShownSidebar(ImageDocument* shownDocument)
        : document(shownDocument), sidebar(std::make_unique<Sidebar>(document, new QWidget, new QWidget))
    {
        sidebar->resize(260, 1400);
        sidebar->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sidebar.get()));
    }

    SidebarSection* section(const QString& key) const
    {
        return sidebar->findChild<SidebarSection*>(QStringLiteral("SidebarSection.") + key);
    }
    QPushButton* button(const QString& name) const { return sidebar->findChild<QPushButton*>(name); }
    TextStyleControls* text() const
    {
        return sidebar->findChild<TextStyleControls*>(QLatin1String(kTextStyleControlsName));
    }
    QLineEdit* sizeBox() const { return text()->fontSizeCombo()->lineEdit(); }
    // The buttons of a section, top to bottom.
    QStringList titles(const QString& key) const
    {
        QStringList all;
        for (QPushButton* button : section(key)->content()->findChildren<QPushButton*>())
            all.append(button->text());
        return all;
    }
};

const TextLayerAttributes& topText(const ImageDocument& document)
{
    return *document.state().layers.last().text();
}

// Pixels of the composite darker than mid grey: how much text ink shows.
int inkPixels(const ImageDocument& document)
{
    const Bitmap composite = *document.renderLiveComposite();
    int ink = 0;
    for (int y = 0; y < composite.height(); ++y)
        for (int x = 0; x < composite.width(); ++x)
            ink += test::pixelAt(composite, x, y)[1] < 128;
    return ink;
}

TEST(Sidebar, CollapsedSectionsAreSharedByEveryWindowAndKept)
{
    auto document = documentWith({solidLayer("Back")});
    ShownSidebar first(document.get());
    SidebarSection* history = first.section("history");
    ASSERT_TRUE(history);
    EXPECT_EQ(history->header()->text(), QStringLiteral(" History"));
    EXPECT_FALSE(history->isCollapsed());

    QTest::mouseClick(history->header(), Qt::LeftButton);
    EXPECT_TRUE(history->isCollapsed());
    EXPECT_TRUE(history->content()->isHidden());
    EXPECT_FALSE(first.section("layers")->isCollapsed());
    EXPECT_EQ(QSettings().value(QStringLiteral("app.velmaris.velmarisimages.SidebarSectionCollapsed.history")),
              QVariant(true));

    // A window opened later, and the one already open when the later one expands it again.
    ShownSidebar later(document.get());
    EXPECT_TRUE(later.section("history")->isCollapsed());
    EXPECT_TRUE(later.section("history")->content()->isHidden());
    EXPECT_FALSE(later.section("text")->isCollapsed());
    QTest::mouseClick(later.section("history")->header(), Qt::LeftButton);
    EXPECT_FALSE(history->isCollapsed());
    EXPECT_FALSE(history->content()->isHidden());
    EXPECT_EQ(Preferences().sidebarSectionCollapsed(QStringLiteral("history")), false);
}

TEST(Sidebar, StyleChangesWithABitmapLayerOnlySetTheNewTextDefaults)
{
    auto document = documentWith({solidLayer("Pixels", 8, 8)});
    ShownSidebar shown(document.get());
    const CanvasState before = document->state();
    const DocumentSpy spy(*document);
    QComboBox* families = shown.text()->fontFamilyPopUp();
    ASSERT_GT(families->count(), 1);

    // The default family shows as the family its text renders in.
    const QString shownFamily = families->currentText();
    EXPECT_EQ(shownFamily, QFontInfo(textFont(defaultTextAttributes(8, Preferences()).fontFamily, 48)).family());
    QTest::keyClick(families, Qt::Key_Down);
    const QString chosen = families->currentText();
    ASSERT_NE(chosen, shownFamily);
    QPushButton* well = shown.text()->textColorWell();
    QTest::mouseClick(well, Qt::LeftButton);
    ASSERT_TRUE(shown.text()->textColorWell()->colorDialog());
    shown.text()->textColorWell()->colorDialog()->setCurrentColor(QColor(255, 0, 0));
    shown.text()->textColorWell()->colorDialog()->accept();

    EXPECT_TRUE(document->state() == before);
    EXPECT_TRUE(spy.silent());
    EXPECT_EQ(Preferences().defaultTextFontName(), chosen);
    EXPECT_EQ(Preferences().defaultTextColor(), (StoredColor{1, 0, 0, 1}));

    addTextLayer(*document, {10, 10});
    EXPECT_EQ(topText(*document).fontFamily, chosen);
    EXPECT_EQ(topText(*document).color, (StoredColor{1, 0, 0, 1}));
    EXPECT_EQ(families->currentText(), chosen);
}

TEST(Sidebar, ATypedSizeShowsAtOnceRecordsOneStepAndInvalidTextReverts)
{
    auto document = documentWith({solidLayer("Back", 100, 100, {}, {255, 255, 255, 255}), textLayer("H", {2, 2})});
    ShownSidebar shown(document.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(shown.sidebar.get()));
    QLineEdit* box = shown.sizeBox();
    EXPECT_EQ(box->text(), QStringLiteral("24"));
    const int smallInk = inkPixels(*document);
    const DocumentSpy spy(*document);

    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("300"));
    EXPECT_EQ(topText(*document).fontSize, 300);
    EXPECT_EQ(box->text(), QStringLiteral("300"));
    EXPECT_EQ(spy.newEntries(), 0);
    EXPECT_GT(document->state().layers.last().pixelSize().height(), 300);
    EXPECT_GT(inkPixels(*document), 5 * smallInk);

    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(spy.recordedNames(), QStringList{QStringLiteral("Text Style")});
    EXPECT_EQ(topText(*document).fontSize, 300);

    // A live preview (the box keeps the typed "10." rather than showing the size 10), then text
    // that is no size, then the focus moves on.
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("10.5"));
    EXPECT_EQ(topText(*document).fontSize, 10.5);
    EXPECT_EQ(box->text(), QStringLiteral("10.5"));
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("abc"));
    shown.text()->fontFamilyPopUp()->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return !box->hasFocus(); }));
    EXPECT_EQ(topText(*document).fontSize, 300);
    EXPECT_EQ(box->text(), QStringLiteral("300"));
    EXPECT_EQ(spy.recordedNames(), QStringList{QStringLiteral("Text Style")});
}

TEST(Sidebar, WhileEditingTheControlsStyleTheSessionAndShowMixedStyles)
{
    StoredColor red{1, 0, 0, 1};
    auto document = documentWith({textLayer("ab", {}, 24, {TextStyleRun{1, 36, red, {}}})});
    ShownSidebar shown(document.get());
    editTextLayer(*document, document->state().layers.last().id);
    setEditingSelectedRange(*document, TextRange{0, 2});
    EXPECT_EQ(shown.sizeBox()->text(), QString());
    EXPECT_TRUE(shown.text()->textColorWell()->isMixed());
    setEditingSelectedRange(*document, TextRange{0, 1});
    EXPECT_EQ(shown.sizeBox()->text(), QStringLiteral("36"));
    EXPECT_FALSE(shown.text()->textColorWell()->isMixed());

    const DocumentSpy spy(*document);
    const CanvasState before = document->state();
    shown.sizeBox()->selectAll();
    QTest::keyClicks(shown.sizeBox(), QStringLiteral("18"));
    QTest::keyClick(shown.sizeBox(), Qt::Key_Return);
    ASSERT_TRUE(document->textEditing());
    EXPECT_EQ(document->textEditing()->attributes.resolvedStyle(0).fontSize, 18);
    EXPECT_EQ(document->textEditing()->attributes.resolvedStyle(1).fontSize, 24);
    EXPECT_TRUE(document->state() == before);
    EXPECT_EQ(spy.newEntries(), 0);
}

TEST(Sidebar, TheStyleControlsKeepInPlaceEditingOpenAndStyleTheEditorsText)
{
    auto document = documentWith({textLayer("Word", {10, 10})});
    QWidget window;
    auto* canvas = new CanvasView(document.get());
    auto* sidebar = new Sidebar(document.get(), new QWidget, new QWidget);
    auto* elsewhere = new QLineEdit;
    auto* row = new QHBoxLayout(&window);
    row->addWidget(canvas, 1);
    row->addWidget(sidebar);
    row->addWidget(elsewhere);
    window.resize(900, 700);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const DocumentSpy spy(*document);

    editTextLayer(*document, document->state().layers.last().id);
    ASSERT_TRUE(test::waitUntil([&] { return canvas->hasFocus(); }));
    QLineEdit* box = sidebar->findChild<TextStyleControls*>()->fontSizeCombo()->lineEdit();
    box->setFocus(Qt::MouseFocusReason);
    box->selectAll();
    // Return comes before the editor has passed its restyled text back to the session.
    QTest::keyClicks(box, QStringLiteral("18"));
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_TRUE(test::waitUntil([&] { return document->textEditing()->attributes.fontSize == 18; }));
    EXPECT_EQ(box->text(), QStringLiteral("18"));
    EXPECT_EQ(spy.newEntries(), 0);

    // Leaving the controls does not end the edit (the editor had already given up the focus); the
    // commit, from a tool change for example, records the styled text as one step.
    elsewhere->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(document->textEditing());
    commitTextEditing(*document);
    EXPECT_EQ(spy.recordedNames(), QStringList{QStringLiteral("Edit Text Layer")});
    EXPECT_EQ(topText(*document).fontSize, 18);
}

TEST(Sidebar, AfterTheTextColorDialogTheKeysGoOnToTheEditor)
{
    auto document = documentWith({textLayer("Word", {10, 10})});
    QWidget window;
    auto* canvas = new CanvasView(document.get());
    auto* sidebar = new Sidebar(document.get(), new QWidget, new QWidget);
    auto* row = new QHBoxLayout(&window);
    row->addWidget(canvas, 1);
    row->addWidget(sidebar);
    window.resize(900, 700);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    editTextLayer(*document, document->state().layers.last().id);
    ASSERT_TRUE(test::waitUntil([&] { return canvas->hasFocus(); }));

    ColorWell* well = sidebar->findChild<TextStyleControls*>()->textColorWell();
    QTest::mouseClick(well, Qt::LeftButton);
    ASSERT_NE(well->colorDialog(), nullptr);
    well->colorDialog()->setCurrentColor(Qt::red);
    well->colorDialog()->accept();
    const StoredColor red{1, 0, 0, 1};
    ASSERT_TRUE(test::waitUntil([&] { return document->textEditing()->attributes.resolvedStyle(3).color == red; }));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // The whole text is still selected: typing replaces it, in red.
    QTest::keyClicks(nullptr, QStringLiteral("Go"));
    ASSERT_TRUE(test::waitUntil([&] { return document->textEditing()->attributes.string == "Go"; }));
    EXPECT_EQ(document->textEditing()->attributes.resolvedStyle(1).color, red);
}

TEST(Sidebar, AFamilyThatIsNotInstalledShowsAsTheFamilyThatRenders)
{
    const QString missing = QStringLiteral("No Such Family");
    const QString rendered = QFontInfo(textFont(missing, 48)).family();
    ASSERT_NE(rendered, missing);
    Preferences().setValue(PreferenceName::defaultTextFontName, missing);
    Layer text = textLayer("Word");
    std::get<TextLayerAttributes>(text.content).fontFamily = missing;
    auto document = documentWith({solidLayer("Back"), text});
    ShownSidebar shown(document.get());
    QComboBox* popUp = shown.text()->fontFamilyPopUp();
    EXPECT_EQ(popUp->currentText(), rendered);  // the selected text layer
    EXPECT_EQ(popUp->findText(missing), -1);
    test::selectIndices(*document, 0);
    EXPECT_EQ(popUp->currentText(), rendered);  // the default for new text layers
    // What is stored keeps the name asked for.
    EXPECT_EQ(topText(*document).fontFamily, missing);
    EXPECT_EQ(Preferences().defaultTextFontName(), missing);
}

TEST(Sidebar, ImageAndSelectionButtonsFollowTheSelectionAndAskForTheirCommand)
{
    auto document = documentWith({solidLayer("Back", 100, 100)});
    ShownSidebar shown(document.get());
    EXPECT_EQ(shown.titles("image"), (QStringList{"Image Size…", "Rotate 90° Clockwise",
                                                   "Rotate 90° Counterclockwise", "Crop to Selection"}));
    EXPECT_EQ(shown.titles("selection"),
              (QStringList{"Select All", "Deselect", "Fill Selection", "Stroke Selection…"}));
    const QStringList always{"showImageSize", "rotateClockwise", "rotateCounterclockwise", "selectAllCanvas"};
    const QStringList inCanvas{"cropToSelection", "fillSelection", "strokeSelection"};
    const auto enabled = [&](const QStringList& names) {
        QList<bool> states;
        for (const QString& name : names)
            states.append(shown.button(name)->isEnabled());
        return states;
    };

    EXPECT_EQ(enabled(always), QList<bool>(4, true));
    EXPECT_EQ(enabled(inCanvas + QStringList{"deselect"}), QList<bool>(4, false));
    document->setSelectionRect(QRectF(150, 120, 20, 20));
    EXPECT_EQ(enabled(inCanvas), QList<bool>(3, false));
    EXPECT_TRUE(shown.button("deselect")->isEnabled());
    document->setSelectionRect(QRectF(99.5, 10, 20, 20));
    EXPECT_EQ(enabled(inCanvas), QList<bool>(3, true));

    QSignalSpy requests(shown.sidebar.get(), &Sidebar::commandRequested);
    QTest::mouseClick(shown.button("cropToSelection"), Qt::LeftButton);
    deselect(*document);
    QTest::mouseClick(shown.button("fillSelection"), Qt::LeftButton);  // disabled now
    QTest::mouseClick(shown.button("rotateCounterclockwise"), Qt::LeftButton);
    ASSERT_EQ(requests.count(), 2);
    EXPECT_EQ(requests[0][0].value<CommandID>(), CommandID::cropToSelection);
    EXPECT_EQ(requests[1][0].value<CommandID>(), CommandID::rotateCounterclockwise);
    EXPECT_EQ(requests[1][1].toString(), QString());
}

TEST(Sidebar, FilterButtonsListTheCatalogueNeedALayerAndAskForTheirFilter)
{
    auto document = documentWith({solidLayer("Back")});
    ShownSidebar shown(document.get());
    const std::pair<QString, FilterCategory> sections[] = {{"adjustments", FilterCategory::adjustment},
                                                           {"filters", FilterCategory::essential},
                                                           {"artistic", FilterCategory::artistic},
                                                           {"distort", FilterCategory::distort}};
    for (const auto& [key, category] : sections) {
        QStringList expected;
        for (const FilterDescriptor& filter : filterCatalogue())
            if (filter.category == category)
                expected.append(filter.menuTitle);
        EXPECT_EQ(shown.titles(key), expected) << key.toStdString();
    }

    const auto enabledFilters = [&] {
        int count = 0;
        for (const FilterDescriptor& filter : filterCatalogue())
            count += shown.button(filter.identifier)->isEnabled();
        return count;
    };
    EXPECT_EQ(enabledFilters(), filterCatalogue().size());
    document->changeLiveState([](CanvasState& state) { state.selectedLayerID.reset(); });
    EXPECT_EQ(enabledFilters(), 0);

    QSignalSpy requests(shown.sidebar.get(), &Sidebar::commandRequested);
    const QString identifier = filterCatalogue().last().identifier;
    QTest::mouseClick(shown.button(identifier), Qt::LeftButton);
    EXPECT_EQ(requests.count(), 0);
    test::selectIndices(*document, 0);
    QTest::mouseClick(shown.button(identifier), Qt::LeftButton);
    ASSERT_EQ(requests.count(), 1);
    EXPECT_EQ(requests[0][0].value<CommandID>(), CommandID::applyFilter);
    EXPECT_EQ(requests[0][1].toString(), identifier);
}

}  // namespace
}  // namespace velmaris
