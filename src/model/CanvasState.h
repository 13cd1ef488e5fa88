#pragma once

#include "model/ImageMetadata.h"
#include "model/Layer.h"

#include <QSet>
#include <QSizeF>
#include <QVector>

#include <optional>

namespace velmaris {

// One image being edited. A plain value: a copy is an independent snapshot sharing the bitmaps.
struct CanvasState {
    QSizeF size;
    QVector<Layer> layers;  // index 0 is the bottom of the stack
    std::optional<QUuid> selectedLayerID;
    QSet<QUuid> extraSelectedLayerIDs;
    // What the photo the document was opened from carried, written back when it is saved or
    // exported. Nothing edits it: every snapshot shares the same blocks.
    ImageMetadata metadata;

    friend bool operator==(const CanvasState& a, const CanvasState& b);

    std::optional<int> selectedLayerIndex() const;
    std::optional<Layer> selectedLayer() const;
    QVector<Layer> extraSelectedLayers() const;
    QSet<QUuid> targetLayerIDs() const;
    QString nextLayerName() const;
    void appendEmptyLayer();
};

enum class SelectionShape { rectangle, ellipse };
QString rawValue(SelectionShape shape);
std::optional<SelectionShape> selectionShapeFromRawValue(const QString& raw);

enum class EditorTool {
    move = 0,
    select = 1,
    text = 2,
    colorPicker = 3,
    brush = 4,
    eraser = 5,
    fill = 6,
    gradient = 7,
};
std::optional<EditorTool> editorToolFromRawValue(int raw);

// Stored under "DefaultCanvasBackground"; anything but 0 and 2 reads as white.
enum class CanvasBackground { transparent = 0, white = 1, currentColor = 2 };
CanvasBackground canvasBackgroundFromRawValue(int raw);

// A "Background" layer of round(width) × round(height) pixels (each at least 1).
std::optional<Layer> makeBackgroundLayer(CanvasBackground background, double width, double height,
                                         const StoredColor& currentColor);

}  // namespace velmaris
