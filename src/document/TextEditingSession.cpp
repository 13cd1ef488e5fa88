#include "document/TextEditingSession.h"

#include "document/DefaultTextAttributes.h"
#include "document/ImageDocument.h"
#include "document/LayerSelection.h"
#include "document/LayerTargets.h"
#include "document/WholeTextStyle.h"
#include "platform/Preferences.h"

#include <algorithm>

namespace velmaris {

namespace {

const QString kAddTextLayer = QStringLiteral("Add Text Layer");
const QString kEditTextLayer = QStringLiteral("Edit Text Layer");

void openSession(ImageDocument& document, const QUuid& id, const TextLayerAttributes& attributes,
                 const QString& historyName)
{
    document.replaceTextEditing(TextEditingSession{id, attributes, historyName, std::nullopt});
    document.announceTextEditingChange();
}

template <typename T>
void setOverride(std::optional<T>& override, const std::optional<T>& requested, const T& base)
{
    if (requested)
        override = *requested == base ? std::nullopt : requested;
}

// Sets the requested attributes on the characters of `range`, as overrides of the base style.
void styleRange(TextLayerAttributes& attributes, TextRange range, std::optional<double> fontSize,
                const std::optional<StoredColor>& color, const std::optional<QString>& fontFamily)
{
    const int length = int(attributes.string.size());
    QVector<TextStyleRun> perUnit = attributes.perUnitRuns();
    const int first = std::clamp(range.location, 0, length);
    const int end = std::clamp(range.location + range.length, first, length);
    for (int i = first; i < end; ++i) {
        setOverride(perUnit[i].fontSize, fontSize, attributes.fontSize);
        setOverride(perUnit[i].color, color, attributes.color);
        setOverride(perUnit[i].fontFamily, fontFamily, attributes.fontFamily);
    }
    attributes.runs = perUnit;
    attributes.normalizeRuns();
}

}  // namespace

void styleAll(TextLayerAttributes& attributes, std::optional<double> fontSize,
              const std::optional<StoredColor>& color, const std::optional<QString>& fontFamily)
{
    if (fontSize)
        attributes.fontSize = *fontSize;
    if (color)
        attributes.color = *color;
    if (fontFamily)
        attributes.fontFamily = *fontFamily;
    for (TextStyleRun& run : attributes.runs) {
        if (fontSize)
            run.fontSize.reset();
        if (color)
            run.color.reset();
        if (fontFamily)
            run.fontFamily.reset();
    }
    attributes.normalizeRuns();
}

void addTextLayer(ImageDocument& document, QPointF point)
{
    commitTextEditing(document);
    Layer layer;
    layer.name = QStringLiteral("Text");
    layer.origin = point;
    const TextLayerAttributes attributes = defaultTextAttributes(document.state().size.height(), Preferences());
    layer.content = attributes;
    const QUuid id = layer.id;
    document.changeLiveState([&](CanvasState& state) {
        state.layers.append(std::move(layer));
        state.selectedLayerID = id;
    });
    openSession(document, id, attributes, kAddTextLayer);
}

void editTextLayer(ImageDocument& document, const QUuid& id)
{
    const std::optional<int> index = layerIndex(document.state(), id);
    if (!index)
        return;
    const Layer& layer = document.state().layers[*index];
    if (layer.isLocked || !layer.isText())
        return;
    const TextLayerAttributes attributes = *layer.text();
    commitTextEditing(document);
    selectLayer(document, id);
    openSession(document, id, attributes, kEditTextLayer);
}

void commitTextEditing(ImageDocument& document)
{
    if (!document.textEditing())
        return;
    const TextEditingSession session = *document.textEditing();
    document.replaceTextEditing(std::nullopt);

    if (session.attributes.string.trimmed().isEmpty()) {
        document.revertToCurrentHistoryEntry();
        document.announceTextEditingChange();
        return;
    }
    const std::optional<int> index = layerIndex(document.state(), session.layerID);
    const Layer* layer = index ? &document.state().layers[*index] : nullptr;
    // A layer deleted or merged while it was edited leaves nothing to write the text into.
    if (!layer || (session.historyName == kEditTextLayer && layer->text() && *layer->text() == session.attributes)) {
        document.setLiveState(document.state());  // announces the state, unchanged
        document.announceTextEditingChange();
        return;
    }
    CanvasState state = document.state();
    state.layers[*index].content = session.attributes;
    document.commitState(std::move(state), session.historyName);
    document.announceTextEditingChange();
}

void cancelTextEditing(ImageDocument& document)
{
    if (!document.textEditing())
        return;
    document.replaceTextEditing(std::nullopt);
    document.revertToCurrentHistoryEntry();
    document.announceTextEditingChange();
}

void setEditingSelectedRange(ImageDocument& document, const std::optional<TextRange>& range)
{
    if (!document.textEditing() || document.textEditing()->selectedRange == range)
        return;
    TextEditingSession session = *document.textEditing();
    session.selectedRange = range;
    document.replaceTextEditing(session);
    document.announceTextEditingChange();
}

void applyTextStyle(ImageDocument& document, std::optional<double> fontSize, std::optional<StoredColor> color,
                    std::optional<QString> fontFamily)
{
    if (!document.textEditing())
        return;
    const EditorStyleApplier& applier = document.editorStyleApplier();
    if (applier && applier(document.textEditing()->selectedRange, fontSize, color, fontFamily))
        return;
    TextEditingSession session = *document.textEditing();
    if (session.selectedRange && session.selectedRange->length >= 1)
        styleRange(session.attributes, *session.selectedRange, fontSize, color, fontFamily);
    else
        styleAll(session.attributes, fontSize, color, fontFamily);
    document.replaceTextEditing(session);
    document.announceTextEditingChange();
}

QVector<TextStyleRun> runsFromStyledText(const StyledText& styled, const TextLayerAttributes& base)
{
    QVector<TextStyleRun> runs;
    for (const QTextLayout::FormatRange& range : styled.formats) {
        TextStyleRun run{range.length, {}, {}, {}};
        if (range.format.hasProperty(QTextFormat::FontPointSize) || !storedFontFamily(range.format).isEmpty()) {
            const QFont font = range.format.font();
            if (font.pointSizeF() > 0 && font.pointSizeF() != base.fontSize)
                run.fontSize = font.pointSizeF();
            const QString family = storedFontFamily(range.format);
            if (!family.isEmpty() && family != base.fontFamily)
                run.fontFamily = family;
        }
        if (range.format.hasProperty(QTextFormat::ForegroundBrush)) {
            // Compared at the precision the editor keeps colours in, so an untouched colour is no override.
            const StoredColor color = StoredColor::fromColor(range.format.foreground().color());
            if (color != StoredColor::fromColor(base.color.toColor()))
                run.color = color;
        }
        runs.append(run);
    }
    return runs;
}

}  // namespace velmaris
