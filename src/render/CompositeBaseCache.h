#pragma once

#include "model/Layer.h"
#include "model/LruCache.h"
#include "model/Bitmap.h"

#include <QSize>
#include <QVector>

namespace velmaris {

// The composite of a document's bottom layers, kept so that a redraw after a change to one layer
// (a drag, a slider on its opacity) starts from the pixels under that layer instead of drawing
// every layer below it again, and a redraw with nothing changed (the selection moved) draws nothing.
// Layers compare by value, bitmaps by identity. One base is kept per canvas size, for the two sizes
// rendered most recently (a filter preview renders at the size the view shows, then at full size).
struct CompositePlan {
    Bitmap start;      // the composite of the first `startCount` drawn layers; null to start empty
    int startCount = 0;
    int keepAt = -1;   // after drawing this many layers, keep the result as the next base; -1: none
};

// `drawn` are the layers the render draws, bottom first; layers from `previewIndex` on are drawn
// with a live filter, so no base reaches into them.
CompositePlan planComposite(QSize size, const QVector<Layer>& drawn, int previewIndex);
// Keeps the composite of drawn[0, count) (from a render that was not cancelled).
void keepCompositeBase(QSize size, const QVector<Layer>& drawn, int count, const Bitmap& pixels);

void clearCompositeBase();
// A hit is a render that started from a kept base.
CacheCounts compositeBaseCounts();

}  // namespace velmaris
