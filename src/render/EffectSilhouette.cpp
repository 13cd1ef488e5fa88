#include "render/EffectSilhouette.h"

#include "render/AlphaPlane.h"
#include "render/GaussianBlur.h"
#include "render/Morphology.h"
#include "render/Parallel.h"
#include "render/RenderCancellation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

namespace velmaris {

namespace {

// The output pixel for every alpha value: the colour premultiplied by colour alpha × pixel alpha.
std::array<std::uint32_t, 256> colourTable(const StoredColor& color)
{
    const double components[3] = {color.red, color.green, color.blue};
    const double alpha = std::clamp(color.alpha, 0.0, 1.0);
    std::array<std::uint32_t, 256> table{};
    for (int value = 0; value < 256; ++value) {
        const double scaledAlpha = alpha * value;
        std::uint8_t bytes[4];
        for (int c = 0; c < 3; ++c)
            bytes[c] = std::uint8_t(std::lround(std::clamp(components[c], 0.0, 1.0) * scaledAlpha));
        bytes[3] = std::uint8_t(std::lround(scaledAlpha));
        std::memcpy(&table[value], bytes, 4);
    }
    return table;
}

// The image's alpha, with `spread` empty pixels on every side.
AlphaPlane paddedAlpha(const Bitmap& image, int spread)
{
    AlphaPlane plane(image.width() + 2 * spread, image.height() + 2 * spread);
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* source = image.row(y);
            std::uint8_t* target = plane.row(y + spread) + spread;
            for (int x = 0; x < image.width(); ++x)
                target[x] = source[4 * x + 3];
        }
    });
    return plane;
}

struct SilhouetteKey {
    Bitmap source;
    StoredColor color;
    double dilation = 0;
    double blur = 0;

    friend bool operator==(const SilhouetteKey& a, const SilhouetteKey& b)
    {
        return a.source.sharesPixelsWith(b.source) && a.color == b.color && a.dilation == b.dilation
            && a.blur == b.blur;
    }
};

struct SilhouetteKeyHash {
    std::size_t operator()(const SilhouetteKey& key) const
    {
        std::size_t seed = std::hash<const void*>{}(key.source.identity());
        for (double value : {key.color.red, key.color.green, key.color.blue, key.color.alpha, key.dilation, key.blur})
            seed ^= std::hash<double>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        return seed;
    }
};

// Two shadowed full-size photo layers with their sources fit; the sources count because the
// entries keep them alive.
constexpr std::int64_t kSilhouetteCacheBytes = std::int64_t(512) << 20;

using SilhouetteCache = LruCache<SilhouetteKey, std::optional<EffectSilhouette>, SilhouetteKeyHash>;

SilhouetteCache& silhouetteCache()
{
    static SilhouetteCache cache(kSilhouetteCacheBytes);
    return cache;
}

}  // namespace

std::optional<EffectSilhouette> makeEffectSilhouette(const Bitmap& image, const StoredColor& color, double dilation,
                                                     double blur)
{
    if (image.isNull())
        return std::nullopt;
    for (double value : {color.red, color.green, color.blue, color.alpha, dilation, blur})
        if (!std::isfinite(value))
            return std::nullopt;
    dilation = std::max(dilation, 0.0);
    blur = std::max(blur, 0.0);
    const double spread = std::ceil(dilation + 3 * blur);
    if (spread > kMaxBitmapSide)
        return std::nullopt;
    const int p = int(spread);
    if (!bitmapSizeAllowed(qint64(image.width()) + 2 * p, qint64(image.height()) + 2 * p))
        return std::nullopt;
    auto builder = BitmapBuilder::create(image.width() + 2 * p, image.height() + 2 * p);
    if (!builder)
        return std::nullopt;

    AlphaPlane plane = paddedAlpha(image, p);
    if (dilation > 0)
        morphologyMaximum(plane, dilation);
    if (blur > 0)
        gaussianBlur(plane, blur, BlurEdge::transparent);

    const auto table = colourTable(color);
    parallelRows(plane.height, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* alpha = plane.row(y);
            std::uint8_t* target = builder->row(y);
            for (int x = 0; x < plane.width; ++x)
                std::memcpy(target + 4 * x, &table[alpha[x]], 4);
        }
    });
    return EffectSilhouette{std::move(*builder).build(), p};
}

std::optional<EffectSilhouette> cachedEffectSilhouette(const Bitmap& image, const StoredColor& color,
                                                       double dilation, double blur,
                                                       const RenderCancellation* cancellation)
{
    const SilhouetteKey key{image, color, dilation, blur};
    if (std::optional<std::optional<EffectSilhouette>> cached = silhouetteCache().find(key))
        return std::move(*cached);
    std::optional<EffectSilhouette> silhouette = makeEffectSilhouette(image, color, dilation, blur);
    if (renderCancelled(cancellation))
        return silhouette;
    const std::int64_t cost = image.byteCount() + (silhouette ? silhouette->image.byteCount() : 0);
    silhouetteCache().insert(key, silhouette, cost);
    return silhouette;
}

void clearEffectSilhouetteCache()
{
    silhouetteCache().clear();
}

CacheCounts effectSilhouetteCacheCounts()
{
    return silhouetteCache().counts();
}

}  // namespace velmaris
