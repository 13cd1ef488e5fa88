#include "render/PreviewRenderer.h"

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

void PreviewRenderer::request(const CanvasState& state, const std::optional<LayerPreview>& preview)
{
    const quint64 ticket = ++generation_;
    ++pending_;
    pool_.start([this, state, preview, ticket] {
        std::optional<Bitmap> composite;
        if (generation_.load() == ticket)
            composite = renderComposite(state, preview ? &*preview : nullptr);
        QMetaObject::invokeMethod(this, [this, ticket, composite = std::move(composite)] {
            --pending_;
            if (generation_.load() == ticket && composite)
                Q_EMIT compositeReady(*composite);
        }, Qt::QueuedConnection);
    });
}

void PreviewRenderer::cancel()
{
    ++generation_;
}

}  // namespace velmaris
