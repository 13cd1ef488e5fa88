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
// A request may come with a reduced first pass (a filter preview on a zoomed-out view): that is
// rendered and shown first, and the full-size render follows once it is on screen and nothing
// newer waits; any newer request stops that refinement at once.
// Halved copies for drawing zoomed out are made off the main thread too.
class CompositeDisplay : public QObject {
    Q_OBJECT
public:
    // The canvas halved `halvings` times, with the preview in those coordinates.
    struct ReducedPass {
        int halvings = 0;
        std::optional<LayerPreview> preview;
    };

    explicit CompositeDisplay(QObject* parent = nullptr);
    ~CompositeDisplay() override;

    void request(const CanvasState& state, const std::optional<LayerPreview>& preview, const QSet<QUuid>& excluded,
                 std::optional<ReducedPass> reducedFirst = std::nullopt);
    // Drops the running and the waiting render: what they would deliver is stale.
    void cancel();

    bool hasImage() const { return !image_.isNull(); }
    // The composite on screen, in the display's native format: full size unless imageHalvings() > 0.
    const QImage& image() const { return image_; }
    int imageHalvings() const { return imageHalvings_; }
    // The image to draw at `magnification` and its scale relative to the canvas (1, 1/2, 1/4 …).
    std::pair<const QImage*, double> imageFor(double magnification) const;
    // A render or the halving of its result is under way.
    bool isRendering() const { return rendering_ || publishing_ > 0; }
    // The image on screen shows the newest request (perhaps reduced, its refinement still to come).
    bool isShowingNewest() const { return shownRequest_ == lastRequest_; }

    // Halvings kept for drawing zoomed out, down to 1/32, enough for the smallest magnification.
    static constexpr int kHalvings = 5;

Q_SIGNALS:
    // A new composite (or new halved copies) can be drawn.
    void updated();

private:
    struct Request {
        CanvasState state;
        std::optional<LayerPreview> preview;
        QSet<QUuid> excluded;
        std::optional<ReducedPass> reducedFirst;
        quint64 number = 0;
    };
    void start(Request request);
    void receive(const QImage& composite, quint64 generation);
    void publish(const QImage& composite, int halvings, quint64 requestNumber);

    void dropStaleRender();

    PreviewRenderer renderer_;
    QTimer requestsPaused_;  // restarted by every request that has to wait
    QThreadPool reductionPool_;
    std::optional<Request> waiting_;
    // The full-size render of the request whose reduced pass runs or was just shown.
    std::optional<Request> refinement_;
    bool rendering_ = false;
    bool refining_ = false;  // the running render is a refinement
    int renderHalvings_ = 0;
    quint64 renderRequest_ = 0;
    int publishing_ = 0;
    quint64 renderGeneration_ = 0;
    quint64 lastRequest_ = 0;
    quint64 shownRequest_ = 0;
    std::atomic<quint64> imageGeneration_{0};
    QImage image_;
    int imageHalvings_ = 0;
    QVector<QImage> halved_;
};

}  // namespace velmaris
