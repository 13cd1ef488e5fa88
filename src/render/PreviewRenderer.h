#pragma once

#include "model/CanvasState.h"
#include "render/Compositor.h"

#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QUuid>

#include <atomic>
#include <memory>
#include <optional>

namespace velmaris {

class RenderCancellation;

// Composites off the main thread so a slider or a drag never waits for a render. Only the newest
// request's result is delivered: a newer request or cancel() stops the running render early and
// drops whatever it would have delivered.
class PreviewRenderer : public QObject {
    Q_OBJECT
public:
    explicit PreviewRenderer(QObject* parent = nullptr);
    ~PreviewRenderer() override;

    // Starts rendering the state (a copy: bitmaps are shared, never written) with the preview and
    // without the excluded layers (the ones an overlay draws itself, such as text being edited),
    // `halvings` times halved (see renderReducedComposite; the preview then in reduced coordinates).
    // Returns the request's generation, which compositeReady repeats. The render runs below the
    // main thread's priority.
    quint64 request(const CanvasState& state, const std::optional<LayerPreview>& preview,
                    const QSet<QUuid>& excluded = {}, int halvings = 0);
    // Stops the running render and forgets every pending request; nothing more is delivered until
    // the next request.
    void cancel();
    bool isBusy() const { return pending_ > 0; }

Q_SIGNALS:
    // The composite in the display's native format (kDisplayFormat), converted on the worker so
    // painting it needs no conversion.
    void compositeReady(const QImage& composite, quint64 generation);

private:
    std::atomic<quint64> generation_{0};
    std::shared_ptr<RenderCancellation> running_;  // of the newest request; main thread only
    int pending_ = 0;
    // One render at a time: each render already uses every core, and waiting requests that a newer
    // one overtook are skipped without rendering.
    QThreadPool pool_;
};

}  // namespace velmaris
