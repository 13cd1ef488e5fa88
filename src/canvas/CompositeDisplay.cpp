#include "canvas/CompositeDisplay.h"

#include "render/BackgroundPriority.h"
#include "render/ReducedImages.h"

#include <QPointer>

#include <cmath>

namespace velmaris {

namespace {

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
                               const QSet<QUuid>& excluded, std::optional<ReducedPass> reducedFirst)
{
    Request next{state, preview, excluded, std::move(reducedFirst), ++lastRequest_};
    // Only the newest request is worth refining.
    refinement_.reset();
    if (rendering_ && !refining_) {
        waiting_ = std::move(next);
        requestsPaused_.start();
    } else {
        // A refinement stops for anything newer: the renderer drops its result.
        start(std::move(next));
    }
}

void CompositeDisplay::cancel()
{
    renderer_.cancel();
    requestsPaused_.stop();
    waiting_.reset();
    refinement_.reset();
    rendering_ = false;
    refining_ = false;
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
    renderRequest_ = request.number;
    if (request.reducedFirst && request.reducedFirst->halvings > 0) {
        refining_ = false;
        renderHalvings_ = request.reducedFirst->halvings;
        renderGeneration_ =
            renderer_.request(request.state, request.reducedFirst->preview, request.excluded, renderHalvings_);
        request.reducedFirst.reset();
        refinement_ = std::move(request);
        return;
    }
    refining_ = false;
    renderHalvings_ = 0;
    renderGeneration_ = renderer_.request(request.state, request.preview, request.excluded);
}

void CompositeDisplay::receive(const QImage& composite, quint64 generation)
{
    if (generation != renderGeneration_)
        return;
    rendering_ = false;
    refining_ = false;
    publish(composite, renderHalvings_, renderRequest_);
    if (waiting_) {
        refinement_.reset();
        Request next = std::move(*waiting_);
        waiting_.reset();
        start(std::move(next));
    } else if (refinement_) {
        Request next = std::move(*refinement_);
        refinement_.reset();
        refining_ = true;
        rendering_ = true;
        renderRequest_ = next.number;
        renderHalvings_ = 0;
        renderGeneration_ = renderer_.request(next.state, next.preview, next.excluded);
    }
}

void CompositeDisplay::publish(const QImage& composite, int halvings, quint64 requestNumber)
{
    // The composite goes on screen together with its halved copies, so that no paint has to
    // shrink the full-size image.
    ++publishing_;
    const quint64 imageGeneration = ++imageGeneration_;
    QPointer<CompositeDisplay> self(this);
    startInBackground([self, composite, halvings, requestNumber, imageGeneration] {
        // A composite that a newer one overtook while waiting is not worth halving.
        QVector<QImage> halved;
        if (self->imageGeneration_ == imageGeneration)
            halved = halvedImages(composite, kHalvings - halvings);
        QMetaObject::invokeMethod(
            self.data(),
            [self, composite, halved = std::move(halved), halvings, requestNumber, imageGeneration]() mutable {
                if (!self)
                    return;
                --self->publishing_;
                // Published in order, so a frame that a newer one overtook never replaces it.
                if (self->imageGeneration_ != imageGeneration)
                    return;
                self->image_ = composite;
                self->imageHalvings_ = halvings;
                self->halved_ = std::move(halved);
                self->shownRequest_ = requestNumber;
                Q_EMIT self->updated();
            },
            Qt::QueuedConnection);
    }, BackgroundCores::all, &reductionPool_);
}

std::pair<const QImage*, double> CompositeDisplay::imageFor(double magnification) const
{
    const int further = std::min(reductionLevelFor(magnification, kHalvings) - imageHalvings_, int(halved_.size()));
    if (further <= 0)
        return {&image_, std::ldexp(1.0, -imageHalvings_)};
    return {&halved_[further - 1], std::ldexp(1.0, -(imageHalvings_ + further))};
}

}  // namespace velmaris
