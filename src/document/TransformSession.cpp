#include "document/TransformSession.h"

#include "document/ImageDocument.h"
#include "document/LayerTargets.h"
#include "document/TextEditingSession.h"
#include "render/LayerRasterization.h"
#include "render/TransformedImage.h"

#include <cmath>

namespace velmaris {

namespace {

void closeSession(ImageDocument& document)
{
    document.replaceTransform(std::nullopt);
    document.setLiveState(document.state());  // announces the state, unchanged
    document.announceTransformChange();
}

}  // namespace

void beginTransform(ImageDocument& document)
{
    if (document.transform())
        return;
    const std::optional<Layer> layer = document.state().selectedLayer();
    if (!layer || layer->isLocked)
        return;
    const std::optional<Bitmap> raster = layerPixels(*layer);
    if (!raster)
        return;
    commitTextEditing(document);
    TransformSession session;
    session.layerID = layer->id;
    session.raster = *raster;
    session.originalSize = QSizeF(raster->width(), raster->height());
    session.center = layer->box().center();
    document.replaceTransform(session);
    document.announceTransformChange();
}

void commitTransform(ImageDocument& document)
{
    if (!document.transform())
        return;
    const TransformSession session = *document.transform();
    const std::optional<int> index = layerIndex(document.state(), session.layerID);
    const bool unchanged = session.scaleX == 1 && session.scaleY == 1 && session.rotation == 0
        && (!index || session.center == document.state().layers[*index].box().center());
    const std::optional<Bitmap> image = unchanged
        ? std::nullopt
        : renderTransformed(session.raster, session.scaleX, session.scaleY, session.rotation);
    if (!image || !index) {
        closeSession(document);
        return;
    }
    document.replaceTransform(std::nullopt);
    CanvasState state = document.state();
    Layer& layer = state.layers[*index];
    layer.content = *image;
    layer.origin = QPointF(std::round(session.center.x() - image->width() / 2.0),
                           std::round(session.center.y() - image->height() / 2.0));
    document.commitState(std::move(state), QStringLiteral("Transform Layer"));
    document.announceTransformChange();
}

void cancelTransform(ImageDocument& document)
{
    if (document.transform())
        closeSession(document);
}

}  // namespace velmaris
