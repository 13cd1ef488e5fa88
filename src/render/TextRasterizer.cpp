#include "render/TextRasterizer.h"

#include "model/StyledText.h"
#include "model/StyledTextLayout.h"

#include <QPainter>

namespace velmaris {

namespace {

// Enough for dozens of screen-sized text layers; a failed rasterisation is remembered cheaply.
constexpr std::int64_t kTextRasterCacheBytes = std::int64_t(128) << 20;
constexpr std::int64_t kEntryOverhead = 256;

using TextRasterCache = LruCache<TextLayerAttributes, std::optional<Bitmap>, TextLayerAttributesHash>;

TextRasterCache& textRasterCache()
{
    static TextRasterCache cache(kTextRasterCacheBytes);
    return cache;
}

std::optional<Bitmap> drawTextLayer(const TextLayerAttributes& attributes)
{
    const StyledTextLayout layout(styledText(attributes));
    const QSize size = textLayerPixelSize(layout.size());
    std::optional<BitmapBuilder> builder = BitmapBuilder::create(size.width(), size.height());
    if (!builder)
        return std::nullopt;
    {
        QPainter painter(&builder->image());
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        layout.draw(painter, QPointF(1, 1));
    }
    return std::move(*builder).build();
}

}  // namespace

std::optional<Bitmap> rasterizeTextLayer(const TextLayerAttributes& attributes)
{
    return textRasterCache().findOrInsert(
        attributes, [&] { return drawTextLayer(attributes); },
        [&](const std::optional<Bitmap>& pixels) {
            return kEntryOverhead + 2 * attributes.string.size() + (pixels ? pixels->byteCount() : 0);
        });
}

void clearTextRasterCache()
{
    textRasterCache().clear();
}

CacheCounts textRasterCacheCounts()
{
    return textRasterCache().counts();
}

}  // namespace velmaris
