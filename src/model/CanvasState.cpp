#include "model/CanvasState.h"

#include "model/ExactCompare.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// round(length) but at least 1; absurd lengths are left for the bitmap size check to refuse.
int pixelCount(double length)
{
    const double rounded = std::round(length);
    if (!(rounded >= 1))
        return 1;
    return int(std::min(rounded, double(kMaxBitmapSide + 1)));
}

}  // namespace

bool operator==(const CanvasState& a, const CanvasState& b)
{
    return exactlyEqual(a.size, b.size) && a.layers == b.layers && a.selectedLayerID == b.selectedLayerID
        && a.extraSelectedLayerIDs == b.extraSelectedLayerIDs && a.metadata == b.metadata;
}

std::optional<int> CanvasState::selectedLayerIndex() const
{
    if (!selectedLayerID)
        return std::nullopt;
    for (int i = 0; i < layers.size(); ++i) {
        if (layers[i].id == *selectedLayerID)
            return i;
    }
    return std::nullopt;
}

std::optional<Layer> CanvasState::selectedLayer() const
{
    if (const std::optional<int> index = selectedLayerIndex())
        return layers[*index];
    return std::nullopt;
}

QVector<Layer> CanvasState::extraSelectedLayers() const
{
    QVector<Layer> extras;
    for (const Layer& layer : layers) {
        if (extraSelectedLayerIDs.contains(layer.id) && layer.id != selectedLayerID)
            extras.append(layer);
    }
    return extras;
}

QSet<QUuid> CanvasState::targetLayerIDs() const
{
    if (!selectedLayerID)
        return {};
    QSet<QUuid> ids{*selectedLayerID};
    for (const Layer& layer : extraSelectedLayers())
        ids.insert(layer.id);
    return ids;
}

QString CanvasState::nextLayerName() const
{
    QSet<QString> names;
    for (const Layer& layer : layers)
        names.insert(layer.name);
    qsizetype n = layers.size() + 1;
    while (names.contains(QStringLiteral("Layer %1").arg(n)))
        ++n;
    return QStringLiteral("Layer %1").arg(n);
}

void CanvasState::appendEmptyLayer()
{
    std::optional<BitmapBuilder> builder = BitmapBuilder::create(pixelCount(size.width()), pixelCount(size.height()));
    if (!builder)
        return;
    Layer layer = makeBitmapLayer(std::move(*builder).build(), nextLayerName());
    selectedLayerID = layer.id;
    layers.append(std::move(layer));
}

QString rawValue(SelectionShape shape)
{
    return shape == SelectionShape::ellipse ? QStringLiteral("ellipse") : QStringLiteral("rectangle");
}

std::optional<SelectionShape> selectionShapeFromRawValue(const QString& raw)
{
    if (raw == u"rectangle")
        return SelectionShape::rectangle;
    if (raw == u"ellipse")
        return SelectionShape::ellipse;
    return std::nullopt;
}

std::optional<EditorTool> editorToolFromRawValue(int raw)
{
    switch (EditorTool(raw)) {
    case EditorTool::move:
    case EditorTool::select:
    case EditorTool::text:
    case EditorTool::colorPicker:
    case EditorTool::brush:
    case EditorTool::eraser:
    case EditorTool::fill:
    case EditorTool::gradient: return EditorTool(raw);
    }
    return std::nullopt;
}

CanvasBackground canvasBackgroundFromRawValue(int raw)
{
    if (raw == int(CanvasBackground::transparent))
        return CanvasBackground::transparent;
    if (raw == int(CanvasBackground::currentColor))
        return CanvasBackground::currentColor;
    return CanvasBackground::white;
}

std::optional<Layer> makeBackgroundLayer(CanvasBackground background, double width, double height,
                                         const StoredColor& currentColor)
{
    std::optional<BitmapBuilder> builder = BitmapBuilder::create(pixelCount(width), pixelCount(height));
    if (!builder)
        return std::nullopt;
    if (background != CanvasBackground::transparent) {
        const StoredColor fill = background == CanvasBackground::white ? StoredColor{1, 1, 1, 1} : currentColor;
        const auto [r, g, b, a] = fill.premultipliedRgba8();
        builder->fill(r, g, b, a);
    }
    return makeBitmapLayer(std::move(*builder).build(), QStringLiteral("Background"));
}

}  // namespace velmaris
