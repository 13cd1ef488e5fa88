#include "canvas/tools/TextTool.h"

#include "canvas/CanvasView.h"
#include "canvas/tools/LayerHit.h"
#include "document/TextEditingSession.h"

namespace velmaris {

void TextTool::press(const ToolPointer& pointer)
{
    ImageDocument& document = *view_.document();
    if (const std::optional<Layer> text = topmostLayerAt(document.state(), pointer.point, true))
        editTextLayer(document, text->id);
    else
        addTextLayer(document, pointer.point);
}

QCursor TextTool::cursor(QPointF point) const
{
    const ImageDocument* document = view_.document();
    if (document && topmostLayerAt(document->state(), point, true))
        return Qt::IBeamCursor;
    return Qt::CrossCursor;
}

}  // namespace velmaris
