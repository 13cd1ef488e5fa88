#pragma once

#include "TestImages.h"
#include "document/ImageDocument.h"
#include "files/NativeDocumentFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QStringList>

#include <memory>

namespace velmaris::test {

inline constexpr Rgba kRed{255, 0, 0, 255};
inline constexpr Rgba kBlue{0, 0, 255, 255};
inline constexpr Rgba kClear{0, 0, 0, 0};

inline Layer solidLayer(const QString& name, int width = 4, int height = 4, QPointF origin = {}, Rgba colour = kRed)
{
    return bitmapLayer(solidBitmap(width, height, colour), origin, name);
}

// A black DejaVu Sans text layer named after its text.
inline Layer textLayer(const QString& text, QPointF origin = {}, double size = 24, QVector<TextStyleRun> runs = {})
{
    Layer layer;
    layer.name = text;
    layer.origin = origin;
    layer.content = TextLayerAttributes{text, QStringLiteral("DejaVu Sans"), size, StoredColor{0, 0, 0, 1},
                                        std::move(runs)};
    return layer;
}

// A document holding `layers` (bottom first), the top one selected; its history has only the
// "New" entry.
inline std::unique_ptr<ImageDocument> documentWith(QVector<Layer> layers, QSizeF size = {100, 100})
{
    auto document = std::make_unique<ImageDocument>(DocumentDefaults{size.width(), size.height()});
    CanvasState state = document->state();
    state.layers = std::move(layers);
    state.selectedLayerID.reset();
    if (!state.layers.isEmpty())
        state.selectedLayerID = state.layers.last().id;
    state.extraSelectedLayerIDs.clear();
    document->setLiveState(std::move(state));
    return document;
}

inline void selectIndices(ImageDocument& document, int primary, std::initializer_list<int> extras = {})
{
    CanvasState state = document.state();
    state.selectedLayerID = state.layers[primary].id;
    state.extraSelectedLayerIDs.clear();
    for (int index : extras)
        state.extraSelectedLayerIDs.insert(state.layers[index].id);
    document.setLiveState(std::move(state));
}

// Writes a native file whose one layer's PNG has a sound header but ruined data: its outline reads,
// its pixels do not.
inline void writeNativeFileWithRuinedPixels(const QString& path)
{
    CanvasState state;
    state.size = QSizeF(40, 30);
    state.layers = {bitmapLayer(randomBitmap(40, 30, 5))};
    QByteArray data = std::get<QByteArray>(writeNativeDocument(NativeDocument{state, {}}));
    const qsizetype png = data.indexOf("iVBORw0KGgo");
    for (qsizetype i = png + 120; i < png + 400; ++i)
        data[i] = 'A';
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("could not write %s", qPrintable(path));
}

inline QStringList layerNames(const CanvasState& state)
{
    QStringList names;
    for (const Layer& layer : state.layers)
        names.append(layer.name);
    return names;
}

// What a document announced and recorded from the moment this was made.
class DocumentSpy {
public:
    explicit DocumentSpy(const ImageDocument& document)
        : document_(document), states_(&document, &ImageDocument::stateDidChange),
          selections_(&document, &ImageDocument::selectionDidChange),
          firstNew_(document.history().currentIndex() + 1)
    {
    }

    int stateChanges() const { return int(states_.count()); }
    int selectionChanges() const { return int(selections_.count()); }
    QStringList recordedNames() const
    {
        QStringList names;
        const auto& entries = document_.history().entries();
        for (qsizetype i = firstNew_; i < entries.size(); ++i)
            names.append(entries[i].name);
        return names;
    }
    qsizetype newEntries() const { return recordedNames().size(); }
    QString lastEntry() const { return document_.history().entries().last().name; }
    // Exactly one entry `name`, announced once.
    bool recordedOnly(const QString& name) const
    {
        return stateChanges() == 1 && recordedNames() == QStringList{name};
    }
    // Nothing recorded, nothing announced.
    bool silent() const { return stateChanges() == 0 && selectionChanges() == 0 && recordedNames().isEmpty(); }

private:
    const ImageDocument& document_;
    QSignalSpy states_;
    QSignalSpy selections_;
    qsizetype firstNew_;
};

}  // namespace velmaris::test
