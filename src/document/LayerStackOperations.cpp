#include "document/LayerStackOperations.h"

#include "document/ImageDocument.h"
#include "document/LayerTargets.h"
#include "render/Compositor.h"

#include <QHash>

#include <algorithm>

namespace velmaris {

namespace {

// A new layer on top becomes the only selected one.
void placeOnTop(ImageDocument& document, Layer layer, const QString& historyName)
{
    CanvasState state = document.state();
    state.selectedLayerID = layer.id;
    state.extraSelectedLayerIDs.clear();
    state.layers.append(std::move(layer));
    document.commitState(std::move(state), historyName);
}

// round(center − length / 2), then kept so at least one pixel overlaps [0, canvasLength).
double clampedImportOrigin(double center, int length, double canvasLength)
{
    const double origin = roundedPixels(center - length / 2.0);
    return std::min(std::max(origin, 1.0 - length), canvasLength - 1);
}

QVector<int> unlockedTargetIndices(const CanvasState& state)
{
    QVector<int> indices = targetLayerIndices(state);
    indices.removeIf([&](int index) { return state.layers[index].isLocked; });
    return indices;
}

// Copies of the layers at `indices` with fresh ids and " copy" names; one new group per source group.
QVector<Layer> layerCopies(const CanvasState& state, const QVector<int>& indices)
{
    QHash<QUuid, QUuid> copiedGroups;
    QVector<Layer> copies;
    for (int index : indices) {
        Layer copy = state.layers[index];
        copy.id = QUuid::createUuid();
        copy.name += QStringLiteral(" copy");
        if (copy.groupID) {
            auto group = copiedGroups.find(*copy.groupID);
            if (group == copiedGroups.end())
                group = copiedGroups.insert(*copy.groupID, QUuid::createUuid());
            copy.groupID = group.value();
        }
        copies.append(std::move(copy));
    }
    return copies;
}

}  // namespace

bool addLayer(ImageDocument& document)
{
    CanvasState state = document.state();
    state.appendEmptyLayer();
    if (state.layers.size() == document.state().layers.size())
        return false;
    document.commitState(std::move(state), QStringLiteral("Add Layer"));
    return true;
}

bool importImageLayer(ImageDocument& document, const Bitmap& image, const QString& name, QPointF center)
{
    if (image.isNull())
        return false;
    const QSizeF canvas = document.state().size;
    const QPointF origin(clampedImportOrigin(center.x(), image.width(), canvas.width()),
                         clampedImportOrigin(center.y(), image.height(), canvas.height()));
    placeOnTop(document, makeBitmapLayer(image, name, origin), QStringLiteral("Import Image"));
    return true;
}

bool pasteImageLayer(ImageDocument& document, const Bitmap& image)
{
    if (image.isNull())
        return false;
    const QSizeF canvas = document.state().size;
    const QPointF origin(roundedPixels((canvas.width() - image.width()) * 0.5),
                         roundedPixels((canvas.height() - image.height()) * 0.5));
    placeOnTop(document, makeBitmapLayer(image, QStringLiteral("Pasted Layer"), origin), QStringLiteral("Paste"));
    return true;
}

bool deleteLayer(ImageDocument& document)
{
    const QVector<int> doomed = unlockedTargetIndices(document.state());
    if (doomed.isEmpty() || doomed.size() == document.state().layers.size())
        return false;
    CanvasState state = document.state();
    takeLayers(state, doomed);
    // The survivors below the topmost removed layer; the next one up was directly above it.
    const int above = std::min(blockPosition(doomed), int(state.layers.size() - 1));
    state.selectedLayerID = state.layers[above].id;
    state.extraSelectedLayerIDs.clear();
    document.commitState(std::move(state),
                         doomed.size() == 1 ? QStringLiteral("Delete Layer") : QStringLiteral("Delete Layers"));
    return true;
}

bool duplicateLayer(ImageDocument& document)
{
    const QVector<int> sources = targetLayerIndices(document.state());
    if (sources.isEmpty())
        return false;
    CanvasState state = document.state();
    const QVector<Layer> copies = layerCopies(state, sources);
    const std::optional<int> primary = state.selectedLayerIndex();
    const qsizetype primaryCopy = primary ? sources.indexOf(*primary) : -1;
    const Layer& selected = copies[primaryCopy >= 0 ? primaryCopy : copies.size() - 1];

    state.selectedLayerID = selected.id;
    state.extraSelectedLayerIDs.clear();
    for (const Layer& copy : copies) {
        if (copy.id != selected.id)
            state.extraSelectedLayerIDs.insert(copy.id);
    }
    const int insertAt = sources.last() + 1;
    for (qsizetype i = 0; i < copies.size(); ++i)
        state.layers.insert(insertAt + i, copies[i]);
    document.commitState(std::move(state), copies.size() == 1 ? QStringLiteral("Duplicate Layer")
                                                              : QStringLiteral("Duplicate Layers"));
    return true;
}

bool moveLayer(ImageDocument& document, int from, int to)
{
    const int count = int(document.state().layers.size());
    if (from < 0 || from >= count || to < 0 || to > count || from == to)
        return false;
    CanvasState state = document.state();
    Layer layer = state.layers.takeAt(from);
    state.layers.insert(from < to ? to - 1 : to, std::move(layer));
    document.commitState(std::move(state), QStringLiteral("Reorder Layer"));
    return true;
}

}  // namespace velmaris
