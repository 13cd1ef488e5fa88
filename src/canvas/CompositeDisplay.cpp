#include "canvas/CompositeDisplay.h"

#include "render/ReducedImages.h"

#include <QPointer>

namespace velmaris {

namespace {

// Halvings down to 1/32, enough for the smallest magnification.
constexpr int kHalvings = 5;
// Longer than the gap between pointer events of a moving drag, short next to a heavy render.
constexpr int kRequestPauseMs = 60;

}  // namespace

CompositeDisplay::CompositeDisplay(QObject* parent) : QObject(parent)
{
    reductionPool_.setMaxThreadCount(1);
    connect(&renderer_, &PreviewRenderer::compositeReady, this, &CompositeDisplay::receive);
    requestsPaused_.setSingleShot(true);
    requestsPaused_.setInterval(kRequestPauseMs);
    connect(&requestsPaused_, &QTimer::timeout, this, &CompositeDisplay::dropStaleRender);
}

CompositeDisplay::~CompositeDisplay()
{
    renderer_.cancel();
    reductionPool_.clear();
    reductionPool_.waitForDone();
}

void CompositeDisplay::request(const CanvasState& state, const std::optional<LayerPreview>& preview,
                               const QSet<QUuid>& excluded)
{
    Request next{state, preview, excluded};
    if (rendering_) {
        waiting_ = std::move(next);
        requestsPaused_.start();
    } else {
        start(std::move(next));
    }
}

void CompositeDisplay::cancel()
{
    renderer_.cancel();
    requestsPaused_.stop();
    waiting_.reset();
    rendering_ = false;
}

void CompositeDisplay::dropStaleRender()
{
    if (!rendering_ || !waiting_)
        return;
    // A new request stops the running render, whose result could only be dropped now.
    Request next = std::move(*waiting_);
    waiting_.reset();
    start(std::move(next));
}

void CompositeDisplay::start(Request request)
{
    rendering_ = true;
    renderGeneration_ = renderer_.request(request.state, request.preview, request.excluded);
}

void CompositeDisplay::receive(const QImage& composite, quint64 generation)
{
    if (generation != renderGeneration_)
        return;
    rendering_ = false;
    // The composite goes on screen together with its halved copies, so that no paint has to
    // shrink the full-size image.
    ++publishing_;
    const quint64 imageGeneration = ++imageGeneration_;
    QPointer<CompositeDisplay> self(this);
    reductionPool_.start([self, composite, imageGeneration] {
        // A composite that a newer one overtook while waiting is not worth halving.
        QVector<QImage> halved;
        if (self->imageGeneration_ == imageGeneration)
            halved = halvedImages(composite, kHalvings);
        QMetaObject::invokeMethod(
            self.data(),
            [self, composite, halved = std::move(halved), imageGeneration]() mutable {
                if (!self)
                    return;
                --self->publishing_;
                if (self->imageGeneration_ != imageGeneration)
                    return;
                self->image_ = composite;
                self->halved_ = std::move(halved);
                Q_EMIT self->updated();
            },
            Qt::QueuedConnection);
    });
    if (waiting_) {
        Request next = std::move(*waiting_);
        waiting_.reset();
        start(std::move(next));
    }
}

std::pair<const QImage*, double> CompositeDisplay::imageFor(double magnification) const
{
    const int level = reductionLevelFor(magnification, int(halved_.size()));
    if (level == 0)
        return {&image_, 1.0};
    return {&halved_[level - 1], 1.0 / double(1 << level)};
}

}  // namespace velmaris
