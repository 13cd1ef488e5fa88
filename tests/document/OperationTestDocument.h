#pragma once

#include "document/ImageDocument.h"
#include "TestImages.h"

#include <QSignalSpy>

namespace velmaris::test {

// A document of the given canvas size and layers (bottom first), the top layer selected, with its
// history at the single "New" entry.
inline std::unique_ptr<ImageDocument> documentWith(QSizeF size, QVector<Layer> layers)
{
    auto document = std::make_unique<ImageDocument>(DocumentDefaults{size.width(), size.height(),
                                                                     CanvasBackground::transparent, {}, 50});
    CanvasState state = document->state();
    state.layers = std::move(layers);
    state.selectedLayerID = state.layers.isEmpty() ? std::nullopt : std::optional(state.layers.last().id);
    document->setLiveState(std::move(state));
    return document;
}

inline Layer pixelLayer(int width, int height, QPointF origin, Rgba color = {255, 0, 0, 255})
{
    Layer layer;
    layer.name = QStringLiteral("Layer");
    layer.origin = origin;
    layer.content = solidBitmap(width, height, color);
    return layer;
}

inline Layer textLayer(const QString& string, double size, QPointF origin, QVector<TextStyleRun> runs = {})
{
    Layer layer;
    layer.name = string;
    layer.origin = origin;
    layer.content = TextLayerAttributes{string, "DejaVu Sans", size, StoredColor{0, 0, 1, 1}, std::move(runs)};
    return layer;
}

// What a document announced and recorded since the spy was made.
class DocumentSpy {
public:
    explicit DocumentSpy(ImageDocument& document)
        : document_(document),
          entries_(document.history().entries().size()),
          states_(&document, &ImageDocument::stateDidChange),
          selections_(&document, &ImageDocument::selectionDidChange)
    {
    }
    qsizetype newEntries() const { return document_.history().entries().size() - entries_; }
    QString lastEntry() const { return document_.history().entries().last().name; }
    qsizetype stateChanges() const { return states_.count(); }
    qsizetype selectionChanges() const { return selections_.count(); }
    bool silent() const { return newEntries() == 0 && states_.isEmpty() && selections_.isEmpty(); }

private:
    ImageDocument& document_;
    qsizetype entries_;
    QSignalSpy states_;
    QSignalSpy selections_;
};

}  // namespace velmaris::test
