#include "model/LruCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace velmaris {
namespace {

TEST(LruCache, ForgetsTheLeastRecentlyUsedOnceOverBudget)
{
    LruCache<std::string, int> cache(10);
    cache.insert("a", 1, 4);
    cache.insert("b", 2, 4);
    EXPECT_EQ(cache.find("a"), 1);  // now "b" is the oldest
    cache.insert("c", 3, 4);
    EXPECT_FALSE(cache.find("b"));
    EXPECT_EQ(cache.find("a"), 1);
    EXPECT_EQ(cache.find("c"), 3);
    EXPECT_EQ(cache.counts().cost, 8);

    // Replacing a key releases its old cost; an entry over the whole budget is not kept.
    cache.insert("a", 10, 2);
    EXPECT_EQ(cache.find("a"), 10);
    EXPECT_EQ(cache.counts().cost, 6);
    cache.insert("huge", 0, 11);
    EXPECT_FALSE(cache.find("huge"));
    EXPECT_EQ(cache.counts().entries, 2u);

    const CacheCounts before = cache.counts();
    int computed = 0;
    EXPECT_EQ(cache.findOrInsert("d", [&] { return ++computed; }, [](int) { return 1; }), 1);
    EXPECT_EQ(cache.findOrInsert("d", [&] { return ++computed; }, [](int) { return 1; }), 1);
    EXPECT_EQ(computed, 1);
    EXPECT_EQ(cache.counts().hits, before.hits + 1);
    EXPECT_EQ(cache.counts().misses, before.misses + 1);

    cache.clear();
    EXPECT_EQ(cache.counts().entries, 0u);
    EXPECT_EQ(cache.counts().cost, 0);
}

TEST(LruCache, KeysUnequalToThemselvesAreNeverStored)
{
    LruCache<double, int> cache(100);
    cache.insert(std::nan(""), 1, 1);
    cache.insert(std::nan(""), 2, 1);
    EXPECT_EQ(cache.counts().entries, 0u);
    cache.insert(1.0, 3, 1);
    cache.clear();  // must not trip over anything a NaN key left behind
    EXPECT_EQ(cache.counts().cost, 0);
}

}  // namespace
}  // namespace velmaris
