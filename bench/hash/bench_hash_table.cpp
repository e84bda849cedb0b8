// Chained hash table: insertion and removal of one item, a lookup that hits
// and one that misses, in a table holding 200 items (the most info nodes a
// registry group keeps). The "good" key set spreads over the buckets; the
// "colliding" one hashes every key to the same bucket, so each lookup walks
// the whole chain.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "libss_hash.h"

namespace {

constexpr uint32_t kItems = 200;

struct Item {
    uint32_t key;
};

uint32_t good_hash(void *item) { return static_cast<Item *>(item)->key * 2654435761u; }
uint32_t same_hash(void *) { return 0; }
int key_cmp(void *item, void *key) { return static_cast<Item *>(item)->key != static_cast<Item *>(key)->key; }

// A table holding the items with keys 0 to kItems - 1; keys from kItems up are
// never stored and serve as misses.
class Table {
  public:
    explicit Table(libss_hash_func_t hash) : items_(2 * kItems) {
        for (uint32_t i = 0; i < 2 * kItems; ++i) items_[i].key = i;
        table_ = libss_create_hash(kItems, hash, key_cmp);
        for (uint32_t i = 0; table_ != nullptr && i < kItems; ++i) {
            if (libss_hash_insert_item(table_, &items_[i]) != 0) ok_ = false;
        }
    }
    ~Table() {
        if (table_ == nullptr) return;
        for (uint32_t i = 0; i < kItems; ++i) libss_hash_del_item(table_, &items_[i]);
        libss_destroy_hash(table_);
    }
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    bool ok() const { return table_ != nullptr && ok_; }
    libss_hash_t *get() { return table_; }
    Item *hit(uint32_t i) { return &items_[i % kItems]; }
    Item *miss(uint32_t i) { return &items_[kItems + i % kItems]; }

  private:
    std::vector<Item> items_;
    libss_hash_t *table_ = nullptr;
    bool ok_ = true;
};

void BM_HashInsertDel(benchmark::State &state, libss_hash_func_t hash) {
    Table t(hash);
    if (!t.ok()) return state.SkipWithError("table not built");
    Item *extra = t.miss(0);
    for (auto _ : state) {
        if (libss_hash_insert_item(t.get(), extra) != 0) return state.SkipWithError("insertion failed");
        libss_hash_del_item(t.get(), extra);
    }
}

void BM_HashFindHit(benchmark::State &state, libss_hash_func_t hash) {
    Table t(hash);
    if (!t.ok()) return state.SkipWithError("table not built");
    uint32_t i = 0;
    for (auto _ : state) {
        void *found = libss_hash_find_item(t.get(), t.hit(i++));
        if (found == nullptr) return state.SkipWithError("stored key not found");
        benchmark::DoNotOptimize(found);
    }
}

void BM_HashFindMiss(benchmark::State &state, libss_hash_func_t hash) {
    Table t(hash);
    if (!t.ok()) return state.SkipWithError("table not built");
    uint32_t i = 0;
    for (auto _ : state) {
        void *found = libss_hash_find_item(t.get(), t.miss(i++));
        if (found != nullptr) return state.SkipWithError("absent key found");
        benchmark::DoNotOptimize(found);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_HashInsertDel, good, good_hash);
BENCHMARK_CAPTURE(BM_HashInsertDel, colliding, same_hash);
BENCHMARK_CAPTURE(BM_HashFindHit, good, good_hash);
BENCHMARK_CAPTURE(BM_HashFindHit, colliding, same_hash);
BENCHMARK_CAPTURE(BM_HashFindMiss, good, good_hash);
BENCHMARK_CAPTURE(BM_HashFindMiss, colliding, same_hash);
