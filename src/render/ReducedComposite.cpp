#include "render/ReducedComposite.h"

#include "model/LruCache.h"
#include "render/LayerRasterization.h"
#include "render/ReducedImages.h"

#include <cmath>

namespace velmaris {

namespace {

struct ReducedKey {
    Bitmap source;  // kept alive, so its identity cannot be reused by another bitmap
    int halvings = 0;

    friend bool operator==(const ReducedKey& a, const ReducedKey& b)
    {
        return a.source.sharesPixelsWith(b.source) && a.halvings == b.halvings;
    }
};

struct ReducedKeyHash {
    std::size_t operator()(const ReducedKey& key) const
    {
        return std::hash<const void*>{}(key.source.identity()) ^ std::size_t(key.halvings);
    }
};

// The sources count as the entries keep them alive: five full-size photo layers and their halves fit.
constexpr std::int64_t kReducedCacheBytes = std::int64_t(384) << 20;

LruCache<ReducedKey, Bitmap, ReducedKeyHash>& reducedLayers()
{
    static LruCache<ReducedKey, Bitmap, ReducedKeyHash> cache(kReducedCacheBytes);
    return cache;
}

Bitmap reducedPixels(const Bitmap& source, int halvings)
{
    return reducedLayers().findOrInsert(
        ReducedKey{source, halvings},
        [&] {
            // No smallest side: a thin layer still halves to one pixel, as the canvas does.
            const QVector<QImage> levels = halvedImages(source.image(), halvings, 0);
            return levels.size() == halvings ? Bitmap::fromImage(levels.last()) : Bitmap();
        },
        [&](const Bitmap& reduced) { return source.byteCount() + reduced.byteCount(); });
}

LayerEffects scaledEffects(LayerEffects effects, double scale)
{
    if (effects.shadow) {
        effects.shadow->offset *= scale;
        effects.shadow->blur *= scale;
    }
    if (effects.stroke)
        effects.stroke->width *= scale;
    if (effects.glow)
        effects.glow->radius *= scale;
    return effects;
}

}  // namespace

int halvedLength(int length, int halvings)
{
    for (int i = 0; i < halvings; ++i)
        length = std::max(length / 2, 1);
    return length;
}

std::optional<Bitmap> renderReducedComposite(const CanvasState& state, int halvings, const LayerPreview* preview,
                                             const QSet<QUuid>& excluded, RenderCancellation* cancellation)
{
    if (halvings <= 0)
        return renderComposite(state, preview, excluded, cancellation);
    const int width = roundedPixels(state.size.width()), height = roundedPixels(state.size.height());
    if (width < 1 || height < 1)
        return std::nullopt;
    const double scale = std::ldexp(1.0, -halvings);
    CanvasState reduced = state;
    reduced.size = QSizeF(halvedLength(width, halvings), halvedLength(height, halvings));
    for (Layer& layer : reduced.layers) {
        if (!layer.isVisible || excluded.contains(layer.id))
            continue;
        const std::optional<Bitmap> pixels = layerPixels(layer);
        const Bitmap halved = pixels ? reducedPixels(*pixels, halvings) : Bitmap();
        if (halved.isNull()) {
            layer.isVisible = false;
            continue;
        }
        layer.content = halved;
        layer.origin = QPointF(std::round(layer.origin.x() * scale), std::round(layer.origin.y() * scale));
        layer.effects = scaledEffects(layer.effects, scale);
    }
    return renderComposite(reduced, preview, excluded, cancellation);
}

void clearReducedLayerCache()
{
    reducedLayers().clear();
}

}  // namespace velmaris
