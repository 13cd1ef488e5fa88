#include "document/FilterPreview.h"

#include "document/ImageDocument.h"
#include "render/TextRasterizer.h"

namespace velmaris {

LayerPreview FilterPreview::compositorPreview(double scale) const
{
    std::optional<QRectF> scaledSelection = selection;
    if (scaledSelection && scale != 1)
        scaledSelection = QRectF(scaledSelection->topLeft() * scale, scaledSelection->size() * scale);
    return LayerPreview{layerID,
                        [instance = scale == 1 ? instance : instance.scaled(scale)](const Bitmap& image) {
                            return instance.apply(image);
                        },
                        scaledSelection, selectionShape, selectionInverted};
}

std::optional<QRectF> filterSelectionRect(const ImageDocument& document)
{
    const std::optional<QRectF>& selection = document.selection().rect;
    if (!selection)
        return std::nullopt;
    const QRectF canvas(QPointF(0, 0), document.state().size);
    const QRect clipped = selection->normalized().intersected(canvas).toAlignedRect();
    if (clipped.isEmpty())
        return std::nullopt;
    return QRectF(clipped);
}

namespace {

FilterPreview previewOf(const ImageDocument& document, const QUuid& layerID, const FilterInstance& instance)
{
    return FilterPreview{layerID, instance, filterSelectionRect(document), document.selection().shape,
                         document.selection().inverted};
}

}  // namespace

void updateFilterPreview(ImageDocument& document, const FilterInstance& instance)
{
    const std::optional<Layer> layer = document.state().selectedLayer();
    if (!layer)
        return;
    document.setFilterPreview(previewOf(document, layer->id, instance));
}

bool applyFilter(ImageDocument& document, const FilterInstance& instance)
{
    const std::optional<int> index = document.state().selectedLayerIndex();
    if (!index || !instance.descriptor)
        return false;
    const Layer& layer = document.state().layers[*index];
    if (layer.isLocked)
        return false;
    std::optional<Bitmap> image;
    if (const Bitmap* bitmap = layer.bitmap())
        image = *bitmap;
    else if (const TextLayerAttributes* text = layer.text())
        image = rasterizeTextLayer(*text);
    if (!image || image->isNull())
        return false;
    const Bitmap filtered =
        applyPreviewToLayerImage(*image, layer, previewOf(document, layer.id, instance).compositorPreview());
    // An adjustment at its identity values gives back its input: there is no step to record.
    if (layer.bitmap() && filtered.sharesPixelsWith(*image))
        return false;
    CanvasState state = document.state();
    state.layers[*index].content = filtered;
    document.commitState(std::move(state), instance.descriptor->historyName);
    return true;
}

}  // namespace velmaris
