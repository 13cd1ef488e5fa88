#pragma once

#include "model/Layer.h"
#include "model/LruCache.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

namespace velmaris {

// What a thumbnail shows: one bitmap (by the identity of its pixels, which QImage never hands to
// other pixels) or one text layer's attributes.
struct ThumbnailKey {
    qint64 bitmap = 0;
    std::optional<TextLayerAttributes> text;

    static std::optional<ThumbnailKey> of(const Layer& layer);
    friend bool operator==(const ThumbnailKey& a, const ThumbnailKey& b)
    {
        return a.bitmap == b.bitmap && a.text == b.text;
    }
};

struct ThumbnailKeyHash {
    std::size_t operator()(const ThumbnailKey& key) const;
};

// Small pictures of layers for the layers panel. They are drawn on a worker thread, so a big layer
// never holds up the main thread: the first request answers nothing and thumbnailReady() follows.
// Results for pixels the panel no longer shows are dropped rather than cached.
class LayerThumbnails : public QObject {
    Q_OBJECT
public:
    // `isShown` tells whether a finished result is still wanted.
    explicit LayerThumbnails(std::function<bool(const ThumbnailKey&)> isShown, QSize maximumSize,
                             QObject* parent = nullptr);
    ~LayerThumbnails() override;

    // The cached picture, or nothing while it is being drawn (a request is queued once).
    // A text layer whose text cannot be drawn gets a null image.
    std::optional<QImage> thumbnail(const Layer& layer);
    // Cancels the queued requests whose pixels are no longer shown.
    void dropUnwanted();
    bool isIdle() const { return pending_.empty(); }
    CacheCounts counts() const { return cache_.counts(); }

    // The layer's pixels scaled proportionally to fit `maximumSize` (never enlarged).
    static QImage draw(const LayerContent& content, QSize maximumSize);

Q_SIGNALS:
    void thumbnailReady(const velmaris::ThumbnailKey& key);

private:
    void finish(const ThumbnailKey& key, const QImage& image);

    std::function<bool(const ThumbnailKey&)> isShown_;
    QSize maximumSize_;
    LruCache<ThumbnailKey, QImage, ThumbnailKeyHash> cache_;
    std::unordered_map<ThumbnailKey, std::shared_ptr<std::atomic_bool>, ThumbnailKeyHash> pending_;
    QThreadPool pool_;
};

}  // namespace velmaris
