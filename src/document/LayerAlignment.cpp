#include "document/LayerAlignment.h"

#include "model/ExactCompare.h"
#include "document/ImageDocument.h"
#include "document/LayerTargets.h"
#include "render/Compositor.h"

#include <QHash>

#include <array>

namespace velmaris {

namespace {

constexpr std::array kAlignments{LayerAlignment::left,  LayerAlignment::centerHorizontal, LayerAlignment::right,
                                 LayerAlignment::top,   LayerAlignment::centerVertical,   LayerAlignment::bottom};

// The origin that aligns `box` to `reference`; the other coordinate stays.
QPointF alignedOrigin(const QRectF& box, const QRectF& reference, LayerAlignment alignment)
{
    QPointF origin = box.topLeft();
    switch (alignment) {
    case LayerAlignment::left: origin.setX(roundedPixels(reference.left())); break;
    case LayerAlignment::centerHorizontal:
        origin.setX(roundedPixels(reference.center().x() - box.width() / 2));
        break;
    case LayerAlignment::right: origin.setX(roundedPixels(reference.right() - box.width())); break;
    case LayerAlignment::top: origin.setY(roundedPixels(reference.top())); break;
    case LayerAlignment::centerVertical:
        origin.setY(roundedPixels(reference.center().y() - box.height() / 2));
        break;
    case LayerAlignment::bottom: origin.setY(roundedPixels(reference.bottom() - box.height())); break;
    }
    return origin;
}

// New origins of the layers that move, by stack index.
QHash<int, QPointF> alignmentMoves(const ImageDocument& document, int primary, LayerAlignment alignment)
{
    const CanvasState& state = document.state();
    QVector<int> moving;
    QRectF reference;
    if (state.extraSelectedLayers().isEmpty()) {
        moving = {primary};
        // A selection dragged up or left is stored with a negative width or height; its edges
        // are the same either way.
        reference = document.selection().rect.value_or(QRectF(QPointF(0, 0), state.size)).normalized();
    } else {
        moving = targetLayerIndices(state);
        moving.removeOne(primary);
        reference = state.layers[primary].box();
    }
    QHash<int, QPointF> moves;
    for (int index : moving) {
        const Layer& layer = state.layers[index];
        const QPointF origin = alignedOrigin(layer.box(), reference, alignment);
        if (!exactlyEqual(origin, layer.origin))
            moves.insert(index, origin);
    }
    return moves;
}

}  // namespace

QString rawValue(LayerAlignment alignment)
{
    switch (alignment) {
    case LayerAlignment::left: return QStringLiteral("left");
    case LayerAlignment::centerHorizontal: return QStringLiteral("centerHorizontal");
    case LayerAlignment::right: return QStringLiteral("right");
    case LayerAlignment::top: return QStringLiteral("top");
    case LayerAlignment::centerVertical: return QStringLiteral("centerVertical");
    case LayerAlignment::bottom: return QStringLiteral("bottom");
    }
    return {};
}

QString displayName(LayerAlignment alignment)
{
    switch (alignment) {
    case LayerAlignment::left: return QStringLiteral("Left");
    case LayerAlignment::centerHorizontal: return QStringLiteral("Horizontal Center");
    case LayerAlignment::right: return QStringLiteral("Right");
    case LayerAlignment::top: return QStringLiteral("Top");
    case LayerAlignment::centerVertical: return QStringLiteral("Vertical Center");
    case LayerAlignment::bottom: return QStringLiteral("Bottom");
    }
    return {};
}

std::optional<LayerAlignment> layerAlignmentFromRawValue(const QString& raw)
{
    for (LayerAlignment alignment : kAlignments) {
        if (rawValue(alignment) == raw)
            return alignment;
    }
    return std::nullopt;
}

bool alignLayers(ImageDocument& document, LayerAlignment alignment)
{
    const std::optional<int> primary = document.state().selectedLayerIndex();
    if (!primary)
        return false;
    const bool several = !document.state().extraSelectedLayers().isEmpty();
    const QHash<int, QPointF> moves = alignmentMoves(document, *primary, alignment);
    if (moves.isEmpty())
        return false;
    CanvasState state = document.state();
    for (auto move = moves.cbegin(); move != moves.cend(); ++move)
        state.layers[move.key()].origin = move.value();
    document.commitState(std::move(state), (several ? QStringLiteral("Align Layers ") : QStringLiteral("Align Layer "))
                           + displayName(alignment));
    return true;
}

}  // namespace velmaris
