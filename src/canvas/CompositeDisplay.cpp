#include "canvas/CompositeDisplay.h"

#include "render/ReducedImages.h"

#include <QPointer>

namespace velmaris {

namespace {

// Halvings down to 1/32, enough for the smallest magnification.
constexpr int kHalvings = 5;

}  // namespace

CompositeDisplay::CompositeDisplay(QObject* parent) : QObject(parent)
{
    reductionPool_.setMaxThreadCount(1);
    // TEMPORARY until the renderer takes exclusions and reports generations.
    connect(&renderer_, &PreviewRenderer::compositeReady, this, [this](const Bitmap& composite) {
        receive(composite.image().convertToFormat(QImage::Format_ARGB32_Premultiplied), renderGeneration_);
    });
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
    if (rendering_)
        waiting_ = std::move(next);
    else
        start(std::move(next));
}

void CompositeDisplay::cancel()
{
    renderer_.cancel();
    waiting_.reset();
    rendering_ = false;
}

void CompositeDisplay::start(Request request)
{
    rendering_ = true;
    CanvasState state = request.state;
    state.layers.removeIf([&](const Layer& layer) { return request.excluded.contains(layer.id); });
    renderer_.request(state, request.preview);
    ++renderGeneration_;
}

void CompositeDisplay::receive(const QImage& composite, quint64 generation)
{
    if (generation != renderGeneration_)
        return;
    rendering_ = false;
    image_ = composite;
    halved_.clear();
    const quint64 imageGeneration = ++imageGeneration_;
    QPointer<CompositeDisplay> self(this);
    reductionPool_.start([self, composite, imageGeneration] {
        QVector<QImage> halved = halvedImages(composite, kHalvings);
        QMetaObject::invokeMethod(
            self.data(),
            [self, halved = std::move(halved), imageGeneration]() mutable {
                if (!self || self->imageGeneration_ != imageGeneration)
                    return;
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
    Q_EMIT updated();
}

std::pair<const QImage*, double> CompositeDisplay::imageFor(double magnification) const
{
    const int level = reductionLevelFor(magnification, int(halved_.size()));
    if (level == 0)
        return {&image_, 1.0};
    return {&halved_[level - 1], 1.0 / double(1 << level)};
}

}  // namespace velmaris
