#include "render/TextRasterizer.h"

#include "model/StyledTextLayout.h"

#include <QPainter>

namespace velmaris {

std::optional<Bitmap> rasterizeTextLayer(const TextLayerAttributes& attributes)
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

}  // namespace velmaris
