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

Layer* primaryLayer(ImageDocument& document)
{
    const std::optional<int> index = document.state().selectedLayerIndex();
    return index ? &document.mutableState().layers[*index] : nullptr;
}

Layer* layerWithID(ImageDocument& document, const QUuid& id)
{
    const std::optional<int> index = layerIndex(document.state(), id);
    return index ? &document.mutableState().layers[*index] : nullptr;
}

QString lockHistoryName(bool locked)
{
    return locked ? QStringLiteral("Lock Layer") : QStringLiteral("Unlock Layer");
}

}  // namespace

bool flipLayers(ImageDocument& document, bool horizontal)
{
    bool flipped = false;
    for (int index : targetLayerIndices(document.state())) {
        const Layer& layer = document.state().layers[index];
        if (layer.isLocked)
            continue;
        Bitmap pixels = mirroredContent(layer, horizontal);
        if (pixels.isNull())
            continue;
        document.mutableState().layers[index].content = std::move(pixels);
        flipped = true;
    }
    if (!flipped)
        return false;
    document.recordHistory(horizontal ? QStringLiteral("Flip Layer Horizontal")
                                      : QStringLiteral("Flip Layer Vertical"));
    return true;
}

bool toggleLayerLock(ImageDocument& document)
{
    const std::optional<Layer> primary = document.state().selectedLayer();
    if (!primary)
        return false;
    const bool locked = !primary->isLocked;
    for (int index : targetLayerIndices(document.state()))
        document.mutableState().layers[index].isLocked = locked;
    document.recordHistory(lockHistoryName(locked));
    return true;
}

bool setLayerLocked(ImageDocument& document, const QUuid& id, bool locked)
{
    Layer* layer = layerWithID(document, id);
    if (!layer || layer->isLocked == locked)
        return false;
    layer->isLocked = locked;
    document.recordHistory(lockHistoryName(locked));
    return true;
}

bool setLayerVisible(ImageDocument& document, const QUuid& id, bool visible)
{
    Layer* layer = layerWithID(document, id);
    if (!layer)
        return false;
    layer->isVisible = visible;
    document.recordHistory(visible ? QStringLiteral("Show Layer") : QStringLiteral("Hide Layer"));
    return true;
}

bool renameLayer(ImageDocument& document, const QUuid& id, const QString& name)
{
    const QString trimmed = name.trimmed();
    Layer* layer = trimmed.isEmpty() ? nullptr : layerWithID(document, id);
    if (!layer)
        return false;
    layer->name = trimmed;
    document.recordHistory(QStringLiteral("Rename Layer"));
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
    for (int index : changing)
        document.mutableState().layers[index].blendMode = mode;
    document.recordHistory(QStringLiteral("Blend Mode"));
    return true;
}

bool setSelectedLayerOpacity(ImageDocument& document, double percent, bool commit)
{
    Layer* layer = primaryLayer(document);
    if (!layer)
        return false;
    if (!layer->isLocked)
        layer->opacity = percent / 100;
    if (commit)
        document.recordHistory(QStringLiteral("Layer Opacity"));
    else
        document.announceLiveStateChange();
    return true;
}

bool setLayerEffects(ImageDocument& document, const LayerEffects& effects)
{
    Layer* layer = primaryLayer(document);
    if (!layer || layer->isLocked || layer->effects == effects)
        return false;
    layer->effects = effects;
    document.recordHistory(QStringLiteral("Layer Effects"));
    return true;
}

}  // namespace velmaris
