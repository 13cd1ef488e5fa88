#include "render/CompositeBaseCache.h"

#include <algorithm>
#include <mutex>

namespace velmaris {

namespace {

// What is kept for renders of one canvas size.
struct Slot {
    QSize size;
    QVector<Layer> baseLayers;  // the layers under `base`
    Bitmap base;
    QVector<Layer> lastDrawn;  // of the most recent render, to find the layer that changes
};

// A filter preview alternates renders at the size the view shows and at full size: each keeps its
// own base. The most recently used slot is first.
constexpr int kSlots = 2;

struct Bases {
    std::mutex mutex;
    QVector<Slot> slots;
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

// The slot of `size`, moved to the front; a new one (the oldest forgotten) when there is none.
Slot& slotFor(Bases& kept, QSize size, bool* existed)
{
    for (int i = 0; i < kept.slots.size(); ++i)
        if (kept.slots[i].size == size) {
            kept.slots.move(i, 0);
            *existed = true;
            return kept.slots.first();
        }
    *existed = false;
    if (kept.slots.size() == kSlots)
        kept.slots.removeLast();
    kept.slots.prepend(Slot{size, {}, {}, {}});
    return kept.slots.first();
}

}  // namespace

CompositePlan planComposite(QSize size, const QVector<Layer>& drawn, int previewIndex)
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    bool existed = false;
    Slot& slot = slotFor(kept, size, &existed);
    CompositePlan plan;
    const int count = int(slot.baseLayers.size());
    if (!slot.base.isNull() && count <= previewIndex && firstDifference(slot.baseLayers, drawn) == count) {
        plan.start = slot.base;
        plan.startCount = count;
        ++kept.counts.hits;
    } else {
        ++kept.counts.misses;
    }
    // The first layer that differs from the last render is the one being changed: what lies under
    // it is worth keeping for the next redraw.
    const int changed = existed ? firstDifference(slot.lastDrawn, drawn) : 0;
    const int keepAt = std::min(changed, previewIndex);
    if (keepAt > 0 && keepAt > plan.startCount)
        plan.keepAt = keepAt;
    slot.lastDrawn = drawn;
    return plan;
}

void keepCompositeBase(QSize size, const QVector<Layer>& drawn, int count, const Bitmap& pixels)
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    bool existed = false;
    Slot& slot = slotFor(kept, size, &existed);
    slot.baseLayers = drawn.mid(0, count);
    slot.base = pixels;
}

void clearCompositeBase()
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    kept.slots.clear();
}

CacheCounts compositeBaseCounts()
{
    Bases& kept = bases();
    std::lock_guard lock(kept.mutex);
    CacheCounts counts = kept.counts;
    counts.entries = 0;
    counts.cost = 0;
    for (const Slot& slot : kept.slots)
        if (!slot.base.isNull()) {
            ++counts.entries;
            counts.cost += slot.base.byteCount();
        }
    return counts;
}

}  // namespace velmaris
