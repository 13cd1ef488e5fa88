#include "document/CommandEnabling.h"

#include "document/ImageDocument.h"
#include "document/SelectionOperations.h"

#include <QSet>

#include <algorithm>

namespace velmaris {

namespace {

bool oneOf(const QString& command, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return command == QLatin1String(name); });
}

CommandAvailability enabledWhen(bool enabled)
{
    CommandAvailability availability;
    availability.enabled = enabled;
    return availability;
}

CommandAvailability checkedWhen(bool checked, bool enabled = true)
{
    CommandAvailability availability = enabledWhen(enabled);
    availability.checked = checked;
    return availability;
}

}  // namespace

CommandAvailability commandAvailability(const ImageDocument* document, const QString& command,
                                        bool pasteboardOffersImage)
{
    if (!document)
        return enabledWhen(false);
    const CanvasState& state = document->state();
    const std::optional<Layer> primary = state.selectedLayer();
    const DocumentSelection& selection = document->selection();
    const bool unlockedPrimary = primary && !primary->isLocked;
    const int layerCount = static_cast<int>(state.layers.size());

    if (command == QLatin1String("exportAs"))
        return {};
    if (command == QLatin1String("deleteLayer"))
        return enabledWhen(layerCount > 1);
    if (command == QLatin1String("flattenImage"))
        return enabledWhen(layerCount >= 2 || (layerCount == 1 && state.layers.front().isText()));
    if (command == QLatin1String("editTextLayer"))
        return enabledWhen(primary && primary->isText());
    if (command == QLatin1String("marqueeRectangle"))
        return checkedWhen(selection.shape == SelectionShape::rectangle);
    if (command == QLatin1String("marqueeEllipse"))
        return checkedWhen(selection.shape == SelectionShape::ellipse);
    if (oneOf(command, {"alignLayers", "duplicateLayer", "applyFilterFromMenu"}))
        return enabledWhen(primary.has_value());
    if (command == QLatin1String("freeTransform")) {
        const bool running = document->transform().has_value();
        CommandAvailability availability = enabledWhen(running || unlockedPrimary);
        availability.title = running ? QStringLiteral("Commit Transform") : QStringLiteral("Free Transform");
        return availability;
    }
    if (oneOf(command, {"flipLayerHorizontal", "flipLayerVertical", "showLayerEffects"}))
        return enabledWhen(unlockedPrimary);
    if (command == QLatin1String("toggleLayerLock"))
        return checkedWhen(primary && primary->isLocked, primary.has_value());
    if (command == QLatin1String("invertSelection"))
        return checkedWhen(selection.inverted, selection.rect.has_value());
    if (command == QLatin1String("paste"))
        return enabledWhen(pasteboardOffersImage);
    if (oneOf(command, {"groupLayers", "mergeLayers"}))
        return enabledWhen(state.targetLayerIDs().size() > 1);
    if (command == QLatin1String("ungroupLayers")) {
        const QSet<QUuid> targets = state.targetLayerIDs();
        return enabledWhen(std::any_of(state.layers.begin(), state.layers.end(), [&](const Layer& layer) {
                    return layer.groupID && targets.contains(layer.id);
                }));
    }
    if (oneOf(command, {"cropToSelection", "fillSelection", "strokeSelection"}))
        return enabledWhen(selectionPixelRect(*document).has_value());
    if (command == QLatin1String("deselect"))
        return enabledWhen(selection.rect.has_value());
    return {};
}

}  // namespace velmaris
