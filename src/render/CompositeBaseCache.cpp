#include "render/CompositeBaseCache.h"

#include <algorithm>
#include <mutex>

namespace velmaris {

namespace {

struct Bases {
    std::mutex mutex;
    QSize size;
    QVector<Layer> baseLayers;  // the layers under `base`
    Bitmap base;
    QSize lastSize;
    QVector<Layer> lastDrawn;  // of the most recent render, to find the layer that changes
    CacheCounts counts;
};

Bases& bases()
{
    static Bases kept;
    return kept;
}

int firstDifference(const QVector<Layer>& a, const QVector<Layer>& b)
{
    const int common = int(std::min(a.size(), b.size()));
    int i = 0;
    while (i < common && a[i] == b[i])
        ++i;
    return i;
}

}  // namespace

CompositePlan planComposite(QSize size, const QVector<Layer>& drawn, int previewIndex)
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    CompositePlan plan;
    const int count = int(kept.baseLayers.size());
    if (!kept.base.isNull() && kept.size == size && count <= previewIndex
        && firstDifference(kept.baseLayers, drawn) == count) {
        plan.start = kept.base;
        plan.startCount = count;
        ++kept.counts.hits;
    } else {
        ++kept.counts.misses;
    }
    // The first layer that differs from the last render is the one being changed: what lies under
    // it is worth keeping for the next redraw.
    const int changed = kept.lastSize == size ? firstDifference(kept.lastDrawn, drawn) : 0;
    const int keepAt = std::min(changed, previewIndex);
    if (keepAt > 0 && keepAt > plan.startCount)
        plan.keepAt = keepAt;
    kept.lastSize = size;
    kept.lastDrawn = drawn;
    return plan;
}

void keepCompositeBase(QSize size, const QVector<Layer>& drawn, int count, const Bitmap& pixels)
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    kept.size = size;
    kept.baseLayers = drawn.mid(0, count);
    kept.base = pixels;
}

void clearCompositeBase()
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    kept.baseLayers.clear();
    kept.base = Bitmap();
    kept.lastDrawn.clear();
    kept.lastSize = QSize();
}

CacheCounts compositeBaseCounts()
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    CacheCounts counts = kept.counts;
    counts.entries = kept.base.isNull() ? 0 : 1;
    counts.cost = kept.base.byteCount();
    return counts;
}

}  // namespace velmaris
