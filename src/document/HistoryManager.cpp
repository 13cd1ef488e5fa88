#include "document/HistoryManager.h"

#include <algorithm>
#include <unordered_set>

namespace velmaris {

namespace {

// The budget never trims the history below this many entries.
constexpr int kMinimumEntriesKeptByBudget = 5;

}  // namespace

HistoryManager::HistoryManager(int limit, qint64 memoryBudgetBytes)
    : limit_(std::max(limit, 2)), memoryBudgetBytes_(memoryBudgetBytes)
{
}

int HistoryManager::limitFromPreference(std::optional<int> stored)
{
    if (!stored || *stored <= 0)
        return kDefaultLimit;
    return std::max(*stored, 2);
}

int HistoryManager::push(const QString& name, const CanvasState& state)
{
    if (currentIndex_ < entries_.size() - 1)
        entries_.resize(currentIndex_ + 1);
    entries_.append({name, state});
    int removed = 0;
    if (entries_.size() > limit_) {
        removed = int(entries_.size()) - limit_;
        entries_.remove(0, removed);
    }
    currentIndex_ = int(entries_.size()) - 1;
    return removed + trimToBudget();
}

void HistoryManager::reset(const QString& name, const CanvasState& state)
{
    entries_ = {{name, state}};
    currentIndex_ = 0;
}

int HistoryManager::trimToBudget()
{
    int removed = 0;
    while (entries_.size() > kMinimumEntriesKeptByBudget && currentIndex_ >= 1
           && estimatedMemoryBytes() > memoryBudgetBytes_) {
        entries_.removeFirst();
        --currentIndex_;
        ++removed;
    }
    return removed;
}

std::optional<CanvasState> HistoryManager::undo()
{
    if (currentIndex_ < 1)
        return std::nullopt;
    return entries_[--currentIndex_].state;
}

std::optional<CanvasState> HistoryManager::redo()
{
    if (currentIndex_ >= entries_.size() - 1)
        return std::nullopt;
    return entries_[++currentIndex_].state;
}

std::optional<CanvasState> HistoryManager::jump(int index)
{
    if (index == currentIndex_ || index < 0 || index >= entries_.size())
        return std::nullopt;
    currentIndex_ = index;
    return entries_[index].state;
}

std::optional<QString> HistoryManager::undoName() const
{
    if (currentIndex_ < 1)
        return std::nullopt;
    return entries_[currentIndex_].name;
}

std::optional<QString> HistoryManager::redoName() const
{
    if (!canRedo())
        return std::nullopt;
    return entries_[currentIndex_ + 1].name;
}

qint64 HistoryManager::estimatedMemoryBytes() const
{
    std::unordered_set<const void*> counted;
    qint64 total = 0;
    for (const HistoryEntry& entry : entries_)
        for (const Layer& layer : entry.state.layers)
            if (const Bitmap* bitmap = layer.bitmap(); bitmap && !bitmap->isNull())
                if (counted.insert(bitmap->identity()).second)
                    total += bitmap->stride() * bitmap->height();
    return total;
}

QString undoMenuTitle(const HistoryManager& history)
{
    const std::optional<QString> name = history.undoName();
    return name ? QStringLiteral("Undo ") + *name : QStringLiteral("Undo");
}

QString redoMenuTitle(const HistoryManager& history)
{
    const std::optional<QString> name = history.redoName();
    return name ? QStringLiteral("Redo ") + *name : QStringLiteral("Redo");
}

}  // namespace velmaris
