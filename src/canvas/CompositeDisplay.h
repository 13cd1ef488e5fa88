#pragma once

#include "model/CanvasState.h"
#include "render/Compositor.h"
#include "render/PreviewRenderer.h"

#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QVector>

#include <atomic>
#include <optional>

namespace velmaris {

// The composite the canvas shows, rendered off the main thread. The last finished composite stays
// on screen until the next one is ready; while a render runs, newer requests wait and only the
// newest of them is rendered next, so a slider or drag shows progress at the render's own pace.
// Once the requests pause (the pointer rests or is released), a render that a newer request has
// overtaken is stale: it is stopped and the newest request starts at once.
// Halved copies for drawing zoomed out are made off the main thread too.
class CompositeDisplay : public QObject {
    Q_OBJECT
public:
    explicit CompositeDisplay(QObject* parent = nullptr);
    ~CompositeDisplay() override;

    void request(const CanvasState& state, const std::optional<LayerPreview>& preview, const QSet<QUuid>& excluded);
    // Drops the running and the waiting render: what they would deliver is stale.
    void cancel();

    bool hasImage() const { return !image_.isNull(); }
    // The full-size composite, in the display's native format.
    const QImage& image() const { return image_; }
    // The image to draw at `magnification` and its scale relative to the canvas (1, 1/2, 1/4 …).
    std::pair<const QImage*, double> imageFor(double magnification) const;
    // A render or the halving of its result is under way.
    bool isRendering() const { return rendering_ || publishing_ > 0; }

Q_SIGNALS:
    // A new composite (or new halved copies) can be drawn.
    void updated();

private:
    struct Request {
        CanvasState state;
        std::optional<LayerPreview> preview;
        QSet<QUuid> excluded;
    };
    void start(Request request);
    void receive(const QImage& composite, quint64 generation);

    void dropStaleRender();

    PreviewRenderer renderer_;
    QTimer requestsPaused_;  // restarted by every request that has to wait
    QThreadPool reductionPool_;
    std::optional<Request> waiting_;
    bool rendering_ = false;
    int publishing_ = 0;
    quint64 renderGeneration_ = 0;
    std::atomic<quint64> imageGeneration_{0};
    QImage image_;
    QVector<QImage> halved_;
};

}  // namespace velmaris
