#pragma once

#include "model/CanvasState.h"
#include "render/Compositor.h"

#include <QSet>
#include <QUuid>

#include <optional>

namespace velmaris {

class RenderCancellation;

// The canvas halved `halvings` times (each side halved and rounded down, at least 1), with every
// layer's pixels, position and effect sizes halved alike: what a zoomed-out view shows, at a
// fraction of the cost of the full render. Positions round to whole reduced pixels. The preview,
// when given, is in reduced coordinates (its filter scaled to match, see FilterInstance::scaled).
// Halved layer pixels are cached, so a render that follows another draws no layer halving again.
std::optional<Bitmap> renderReducedComposite(const CanvasState& state, int halvings,
                                             const LayerPreview* preview = nullptr, const QSet<QUuid>& excluded = {},
                                             RenderCancellation* cancellation = nullptr);

// A length of the canvas `halvings` times halved, as halvedImages makes it.
int halvedLength(int length, int halvings);

void clearReducedLayerCache();

}  // namespace velmaris
