#include "document/TextStyleTarget.h"

#include "document/DefaultTextAttributes.h"
#include "document/DialogInput.h"
#include "document/ImageDocument.h"
#include "document/TextEditingSession.h"
#include "document/WholeTextStyle.h"
#include "platform/Preferences.h"

#include <cmath>

namespace velmaris {

namespace {

const QString kTextStyle = QStringLiteral("Text Style");

const TextLayerAttributes* primaryText(const ImageDocument& document)
{
    const std::optional<int> index = document.state().selectedLayerIndex();
    return index ? document.state().layers[*index].text() : nullptr;
}

// The primary layer's text with the change made to all of it, in every layer of that id.
CanvasState restyledPrimaryText(const ImageDocument& document, const TextStyleChange& change, bool* changed)
{
    CanvasState state = document.state();
    const QUuid id = *state.selectedLayerID;
    TextLayerAttributes attributes = *primaryText(document);
    styleAll(attributes, change.fontSize, change.color, change.fontFamily);
    *changed = attributes != *primaryText(document);
    for (Layer& layer : state.layers)
        if (layer.id == id)
            layer.content = attributes;
    return state;
}

}  // namespace

TextStyleTarget textStyleTarget(const ImageDocument& document)
{
    if (document.textEditing())
        return TextStyleTarget::editingSession;
    return primaryText(document) ? TextStyleTarget::textLayer : TextStyleTarget::newTextLayers;
}

UniformTextStyle shownTextStyle(const ImageDocument& document, const Preferences& preferences)
{
    switch (textStyleTarget(document)) {
    case TextStyleTarget::editingSession: {
        const TextEditingSession& session = *document.textEditing();
        // Before the editor reports a selection, the controls act on the whole text.
        const TextRange range = session.selectedRange.value_or(TextRange{0, int(session.attributes.string.size())});
        return session.attributes.uniformStyle(range.location, range.length);
    }
    case TextStyleTarget::textLayer: {
        const TextLayerAttributes& text = *primaryText(document);
        return {text.fontSize, text.color, text.fontFamily};
    }
    case TextStyleTarget::newTextLayers:
        break;
    }
    const TextLayerAttributes defaults = defaultTextAttributes(document.state().size.height(), preferences);
    return {defaults.fontSize, defaults.color, defaults.fontFamily};
}

TextStyleTarget applyTextStyleChange(ImageDocument& document, const TextStyleChange& change, bool previewShown,
                                     Preferences& preferences)
{
    const TextStyleTarget target = textStyleTarget(document);
    switch (target) {
    case TextStyleTarget::editingSession:
        applyTextStyle(document, change.fontSize, change.color, change.fontFamily);
        break;
    case TextStyleTarget::textLayer: {
        bool changed = false;
        CanvasState state = restyledPrimaryText(document, change, &changed);
        if (changed || previewShown)
            document.commitState(std::move(state), kTextStyle);
        break;
    }
    case TextStyleTarget::newTextLayers: {
        TextLayerAttributes defaults = defaultTextAttributes(document.state().size.height(), preferences);
        styleAll(defaults, change.fontSize, change.color, change.fontFamily);
        preferences.setValue(PreferenceName::defaultTextFontName, defaults.fontFamily);
        preferences.setValue(PreferenceName::defaultTextFontSize, defaults.fontSize);
        preferences.setColor(PreferenceName::defaultTextColor, defaults.color);
        break;
    }
    }
    return target;
}

bool previewFontSize(ImageDocument& document, double fontSize)
{
    switch (textStyleTarget(document)) {
    case TextStyleTarget::editingSession:
        applyTextStyle(document, fontSize, std::nullopt, std::nullopt);
        return false;
    case TextStyleTarget::textLayer: {
        bool changed = false;
        document.setLiveState(restyledPrimaryText(document, TextStyleChange{fontSize, {}, {}}, &changed));
        return true;
    }
    case TextStyleTarget::newTextLayers:
        break;
    }
    return false;
}

std::optional<double> typedFontSize(const QString& text)
{
    const std::optional<double> size = parseDialogNumber(text);
    if (!size || !std::isfinite(*size) || *size < 1)
        return std::nullopt;
    return size;
}

}  // namespace velmaris
