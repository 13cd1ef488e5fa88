#include "document/CommandEnabling.h"

#include "document/ImageDocument.h"
#include "document/SelectionOperations.h"
#include "document/SelectionPainting.h"

#include <QSet>

#include <algorithm>

namespace velmaris {

namespace {

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

// A switch without a default over every command: a new command does not compile until it says
// how it is enabled.
CommandAvailability commandAvailability(const ImageDocument* document, CommandID command,
                                        bool pasteboardOffersImage)
{
    if (!document)
        return enabledWhen(false);
    const CanvasState& state = document->state();
    const std::optional<Layer> primary = state.selectedLayer();
    const DocumentSelection& selection = document->selection();
    const bool unlockedPrimary = primary && !primary->isLocked;
    const int layerCount = static_cast<int>(state.layers.size());

    switch (command) {
    case CommandID::deleteLayer:
        return enabledWhen(layerCount > 1);
    case CommandID::flattenImage:
        return enabledWhen(layerCount >= 2 || (layerCount == 1 && state.layers.front().isText()));
    case CommandID::editTextLayer:
        return enabledWhen(primary && primary->isText());
    case CommandID::marqueeRectangle:
        return checkedWhen(selection.shape == SelectionShape::rectangle);
    case CommandID::marqueeEllipse:
        return checkedWhen(selection.shape == SelectionShape::ellipse);
    case CommandID::alignLeft:
    case CommandID::alignCenterHorizontal:
    case CommandID::alignRight:
    case CommandID::alignTop:
    case CommandID::alignCenterVertical:
    case CommandID::alignBottom:
    case CommandID::duplicateLayer:
    case CommandID::applyFilter:
        return enabledWhen(primary.has_value());
    case CommandID::freeTransform: {
        const bool running = document->transform().has_value();
        CommandAvailability availability = enabledWhen(running || unlockedPrimary);
        availability.title = running ? QStringLiteral("Commit Transform") : QStringLiteral("Free Transform");
        return availability;
    }
    case CommandID::flipLayerHorizontal:
    case CommandID::flipLayerVertical:
    case CommandID::showLayerEffects:
        return enabledWhen(unlockedPrimary);
    case CommandID::toggleLayerLock:
        return checkedWhen(primary && primary->isLocked, primary.has_value());
    case CommandID::invertSelection:
        return checkedWhen(selection.inverted, selection.rect.has_value());
    case CommandID::paste:
        return enabledWhen(pasteboardOffersImage);
    case CommandID::cut:
        return enabledWhen(canCutSelection(*document));
    case CommandID::groupLayers:
    case CommandID::mergeLayers:
        return enabledWhen(state.targetLayerIDs().size() > 1);
    case CommandID::ungroupLayers: {
        const QSet<QUuid> targets = state.targetLayerIDs();
        return enabledWhen(std::any_of(state.layers.begin(), state.layers.end(), [&](const Layer& layer) {
            return layer.groupID && targets.contains(layer.id);
        }));
    }
    case CommandID::cropToSelection:
    case CommandID::fillSelection:
    case CommandID::strokeSelection:
        return enabledWhen(selectionPixelRect(*document).has_value());
    case CommandID::deselect:
        return enabledWhen(selection.rect.has_value());
    case CommandID::showAboutPanel:
    case CommandID::checkForUpdates:
    case CommandID::openPreferences:
    case CommandID::terminate:
    case CommandID::newImage:
    case CommandID::newFromClipboard:
    case CommandID::openDocument:
    case CommandID::openRecentDocument:
    case CommandID::importFromPhotos:
    case CommandID::performClose:
    case CommandID::saveDocument:
    case CommandID::saveDocumentAs:
    case CommandID::exportAs:
    case CommandID::revertDocumentToSaved:
    case CommandID::printDocument:
    case CommandID::undo:
    case CommandID::redo:
    case CommandID::copy:
    case CommandID::selectAll:
    case CommandID::fixedSizeSelection:
    case CommandID::aspectRatioSelection:
    case CommandID::swapColors:
    case CommandID::resetColors:
    case CommandID::showImageSize:
    case CommandID::showCanvasSize:
    case CommandID::trimCanvas:
    case CommandID::flipImageHorizontal:
    case CommandID::flipImageVertical:
    case CommandID::rotateClockwise:
    case CommandID::rotateCounterclockwise:
    case CommandID::newLayer:
    case CommandID::newTextLayer:
    case CommandID::selectMoveTool:
    case CommandID::selectSelectTool:
    case CommandID::selectTextTool:
    case CommandID::selectColorPickerTool:
    case CommandID::selectBrushTool:
    case CommandID::selectEraserTool:
    case CommandID::selectFillTool:
    case CommandID::selectGradientTool:
    case CommandID::zoomIn:
    case CommandID::zoomOut:
    case CommandID::zoomActualSize:
    case CommandID::zoomToFit:
    case CommandID::toggleCheckerboard:
    case CommandID::toggleSidebarPanels:
    case CommandID::performMiniaturize:
    case CommandID::performZoom:
    case CommandID::arrangeInFront:
    case CommandID::showHelp:
    case CommandID::showShortcutCheatSheet:
    case CommandID::openWebsite:
    case CommandID::selectAllCanvas:
        return {};
    }
    return {};
}

}  // namespace velmaris
