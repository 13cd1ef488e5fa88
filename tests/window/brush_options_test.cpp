#include "window/tooloptions/BrushOptions.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/BrushTool.h"
#include "document/TestDocuments.h"
#include "window/DocumentActions.h"
#include "window/DocumentWindow.h"
#include "window/StatusLine.h"

#include <QAction>
#include <QComboBox>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

TEST(BrushOptions, StoredSettingsReadBackAndOddValuesFallBackOrAreClamped)
{
    const BrushSettings chosen{BrushPreset::airbrush, 35, 0.4, 0.25};
    EXPECT_EQ(brushSettingsFromStored(storedBrushSettings(chosen)), chosen);
    const BrushSettings odd = brushSettingsFromStored({{"preset", "crayon"}, {"size", 9000}, {"opacity", "thick"}});
    EXPECT_EQ(odd.preset, BrushSettings{}.preset);
    EXPECT_EQ(odd.size, BrushSettings::kMaxSize);
    EXPECT_EQ(odd.opacity, BrushSettings{}.opacity);
    EXPECT_EQ(odd.hardness, BrushSettings{}.hardness);
}

TEST(BrushOptions, TheRowShowsWithItsToolSetsItAndIsRememberedPerTool)
{
    auto document = test::documentWith({test::solidLayer(QStringLiteral("A"), 50, 50)}, {50, 50});
    auto* window = new DocumentWindow(document.get());
    window->show();
    auto* options = qobject_cast<BrushOptions*>(window->statusLine()->toolOptions(EditorTool::brush));
    auto* eraserOptions = qobject_cast<BrushOptions*>(window->statusLine()->toolOptions(EditorTool::eraser));
    ASSERT_TRUE(options && eraserOptions);
    EXPECT_FALSE(options->isVisible());
    window->runCommand(CommandID::selectBrushTool);
    EXPECT_EQ(window->canvas()->tool(), EditorTool::brush);
    EXPECT_TRUE(window->actions()->action(CommandID::selectBrushTool)->isChecked());
    EXPECT_TRUE(options->sizeField()->isVisible());
    EXPECT_FALSE(eraserOptions->isVisible());

    options->presetField()->setCurrentIndex(options->presetField()->findText(QStringLiteral("Marker")));
    options->sizeField()->setValue(64);
    options->opacityField()->setValue(50);
    options->hardnessField()->setValue(30);
    const BrushSettings expected{BrushPreset::marker, 64, 0.5, 0.3};
    const auto& brush = static_cast<const BrushTool&>(window->canvas()->toolObject(EditorTool::brush));
    EXPECT_EQ(brush.settings(), expected);
    window->runCommand(CommandID::selectEraserTool);
    EXPECT_TRUE(eraserOptions->sizeField()->isVisible());
    EXPECT_FALSE(options->isVisible());
    delete window;

    // The next window starts with the brush as it was left; the eraser kept its own settings.
    auto* next = new DocumentWindow(document.get());
    EXPECT_EQ(static_cast<const BrushTool&>(next->canvas()->toolObject(EditorTool::brush)).settings(), expected);
    EXPECT_EQ(static_cast<const BrushTool&>(next->canvas()->toolObject(EditorTool::eraser)).settings(), BrushSettings{});
    auto* nextOptions = qobject_cast<BrushOptions*>(next->statusLine()->toolOptions(EditorTool::brush));
    EXPECT_EQ(nextOptions->presetField()->currentText(), QStringLiteral("Marker"));
    EXPECT_EQ(nextOptions->sizeField()->value(), 64);
    delete next;
}

}  // namespace
}  // namespace velmaris
