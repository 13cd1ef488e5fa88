#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace velmaris {

// What a cache holds and how often it was asked, for tests and benchmarks that prove work was skipped.
struct CacheCounts {
    std::uint64_t hits = 0;
    std::uint64_t misses = 0;
    std::size_t entries = 0;
    std::int64_t cost = 0;
};

// A thread-safe memo that forgets the least recently used entries once their total cost passes a
// budget. Values are returned by copy, so keep them cheap to copy (sizes, shared bitmaps).
// Two threads missing the same key at once may both compute it; the later insert wins.
template <typename Key, typename Value, typename Hash = std::hash<Key>>
class LruCache {
public:
    explicit LruCache(std::int64_t budget) : budget_(budget) {}

    std::optional<Value> find(const Key& key)
    {
        std::lock_guard lock(mutex_);
        const auto found = index_.find(key);
        if (found == index_.end()) {
            ++misses_;
            return std::nullopt;
        }
        ++hits_;
        entries_.splice(entries_.begin(), entries_, found->second);
        return found->second->value;
    }

    // An entry costing more than the whole budget is not kept.
    void insert(const Key& key, Value value, std::int64_t cost)
    {
        // A key unequal to itself (a NaN inside) could never be found again, nor erased.
        if (!(key == key))
            return;
        std::lock_guard lock(mutex_);
        if (const auto found = index_.find(key); found != index_.end())
            erase(found->second);
        if (cost > budget_)
            return;
        entries_.push_front(Entry{key, std::move(value), cost});
        index_.emplace(key, entries_.begin());
        used_ += cost;
        while (used_ > budget_)
            erase(std::prev(entries_.end()));
    }

    // The cached value, or compute() stored with cost(value) and returned.
    template <typename Compute, typename Cost>
    Value findOrInsert(const Key& key, Compute&& compute, Cost&& cost)
    {
        if (std::optional<Value> cached = find(key))
            return std::move(*cached);
        Value value = compute();
        insert(key, value, cost(value));
        return value;
    }

    void clear()
    {
        std::lock_guard lock(mutex_);
        index_.clear();
        entries_.clear();
        used_ = 0;
    }

    // Hits and misses count lookups since the start; clear() does not reset them.
    CacheCounts counts() const
    {
        std::lock_guard lock(mutex_);
        return {hits_, misses_, entries_.size(), used_};
    }

private:
    struct Entry {
        Key key;
        Value value;
        std::int64_t cost;
    };
    using Iterator = typename std::list<Entry>::iterator;

    void erase(Iterator entry)
    {
        used_ -= entry->cost;
        index_.erase(entry->key);
        entries_.erase(entry);
    }

    const std::int64_t budget_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_;  // most recently used first
    std::unordered_map<Key, Iterator, Hash> index_;
    std::int64_t used_ = 0;
    std::uint64_t hits_ = 0;
    std::uint64_t misses_ = 0;
};

}  // namespace velmaris
