#include "render/Compositor.h"

#include "render/LayerRasterization.h"

#include "render/Blend.h"
#include "render/ClipMask.h"
#include "render/CompositeBaseCache.h"
#include "render/EffectSilhouette.h"
#include "render/RenderCancellation.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

std::optional<Bitmap> layerImage(const Layer& layer, const LayerPreview* preview)
{
    std::optional<Bitmap> image = layerPixels(layer);
    if (!image)
        return std::nullopt;
    if (preview && preview->layerID == layer.id)
        image = applyPreviewToLayerImage(*image, layer, *preview);
    return image;
}

void drawSilhouette(BitmapBuilder& target, const std::optional<EffectSilhouette>& silhouette,
                    QPointF layerTopLeft, const Layer& layer)
{
    if (!silhouette)
        return;
    const QPointF topLeft = layerTopLeft - QPointF(silhouette->spread, silhouette->spread);
    blendInto(target, silhouette->image, topLeft, layer.blendMode, layer.opacity);
}

// Whether a layer drawn over nothing leaves its own pixels: a bitmap covering the canvas exactly,
// at full opacity, in normal mode, without effects. The composite then starts from it as it is, with
// no cleared buffer and no blend pass, and a one-layer image is its layer, not a copy.
bool drawsAsItIs(const Layer& layer, QSize canvasSize)
{
    const Bitmap* bitmap = layer.bitmap();
    return bitmap && bitmap->size() == canvasSize && layer.origin == QPointF() && layer.opacity >= 1
        && layer.blendMode == LayerBlendMode::normal && layer.effects == LayerEffects{};
}

// The drop shadow's blur is the drawing library's blur amount, about twice the Gaussian's sigma.
constexpr double kShadowBlurPerSigma = 2.0;

}  // namespace

int roundedPixels(double length)
{
    return int(std::lround(length));
}

void drawLayer(BitmapBuilder& target, const Bitmap& image, const Layer& layer, QPointF offset,
               const RenderCancellation* cancellation)
{
    if (!(layer.opacity > 0))
        return;
    const QPointF topLeft = layer.origin - offset;
    // Documents and operations keep effects within the maxima already; whatever state comes here,
    // an effect costs no more than the largest one.
    const LayerEffects effects = clampedLayerEffects(layer.effects);
    if (effects.glow && effects.glow->radius > 0)
        drawSilhouette(target,
                       cachedEffectSilhouette(image, effects.glow->color, effects.glow->radius * 0.5,
                                              effects.glow->radius, cancellation),
                       topLeft, layer);
    if (effects.stroke && effects.stroke->width > 0)
        drawSilhouette(target,
                       cachedEffectSilhouette(image, effects.stroke->color, effects.stroke->width, 0, cancellation),
                       topLeft, layer);
    if (effects.shadow) {
        const ShadowEffect& shadow = *effects.shadow;
        const QPointF shadowOffset(shadow.offset.width(), shadow.offset.height());
        drawSilhouette(target,
                       cachedEffectSilhouette(image, shadow.color, 0,
                                              std::max(0.0, shadow.blur) / kShadowBlurPerSigma, cancellation),
                       topLeft + shadowOffset, layer);
    }
    blendInto(target, image, topLeft, layer.blendMode, layer.opacity);
}

std::optional<Bitmap> renderComposite(const CanvasState& state, const LayerPreview* preview,
                                      const QSet<QUuid>& excluded, RenderCancellation* cancellation)
{
    const int width = roundedPixels(state.size.width());
    const int height = roundedPixels(state.size.height());
    if (width < 1 || height < 1)
        return std::nullopt;
    QVector<Layer> drawn;
    for (const Layer& layer : state.layers)
        if (layer.isVisible && !excluded.contains(layer.id))
            drawn.append(layer);
    int previewIndex = int(drawn.size());
    for (int i = 0; preview && i < drawn.size(); ++i)
        if (drawn[i].id == preview->layerID)
            previewIndex = std::min(previewIndex, i);

    const QSize size(width, height);
    CompositePlan plan = planComposite(size, drawn, previewIndex);
    if (plan.start.isNull() && previewIndex > 0 && !drawn.isEmpty() && drawsAsItIs(drawn.front(), size)) {
        plan.start = *drawn.front().bitmap();
        plan.startCount = 1;
    }
    if (plan.startCount == drawn.size() && !plan.start.isNull())
        return plan.start;
    auto target = plan.start.isNull() ? BitmapBuilder::create(width, height) : BitmapBuilder::copyOf(plan.start);
    if (!target)
        return std::nullopt;
    // A render without a cancellation of its own still stops for RenderCancellation::cancelEverything.
    RenderCancellation own;
    RenderCancellation& token = cancellation ? *cancellation : own;
    Bitmap kept;
    token.run([&] {
        for (int i = plan.startCount; i < drawn.size(); ++i) {
            if (token.isCancelled())
                return;
            if (i == plan.keepAt)
                kept = Bitmap::fromImage(target->image().copy());
            if (const auto image = layerImage(drawn[i], preview))
                drawLayer(*target, *image, drawn[i], QPointF(0, 0), &token);
        }
    });
    if (token.isCancelled())
        return std::nullopt;
    Bitmap composite = std::move(*target).build();
    if (plan.keepAt == drawn.size())
        kept = composite;
    if (!kept.isNull())
        keepCompositeBase(size, drawn, plan.keepAt, kept);
    return composite;
}

std::optional<RenderedRegion> renderLayerRegion(const QVector<Layer>& layers, const LayerPreview* preview)
{
    QRectF united;
    for (const Layer& layer : layers)
        united = united.isNull() ? layer.box() : united.united(layer.box());
    const QRect region = united.toAlignedRect();
    if (region.width() < 1 || region.height() < 1)
        return std::nullopt;
    auto target = BitmapBuilder::create(region.width(), region.height());
    if (!target)
        return std::nullopt;
    for (const Layer& layer : layers) {
        if (!layer.isVisible)
            continue;
        if (const auto image = layerImage(layer, preview))
            drawLayer(*target, *image, layer, QPointF(region.topLeft()));
    }
    return RenderedRegion{std::move(*target).build(), region};
}

Bitmap applyPreviewToLayerImage(const Bitmap& image, const Layer& layer, const LayerPreview& preview)
{
    Bitmap filtered = preview.filter ? preview.filter(image) : Bitmap();
    if (filtered.isNull())
        return image;
    if (filtered.size() != image.size())
        filtered = Bitmap::fromImage(filtered.image().copy(0, 0, image.width(), image.height()));
    if (!preview.selection)
        return filtered;

    auto masked = BitmapBuilder::copyOf(image);
    if (!masked)
        return filtered;
    const QRectF local = preview.selection->translated(-layer.origin);
    const MaskShape shape =
        preview.selectionShape == SelectionShape::ellipse ? MaskShape::ellipse : MaskShape::rectangle;
    const AlphaPlane clip = makeClipMask(image.width(), image.height(), local, shape, preview.selectionInverted);
    blendInto(*masked, filtered, QPoint(0, 0), LayerBlendMode::normal, 1.0, &clip);
    return std::move(*masked).build();
}

}  // namespace velmaris
