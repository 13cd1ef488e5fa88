#include "document/CopyComposite.h"

#include "document/ImageDocument.h"
#include "platform/Pasteboard.h"
#include "render/Blend.h"
#include "render/ClipMask.h"
#include "render/Compositor.h"

#include <cmath>

namespace velmaris {

namespace {

// The smallest whole-pixel rectangle holding `rect`.
QRect roundedOutward(const QRectF& rect)
{
    const int left = int(std::floor(rect.left()));
    const int top = int(std::floor(rect.top()));
    const int right = int(std::ceil(rect.right()));
    const int bottom = int(std::ceil(rect.bottom()));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

bool insideIntRange(const QRectF& rect)
{
    constexpr double limit = 1e9;
    return std::isfinite(rect.left()) && std::isfinite(rect.top()) && std::isfinite(rect.right())
           && std::isfinite(rect.bottom()) && std::abs(rect.left()) < limit && std::abs(rect.top()) < limit
           && std::abs(rect.right()) < limit && std::abs(rect.bottom()) < limit;
}

}  // namespace

std::optional<QRect> copyRegion(QSize canvas, const DocumentSelection& selection)
{
    const QRect whole(QPoint(0, 0), canvas);
    QRect region = whole;
    if (selection.rect && !selection.inverted) {
        if (!insideIntRange(*selection.rect))
            return std::nullopt;
        region = roundedOutward(selection.rect->normalized()) & whole;
    }
    if (region.width() < 1 || region.height() < 1)
        return std::nullopt;
    return region;
}

std::optional<Bitmap> copiedImage(const CanvasState& state, const DocumentSelection& selection)
{
    const std::optional<Bitmap> composite = renderComposite(state);
    if (!composite)
        return std::nullopt;
    return selectedPart(*composite, selection);
}

std::optional<Bitmap> selectedPart(const Bitmap& composite, const DocumentSelection& selection)
{
    const std::optional<QRect> region = copyRegion(composite.size(), selection);
    if (!region)
        return std::nullopt;
    const Bitmap cut =
        region->size() == composite.size() ? composite : Bitmap::fromImage(composite.image().copy(*region));
    if (cut.isNull())
        return std::nullopt;

    const bool masked = selection.rect && (selection.shape == SelectionShape::ellipse || selection.inverted);
    if (!masked || !insideIntRange(*selection.rect))
        return cut;
    const QRect clip = roundedOutward(selection.rect->normalized()) & QRect(QPoint(0, 0), composite.size());
    if (clip.isEmpty())
        return cut;
    const QRectF shapeRect(clip.topLeft() - region->topLeft(), QSizeF(clip.size()));
    const MaskShape shape = selection.shape == SelectionShape::ellipse ? MaskShape::ellipse : MaskShape::rectangle;
    const AlphaPlane mask = makeClipMask(cut.width(), cut.height(), shapeRect, shape, selection.inverted);
    std::optional<BitmapBuilder> builder = BitmapBuilder::create(cut.width(), cut.height());
    if (!builder || mask.width != cut.width())
        return cut;  // the unmasked cut rather than nothing
    blendInto(*builder, cut, QPoint(0, 0), LayerBlendMode::normal, 1.0, &mask);
    return std::move(*builder).build();
}

bool copyComposite(const ImageDocument& document, const Pasteboard& pasteboard, std::function<void()> written)
{
    const std::optional<Bitmap> image = copiedImage(document.state(), document.selection());
    if (!image)
        return false;
    pasteboard.writeImage(*image, std::move(written));
    return true;
}

}  // namespace velmaris
