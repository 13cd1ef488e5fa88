#include "window/LayerThumbnails.h"

#include "model/StyledText.h"
#include "render/BackgroundPriority.h"
#include "render/LayerRasterization.h"
#include "render/ReducedImages.h"
#include "render/Resample.h"

#include <QMetaObject>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// Enough for a few hundred rows at twice the display density.
constexpr std::int64_t kCacheBytes = 24 << 20;

// The proportional size that fits `box`, at least one pixel a side, never larger than `size`.
QSize fittedSize(QSize size, QSize box)
{
    const double scale = std::min({1.0, double(box.width()) / size.width(), double(box.height()) / size.height()});
    return {std::max(1, int(std::lround(size.width() * scale))), std::max(1, int(std::lround(size.height() * scale)))};
}

}  // namespace

std::optional<ThumbnailKey> ThumbnailKey::of(const Layer& layer)
{
    if (const Bitmap* bitmap = layer.bitmap())
        return bitmap->isNull() ? std::nullopt : std::optional<ThumbnailKey>(ThumbnailKey{bitmap->image().cacheKey(), {}});
    if (const TextLayerAttributes* text = layer.text())
        return ThumbnailKey{0, *text};
    return std::nullopt;
}

std::size_t ThumbnailKeyHash::operator()(const ThumbnailKey& key) const
{
    return key.text ? TextLayerAttributesHash{}(*key.text) : std::hash<qint64>{}(key.bitmap);
}

LayerThumbnails::LayerThumbnails(std::function<bool(const ThumbnailKey&)> isShown, QSize maximumSize, QObject* parent)
    : QObject(parent), isShown_(std::move(isShown)), maximumSize_(maximumSize), cache_(kCacheBytes)
{
    // One worker: thumbnails are small and the main thread needs the other core.
    pool_.setMaxThreadCount(1);
}

LayerThumbnails::~LayerThumbnails()
{
    for (auto& [key, cancelled] : pending_)
        *cancelled = true;
    pool_.clear();
    pool_.waitForDone();
}

std::optional<QImage> LayerThumbnails::thumbnail(const Layer& layer)
{
    const std::optional<ThumbnailKey> key = ThumbnailKey::of(layer);
    if (!key)
        return QImage();
    if (std::optional<QImage> cached = cache_.find(*key))
        return cached;
    if (pending_.count(*key))
        return std::nullopt;
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    pending_.emplace(*key, cancelled);
    startInBackground([this, key = *key, content = layer.content, size = maximumSize_, cancelled] {
        if (*cancelled)
            return;
        const QImage image = draw(content, size);
        if (*cancelled)
            return;
        QMetaObject::invokeMethod(this, [this, key, image] { finish(key, image); }, Qt::QueuedConnection);
    }, BackgroundCores::allButOne, &pool_);
    return std::nullopt;
}

void LayerThumbnails::dropUnwanted()
{
    for (auto entry = pending_.begin(); entry != pending_.end();) {
        if (isShown_(entry->first)) {
            ++entry;
            continue;
        }
        *entry->second = true;
        entry = pending_.erase(entry);
    }
}

void LayerThumbnails::finish(const ThumbnailKey& key, const QImage& image)
{
    const auto entry = pending_.find(key);
    // A cancelled request may still finish; its key may be asked for again meanwhile.
    if (entry == pending_.end() || *entry->second)
        return;
    pending_.erase(entry);
    if (!isShown_(key))
        return;
    cache_.insert(key, image, std::max<qint64>(image.sizeInBytes(), 1));
    Q_EMIT thumbnailReady(key);
}

QImage LayerThumbnails::draw(const LayerContent& content, QSize maximumSize)
{
    Layer layer;
    layer.content = content;
    const std::optional<Bitmap> pixels = layerPixels(layer);
    if (!pixels || pixels->isNull())
        return {};
    const QSize target = fittedSize(pixels->size(), maximumSize);
    if (target == pixels->size())
        return pixels->image();
    // Halve by plain averaging while the image stays at least twice the target, so the filter
    // below reads a few thousand pixels per row rather than the whole layer.
    int halvings = 0;
    for (QSize size = pixels->size(); size.width() / 2 >= 2 * target.width() && size.height() / 2 >= 2 * target.height();
         size /= 2)
        ++halvings;
    Bitmap source = *pixels;
    if (halvings > 0) {
        const QVector<QImage> levels = halvedImages(pixels->image(), halvings);
        if (!levels.isEmpty())
            source = Bitmap::fromImage(levels.last());
    }
    const std::optional<Bitmap> scaled = resampleBitmap(source, target.width(), target.height());
    return scaled ? scaled->image() : QImage();
}

}  // namespace velmaris
