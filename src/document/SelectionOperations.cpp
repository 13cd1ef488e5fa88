#include "document/SelectionOperations.h"

#include "document/DialogInput.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

void selectAll(ImageDocument& document)
{
    document.setSelectionShape(SelectionShape::rectangle);
    document.setSelectionRect(QRectF(QPointF(0, 0), document.state().size));
}

void deselect(ImageDocument& document)
{
    // The next selection starts afresh, not inside out.
    document.setSelectionInverted(false);
    document.setSelectionRect(std::nullopt);
}

void invertSelection(ImageDocument& document)
{
    document.setSelectionInverted(!document.selection().inverted);
}

bool selectFixedSize(ImageDocument& document, QSizeF size)
{
    if (!fixedSelectionSideAllowed(size.width()) || !fixedSelectionSideAllowed(size.height()))
        return false;
    const QSizeF canvas = document.state().size;
    const QRectF centred(std::round((canvas.width() - size.width()) / 2),
                         std::round((canvas.height() - size.height()) / 2), std::round(size.width()),
                         std::round(size.height()));
    const std::optional<QRect> rect = integralRectInCanvas(centred, canvas);
    if (!rect)
        return false;
    document.setSelectionRect(QRectF(*rect));
    return true;
}

std::optional<QRect> integralRectInCanvas(const QRectF& rect, QSizeF canvasSize)
{
    const QRectF r = rect.normalized();
    const double left = std::max(r.left(), 0.0), top = std::max(r.top(), 0.0);
    const double right = std::min(r.right(), canvasSize.width());
    const double bottom = std::min(r.bottom(), canvasSize.height());
    // Written so that NaN also counts as empty.
    if (!(left <= right && top <= bottom))
        return std::nullopt;
    const int x = int(std::floor(left)), y = int(std::floor(top));
    const QRect integral(x, y, int(std::ceil(right)) - x, int(std::ceil(bottom)) - y);
    if (integral.isEmpty())
        return std::nullopt;
    return integral;
}

std::optional<QRect> selectionPixelRect(const ImageDocument& document)
{
    const std::optional<QRectF>& selection = document.selection().rect;
    if (!selection)
        return std::nullopt;
    return integralRectInCanvas(*selection, document.state().size);
}

}  // namespace velmaris
