#include "document/LayerStyleOperations.h"

#include "document/ImageDocument.h"
#include "render/LayerRasterization.h"
#include "document/LayerTargets.h"
#include "render/Orientation.h"

namespace velmaris {

namespace {

// The layer's pixels mirrored; a text layer is rasterised first. Null when that cannot be done.
Bitmap mirroredContent(const Layer& layer, bool horizontal)
{
    const std::optional<Bitmap> pixels = layerPixels(layer);
    if (!pixels)
        return {};
    return mirrored(*pixels, horizontal, !horizontal);
}

QString lockHistoryName(bool locked)
{
    return locked ? QStringLiteral("Lock Layer") : QStringLiteral("Unlock Layer");
}

}  // namespace

bool flipLayers(ImageDocument& document, bool horizontal)
{
    CanvasState state = document.state();
    bool flipped = false;
    for (int index : targetLayerIndices(state)) {
        Layer& layer = state.layers[index];
        if (layer.isLocked)
            continue;
        Bitmap pixels = mirroredContent(layer, horizontal);
        if (pixels.isNull())
            continue;
        layer.content = std::move(pixels);
        flipped = true;
    }
    if (!flipped)
        return false;
    document.commitState(std::move(state), horizontal ? QStringLiteral("Flip Layer Horizontal")
                                                       : QStringLiteral("Flip Layer Vertical"));
    return true;
}

bool toggleLayerLock(ImageDocument& document)
{
    const std::optional<Layer> primary = document.state().selectedLayer();
    if (!primary)
        return false;
    const bool locked = !primary->isLocked;
    CanvasState state = document.state();
    for (int index : targetLayerIndices(state))
        state.layers[index].isLocked = locked;
    document.commitState(std::move(state), lockHistoryName(locked));
    return true;
}

bool setLayerLocked(ImageDocument& document, const QUuid& id, bool locked)
{
    const std::optional<int> index = layerIndex(document.state(), id);
    if (!index || document.state().layers[*index].isLocked == locked)
        return false;
    CanvasState state = document.state();
    state.layers[*index].isLocked = locked;
    document.commitState(std::move(state), lockHistoryName(locked));
    return true;
}

bool setLayerVisible(ImageDocument& document, const QUuid& id, bool visible)
{
    const std::optional<int> index = layerIndex(document.state(), id);
    if (!index)
        return false;
    CanvasState state = document.state();
    state.layers[*index].isVisible = visible;
    document.commitState(std::move(state), visible ? QStringLiteral("Show Layer") : QStringLiteral("Hide Layer"));
    return true;
}

bool renameLayer(ImageDocument& document, const QUuid& id, const QString& name)
{
    const QString trimmed = name.trimmed();
    const std::optional<int> index = trimmed.isEmpty() ? std::nullopt : layerIndex(document.state(), id);
    if (!index)
        return false;
    CanvasState state = document.state();
    state.layers[*index].name = trimmed;
    document.commitState(std::move(state), QStringLiteral("Rename Layer"));
    return true;
}

bool setBlendMode(ImageDocument& document, LayerBlendMode mode)
{
    QVector<int> changing = targetLayerIndices(document.state());
    changing.removeIf([&](int index) {
        const Layer& layer = document.state().layers[index];
        return layer.isLocked || layer.blendMode == mode;
    });
    if (changing.isEmpty())
        return false;
    // Unlocked targets already in the mode keep it, so setting only the others is the same.
    CanvasState state = document.state();
    for (int index : changing)
        state.layers[index].blendMode = mode;
    document.commitState(std::move(state), QStringLiteral("Blend Mode"));
    return true;
}

bool setSelectedLayerOpacity(ImageDocument& document, double percent, bool commit)
{
    const std::optional<int> index = document.state().selectedLayerIndex();
    if (!index)
        return false;
    CanvasState state = document.state();
    Layer& layer = state.layers[*index];
    if (!layer.isLocked)
        layer.opacity = percent / 100;
    if (commit)
        document.commitState(std::move(state), QStringLiteral("Layer Opacity"));
    else
        document.setLiveState(std::move(state));
    return true;
}

bool setLayerEffects(ImageDocument& document, const LayerEffects& requested)
{
    const LayerEffects effects = clampedLayerEffects(requested);
    const std::optional<int> index = document.state().selectedLayerIndex();
    if (!index)
        return false;
    const Layer& layer = document.state().layers[*index];
    if (layer.isLocked || layer.effects == effects)
        return false;
    CanvasState state = document.state();
    state.layers[*index].effects = effects;
    document.commitState(std::move(state), QStringLiteral("Layer Effects"));
    return true;
}

}  // namespace velmaris
