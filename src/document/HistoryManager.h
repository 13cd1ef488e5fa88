#pragma once

#include "model/CanvasState.h"
#include "platform/Preferences.h"

#include <QString>
#include <QVector>

#include <optional>

namespace velmaris {

struct HistoryEntry {
    QString name;  // the action as menus and the history panel show it, e.g. "Merge Layers"
    CanvasState state;
};

// Undo by whole snapshots. Snapshots share their bitmaps, so a budget over distinct bitmaps
// bounds the memory they hold.
class HistoryManager {
public:
    static constexpr qint64 kDefaultMemoryBudgetBytes = 3'000'000'000;
    static constexpr int kDefaultLimit = PreferenceDefault::historyLimit;

    explicit HistoryManager(int limit = kDefaultLimit, qint64 memoryBudgetBytes = kDefaultMemoryBudgetBytes);

    // The entry limit from the stored preference: > 0 is used, raised to at least 2; else 50.
    static int limitFromPreference(std::optional<int> stored);

    // Records a completed action after the current entry (dropping any redo tail) and trims to
    // the limit and the budget. Returns how many entries were removed from the front.
    int push(const QString& name, const CanvasState& state);
    // Forgets everything and starts again from one entry.
    void reset(const QString& name, const CanvasState& state);

    std::optional<CanvasState> undo();
    std::optional<CanvasState> redo();
    // Makes `index` current; nullopt (and no change) when it is current already or out of range.
    std::optional<CanvasState> jump(int index);

    std::optional<QString> undoName() const;
    std::optional<QString> redoName() const;
    bool canUndo() const { return currentIndex_ > 0; }
    bool canRedo() const { return currentIndex_ < entries_.size() - 1; }

    // Bytes of every distinct bitmap held by any entry (shared bitmaps counted once).
    qint64 estimatedMemoryBytes() const;

    const QVector<HistoryEntry>& entries() const { return entries_; }
    int currentIndex() const { return currentIndex_; }
    int limit() const { return limit_; }
    qint64 memoryBudgetBytes() const { return memoryBudgetBytes_; }

private:
    int trimToBudget();

    QVector<HistoryEntry> entries_;
    int currentIndex_ = -1;
    int limit_;
    qint64 memoryBudgetBytes_;
};

// The Undo and Redo menu titles for a history ("Undo Merge Layers", or "Undo" alone).
QString undoMenuTitle(const HistoryManager& history);
QString redoMenuTitle(const HistoryManager& history);

}  // namespace velmaris
