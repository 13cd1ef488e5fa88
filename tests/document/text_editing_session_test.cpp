#include "document/TextEditingSession.h"
#include "TestDocuments.h"
#include "document/LayerStackOperations.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::documentWith;
using test::DocumentSpy;
using test::solidLayer;
using test::textLayer;

std::unique_ptr<ImageDocument> documentWithLayers(QVector<Layer> layers)
{
    auto document = documentWith(std::move(layers), {600, 240});
    document->recordHistory(QStringLiteral("Setup"));
    return document;
}

void typeText(ImageDocument& document, const QString& text)
{
    TextEditingSession session = *document.textEditing();
    session.attributes.string = text;
    document.replaceTextEditing(session);
}

TEST(TextEditingSession, AddedLayerCommitsOnceAndEmptyTextIsNeverCommitted)
{
    auto document = documentWithLayers({solidLayer(QStringLiteral("Layer"), 10, 10, {0, 0})});
    QSignalSpy editing(document.get(), &ImageDocument::textEditingDidChange);
    addTextLayer(*document, {12.5, 30});
    ASSERT_TRUE(document->textEditing());
    const Layer& added = document->state().layers.last();
    EXPECT_EQ(added.name, "Text");
    EXPECT_EQ(added.origin, QPointF(12.5, 30));
    EXPECT_EQ(document->state().selectedLayerID, added.id);
    EXPECT_EQ(document->textEditing()->historyName, "Add Text Layer");
    EXPECT_EQ(editing.count(), 1);

    typeText(*document, "Hello");
    DocumentSpy spy(*document);
    commitTextEditing(*document);
    EXPECT_EQ(spy.lastEntry(), "Add Text Layer");
    EXPECT_EQ(document->state().layers.last().text()->string, "Hello");

    addTextLayer(*document, {1, 1});
    typeText(*document, " \n ");
    commitTextEditing(*document);
    EXPECT_EQ(document->state().layers.size(), 2);
    EXPECT_EQ(spy.newEntries(), 1);
}

TEST(TextEditingSession, EditingWithoutChangesRecordsNothingAndEscapeRestores)
{
    auto document = documentWithLayers({textLayer("Old", {0, 0}, 20)});
    const QUuid id = document->state().layers.first().id;
    DocumentSpy spy(*document);
    editTextLayer(*document, id);
    ASSERT_TRUE(document->textEditing());
    EXPECT_EQ(document->textEditing()->historyName, "Edit Text Layer");
    commitTextEditing(*document);
    EXPECT_EQ(spy.newEntries(), 0);

    editTextLayer(*document, id);
    typeText(*document, "New");
    cancelTextEditing(*document);
    EXPECT_EQ(document->state().layers.first().text()->string, "Old");
    EXPECT_FALSE(document->textEditing());

    // Deleting every character keeps the last committed text.
    editTextLayer(*document, id);
    typeText(*document, "");
    commitTextEditing(*document);
    EXPECT_EQ(document->state().layers.first().text()->string, "Old");
    EXPECT_EQ(spy.newEntries(), 0);

    // A layer deleted while it is edited takes the edit with it: only the deletion is recorded.
    auto deleting = documentWithLayers({solidLayer(QStringLiteral("Layer"), 5, 5), textLayer("Gone", {0, 0}, 20)});
    DocumentSpy deletingSpy(*deleting);
    editTextLayer(*deleting, deleting->state().layers.last().id);
    typeText(*deleting, "Going");
    ASSERT_TRUE(deleteLayer(*deleting));
    commitTextEditing(*deleting);
    EXPECT_FALSE(deleting->textEditing());
    EXPECT_EQ(test::layerNames(deleting->state()), QStringList{"Layer"});
    EXPECT_EQ(deletingSpy.recordedNames(), QStringList{"Delete Layer"});

    Layer locked = textLayer("L", {0, 0}, 20);
    locked.isLocked = true;
    auto lockedDocument = documentWithLayers({locked, solidLayer(QStringLiteral("Layer"), 5, 5, {0, 0})});
    editTextLayer(*lockedDocument, lockedDocument->state().layers[0].id);
    editTextLayer(*lockedDocument, lockedDocument->state().layers[1].id);
    EXPECT_FALSE(lockedDocument->textEditing());
}

TEST(TextEditingSession, StylesApplyToTheSelectedWordOrTheWholeText)
{
    auto document = documentWithLayers({textLayer("one two", {0, 0}, 20)});
    editTextLayer(*document, document->state().layers.first().id);
    setEditingSelectedRange(*document, TextRange{4, 3});
    applyTextStyle(*document, 40.0, std::nullopt, std::nullopt);
    QVector<TextStyleRun> expected{{4, {}, {}, {}}, {3, 40.0, {}, {}}};
    EXPECT_EQ(document->textEditing()->attributes.runs, expected);

    // Choosing the base size again leaves no runs.
    applyTextStyle(*document, 20.0, std::nullopt, std::nullopt);
    EXPECT_TRUE(document->textEditing()->attributes.runs.isEmpty());

    setEditingSelectedRange(*document, std::nullopt);
    applyTextStyle(*document, std::nullopt, StoredColor{1, 0, 0, 1}, QStringLiteral("Serif"));
    EXPECT_EQ(document->textEditing()->attributes.color, (StoredColor{1, 0, 0, 1}));
    EXPECT_EQ(document->textEditing()->attributes.fontFamily, "Serif");

    // An installed editor styles its own text; the session waits for the editor to report back.
    int applied = 0;
    document->setEditorStyleApplier([&](auto, auto, auto, auto) { return ++applied > 0; });
    applyTextStyle(*document, 10.0, std::nullopt, std::nullopt);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(document->textEditing()->attributes.fontSize, 20);
}

TEST(TextEditingSession, RunsFromStyledTextKeepOnlyDifferences)
{
    TextLayerAttributes base{"abcdef", "DejaVu Sans", 20, StoredColor{0.2, 0.4, 0.6, 1}, {}};
    TextLayerAttributes styled = base;
    styled.runs = {{2, {}, {}, {}}, {2, 32.0, StoredColor{1, 0, 0, 1}, {}}, {2, {}, {}, QStringLiteral("NoSuchFont")}};
    QVector<TextStyleRun> runs = runsFromStyledText(styledText(styled), base);
    TextLayerAttributes roundTrip = base;
    roundTrip.runs = runs;
    roundTrip.normalizeRuns();
    EXPECT_EQ(roundTrip.runs, styled.runs);
    EXPECT_TRUE(runsFromStyledText(styledText(base), base).size() == 1);
    EXPECT_FALSE(runsFromStyledText(styledText(base), base).first().hasOverride());
}

}  // namespace
}  // namespace velmaris
