#pragma once

#include "model/CanvasState.h"
#include "render/Compositor.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <optional>

namespace velmaris {

// Composites off the main thread so a slider or a drag never waits for a render. Only the newest
// request's result is delivered; results of requests overtaken by a newer one are dropped.
class PreviewRenderer : public QObject {
    Q_OBJECT
public:
    explicit PreviewRenderer(QObject* parent = nullptr);
    ~PreviewRenderer() override;

    // Starts rendering the state (a copy: bitmaps are shared, never written) with the preview.
    void request(const CanvasState& state, const std::optional<LayerPreview>& preview);
    // Forgets every pending request; nothing more is delivered until the next request.
    void cancel();
    bool isBusy() const { return pending_ > 0; }

Q_SIGNALS:
    void compositeReady(const velmaris::Bitmap& composite);

private:
    std::atomic<quint64> generation_{0};
    int pending_ = 0;
    // One render at a time: each render already uses every core, and waiting requests that a newer
    // one overtook are skipped without rendering.
    QThreadPool pool_;
};

}  // namespace velmaris
