#include "render/PreviewRenderer.h"

#include "render/BackgroundPriority.h"
#include "render/DisplayImage.h"
#include "render/ReducedComposite.h"
#include "render/RenderCancellation.h"

#include <QMetaObject>

namespace velmaris {

PreviewRenderer::PreviewRenderer(QObject* parent) : QObject(parent)
{
    pool_.setMaxThreadCount(1);
}

PreviewRenderer::~PreviewRenderer()
{
    cancel();
    pool_.waitForDone();
}

quint64 PreviewRenderer::request(const CanvasState& state, const std::optional<LayerPreview>& preview,
                                 const QSet<QUuid>& excluded, int halvings)
{
    // The running render can only produce a stale result now.
    if (running_)
        running_->cancel();
    auto cancellation = std::make_shared<RenderCancellation>();
    running_ = cancellation;
    const quint64 ticket = ++generation_;
    ++pending_;
    startInBackground([this, state, preview, excluded, halvings, ticket, cancellation] {
        QImage composite;
        if (generation_.load() == ticket && !cancellation->isCancelled()) {
            const std::optional<Bitmap> rendered = renderReducedComposite(
                state, halvings, preview ? &*preview : nullptr, excluded, cancellation.get());
            if (rendered && !cancellation->isCancelled())
                composite = displayImage(*rendered);
        }
        QMetaObject::invokeMethod(this, [this, ticket, composite = std::move(composite)] {
            --pending_;
            if (generation_.load() == ticket && !composite.isNull())
                Q_EMIT compositeReady(composite, ticket);
        }, Qt::QueuedConnection);
    }, BackgroundCores::all, &pool_);
    return ticket;
}

void PreviewRenderer::cancel()
{
    ++generation_;
    if (running_)
        running_->cancel();
    running_.reset();
}

}  // namespace velmaris
