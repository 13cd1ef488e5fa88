#include "document/CommandEnabling.h"

#include "document/TestDocuments.h"
#include "document/TransformSession.h"
#include "platform/ToolCatalogue.h"

#include <gtest/gtest.h>

#include <functional>

namespace velmaris {
namespace {

struct Situation {
    const char* name;
    std::function<std::unique_ptr<ImageDocument>()> make;
    // Commands expected enabled; every other command of `kCommands` is expected disabled.
    QList<CommandID> enabled;
};

using enum CommandID;

const QList<CommandID> kCommands = {
    deleteLayer,     flattenImage, editTextLayer,  duplicateLayer,    alignLeft,       freeTransform,
    flipLayerHorizontal, showLayerEffects, toggleLayerLock, invertSelection, groupLayers, mergeLayers,
    ungroupLayers,   cropToSelection, fillSelection, strokeSelection,  deselect,        applyFilter,
    exportAs,        flipImageVertical, cut,
};

TEST(CommandEnabling, FollowsTheDocumentInEachSituation)
{
    const QList<CommandID> always = {exportAs, flipImageVertical};
    const QList<CommandID> primaryCommands = {duplicateLayer, alignLeft, applyFilter, toggleLayerLock};
    const QList<CommandID> unlockedCommands = {freeTransform, flipLayerHorizontal, showLayerEffects};
    const std::vector<Situation> situations = {
        {"one bitmap layer", [] { return test::documentWith({test::solidLayer("A")}); },
         always + primaryCommands + unlockedCommands},
        {"one text layer", [] { return test::documentWith({test::textLayer("Hi")}); },
         always + primaryCommands + unlockedCommands + QList<CommandID>{flattenImage, editTextLayer}},
        {"locked primary of two",
         [] {
             Layer locked = test::solidLayer("B");
             locked.isLocked = true;
             return test::documentWith({test::solidLayer("A"), locked});
         },
         always + primaryCommands + QList<CommandID>{deleteLayer, flattenImage}},
        {"running transform on a locked layer",
         [] {
             auto document = test::documentWith({test::solidLayer("A")});
             beginTransform(*document);
             CanvasState state = document->state();
             state.layers[0].isLocked = true;
             document->setLiveState(state);
             return document;
         },
         always + primaryCommands + QList<CommandID>{freeTransform}},
        {"selection outside the canvas, two grouped targets",
         [] {
             auto document = test::documentWith({test::solidLayer("A"), test::solidLayer("B")});
             CanvasState state = document->state();
             const QUuid group = QUuid::createUuid();
             state.layers[0].groupID = group;
             state.layers[1].groupID = group;
             state.extraSelectedLayerIDs = {state.layers[0].id};
             document->setLiveState(state);
             document->setSelectionRect(QRectF(150, 150, 20, 20));
             return document;
         },
         always + primaryCommands + unlockedCommands +
             QList<CommandID>{deleteLayer, flattenImage, invertSelection, groupLayers, mergeLayers,
                         ungroupLayers, deselect}},
        {"no layer, selection inside",
         [] {
             auto document = test::documentWith({});
             document->setSelectionRect(QRectF(10.5, 10.5, 5, 5));
             return document;
         },
         always + QList<CommandID>{invertSelection, cropToSelection, fillSelection, strokeSelection, deselect}},
        {"selection inside on a bitmap layer",
         [] {
             auto document = test::documentWith({test::solidLayer("A")});
             document->setSelectionRect(QRectF(10.5, 10.5, 5, 5));
             return document;
         },
         always + primaryCommands + unlockedCommands +
             QList<CommandID>{invertSelection, cropToSelection, fillSelection, strokeSelection, deselect, cut}},
        {"selection inside on a text layer",
         [] {
             auto document = test::documentWith({test::textLayer("Hi")});
             document->setSelectionRect(QRectF(10.5, 10.5, 5, 5));
             return document;
         },
         always + primaryCommands + unlockedCommands +
             QList<CommandID>{flattenImage, editTextLayer, invertSelection, cropToSelection, fillSelection,
                              strokeSelection, deselect}},
    };
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.name);
        auto document = situation.make();
        for (const CommandID command : kCommands)
            EXPECT_EQ(commandAvailability(document.get(), command, false).enabled, situation.enabled.contains(command))
                << commandRow(command).name;
    }
}

TEST(CommandEnabling, TitlesChecksPasteAndNoDocument)
{
    auto document = test::documentWith({test::solidLayer("A")});
    EXPECT_EQ(commandAvailability(document.get(), freeTransform, false).title, "Free Transform");
    beginTransform(*document);
    EXPECT_EQ(commandAvailability(document.get(), freeTransform, false).title, "Commit Transform");

    EXPECT_EQ(commandAvailability(document.get(), marqueeRectangle, false).checked, true);
    document->setSelectionShape(SelectionShape::ellipse);
    EXPECT_EQ(commandAvailability(document.get(), marqueeEllipse, false).checked, true);
    EXPECT_EQ(commandAvailability(document.get(), marqueeRectangle, false).checked, false);
    EXPECT_EQ(commandAvailability(document.get(), toggleLayerLock, false).checked, false);

    EXPECT_FALSE(commandAvailability(document.get(), paste, false).enabled);
    EXPECT_TRUE(commandAvailability(document.get(), paste, true).enabled);
    // Every command has a rule, and none is enabled without a document.
    for (const CommandRow& row : allCommandRows()) {
        EXPECT_FALSE(commandAvailability(nullptr, row.id, true).enabled) << row.name;
        EXPECT_EQ(commandAvailability(document.get(), row.id, false).checked.has_value(),
                  row.checkable && !toolForCommand(row.id))  // the window checks the tool it shows
            << row.name;
    }
    EXPECT_TRUE(commandAvailability(document.get(), zoomIn, false).enabled);
}

}  // namespace
}  // namespace velmaris
