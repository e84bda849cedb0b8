// The allocation-record table: key hash, growth, tombstones, traversals and
// allocation failures while growing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fpss_test.h"
#include "ss_fp_mem.h"

using fpss_test::FaultInjector;

namespace {

// Reference lookup2 over any length, written from the published algorithm.
uint32_t reference_lookup2(const unsigned char *k, uint32_t length, uint32_t initval) {
    auto mix = [](uint32_t &a, uint32_t &b, uint32_t &c) {
        a -= b; a -= c; a ^= (c >> 13); b -= c; b -= a; b ^= (a << 8);
        c -= a; c -= b; c ^= (b >> 13); a -= b; a -= c; a ^= (c >> 12);
        b -= c; b -= a; b ^= (a << 16); c -= a; c -= b; c ^= (b >> 5);
        a -= b; a -= c; a ^= (c >> 3); b -= c; b -= a; b ^= (a << 10);
        c -= a; c -= b; c ^= (b >> 15);
    };
    uint32_t a = 0x9e3779b9, b = 0x9e3779b9, c = initval, len = length;
    while (len >= 12) {
        a += k[0] + (uint32_t(k[1]) << 8) + (uint32_t(k[2]) << 16) + (uint32_t(k[3]) << 24);
        b += k[4] + (uint32_t(k[5]) << 8) + (uint32_t(k[6]) << 16) + (uint32_t(k[7]) << 24);
        c += k[8] + (uint32_t(k[9]) << 8) + (uint32_t(k[10]) << 16) + (uint32_t(k[11]) << 24);
        mix(a, b, c);
        k += 12;
        len -= 12;
    }
    c += length;
    switch (len) {
        case 11: c += uint32_t(k[10]) << 24; [[fallthrough]];
        case 10: c += uint32_t(k[9]) << 16; [[fallthrough]];
        case 9: c += uint32_t(k[8]) << 8; [[fallthrough]];
        case 8: b += uint32_t(k[7]) << 24; [[fallthrough]];
        case 7: b += uint32_t(k[6]) << 16; [[fallthrough]];
        case 6: b += uint32_t(k[5]) << 8; [[fallthrough]];
        case 5: b += k[4]; [[fallthrough]];
        case 4: a += uint32_t(k[3]) << 24; [[fallthrough]];
        case 3: a += uint32_t(k[2]) << 16; [[fallthrough]];
        case 2: a += uint32_t(k[1]) << 8; [[fallthrough]];
        case 1: a += k[0]; break;
        default: break;
    }
    mix(a, b, c);
    return c;
}

uint32_t key_hash(const ss_fp_mem_info_t &r) {
    return reference_lookup2(reinterpret_cast<const unsigned char *>(r.file_name), 80, 0);
}

class MemTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fpss_test::reset_mem_stats();
        ASSERT_EQ(ss_fp_mem_info_hash_init(), 0);
    }
    void TearDown() override { FaultInjector::reset(); }

    ss_fp_mem_info_t *record(const std::string &name) {
        auto *r = static_cast<ss_fp_mem_info_t *>(calloc(1, sizeof(ss_fp_mem_info_t)));
        std::strncpy(r->file_name, name.c_str(), sizeof r->file_name - 1);
        owned_.push_back(r);
        return r;
    }
    static ss_fp_mem_info_hash_t *table() { return ss_fp_mem_info_list; }
    static bool live(uint32_t i) { return ((table()->slot_flags[i >> 4] >> ((i & 15) << 1)) & 3) == 0; }

    ~MemTableTest() override {
        // Records still in the table stay reachable from it; release the rest.
        for (auto *r : owned_) {
            if (ss_fp_mem_info_hash_find(r) != r) free(r);
        }
    }
    std::vector<ss_fp_mem_info_t *> owned_;
};

TEST_F(MemTableTest, ExampleKeyHashesToItsKnownValueAndSlot) {
    ss_fp_mem_info_t *abc = record("abc");
    EXPECT_EQ(key_hash(*abc), 0xDDC2F380u);
    ss_fp_mem_info_hash_insert(abc);
    ASSERT_EQ(table()->slot_count, 4u);
    EXPECT_EQ(table()->slots[0], abc);
    EXPECT_TRUE(live(0));
    for (int i = 0; i < 4; ++i) ss_fp_mem_info_hash_insert(record("file" + std::to_string(i)));
    ASSERT_EQ(table()->slot_count, 8u);
    EXPECT_EQ(table()->slots[0], abc);  // still slot 0 after growing
}

TEST_F(MemTableTest, EmptyTableFindsAndVisitsNothing) {
    ss_fp_mem_info_t *k = record("app/x");
    EXPECT_EQ(table()->slot_count, 0u);
    EXPECT_EQ(ss_fp_mem_info_hash_find(k), nullptr);
    EXPECT_EQ(ss_fp_mem_info_hash_find(nullptr), nullptr);
    EXPECT_EQ(ss_fp_mem_info_hash_traverse([](ss_fp_mem_info_t *, void *) { return 9; }, nullptr), 0);
    EXPECT_EQ(ss_fp_mem_info_hash_size(), 0u);
}

TEST_F(MemTableTest, GrowsByPowersOfTwoAtTheLimit) {
    struct Step {
        int after;
        uint32_t slots, limit;
    };
    const Step steps[] = {{1, 4, 3}, {3, 4, 3}, {4, 8, 6}, {6, 8, 6}, {7, 16, 12}, {12, 16, 12}, {13, 32, 25}};
    std::vector<ss_fp_mem_info_t *> recs;
    int inserted = 0;
    for (const Step &s : steps) {
        while (inserted < s.after) {
            recs.push_back(record("app/file_" + std::to_string(inserted++)));
            EXPECT_EQ(ss_fp_mem_info_hash_insert(recs.back()), 0);
        }
        EXPECT_EQ(table()->slot_count, s.slots) << s.after;
        EXPECT_EQ(table()->grow_limit, s.limit) << s.after;
        EXPECT_EQ(table()->record_count, uint32_t(s.after));
    }
    // Every record is findable and sits on its own probe path.
    for (auto *r : recs) EXPECT_EQ(ss_fp_mem_info_hash_find(r), r);
    for (uint32_t i = 0; i < table()->slot_count; ++i) {
        if (!live(i)) continue;
        uint32_t mask = table()->slot_count - 1, j = key_hash(*table()->slots[i]) & mask, step = 0;
        while (j != i) j = (j + ++step) & mask;
        EXPECT_LE(step, table()->slot_count);
    }
}

TEST_F(MemTableTest, EqualKeyLeavesTheTableUnchanged) {
    ss_fp_mem_info_t *a = record("app/same");
    ss_fp_mem_info_t *b = record("app/same");
    ss_fp_mem_info_hash_insert(a);
    ss_fp_mem_info_hash_insert(b);
    EXPECT_EQ(table()->record_count, 1u);
    EXPECT_EQ(ss_fp_mem_info_hash_find(b), a);
}

TEST_F(MemTableTest, RemovalLeavesATombstoneThatIsReused) {
    ss_fp_mem_info_t *a = record("app/a");
    ss_fp_mem_info_t *b = record("app/b");
    ss_fp_mem_info_hash_insert(a);
    ss_fp_mem_info_hash_insert(b);
    uint32_t occupied = table()->occupied_count;
    ss_fp_mem_info_hash_remove(a);
    EXPECT_EQ(table()->record_count, 1u);
    EXPECT_EQ(table()->occupied_count, occupied);
    EXPECT_EQ(ss_fp_mem_info_hash_find(a), nullptr);
    ss_fp_mem_info_hash_remove(a);  // absent: no effect
    EXPECT_EQ(table()->record_count, 1u);
    ss_fp_mem_info_t *a2 = record("app/a");
    ss_fp_mem_info_hash_insert(a2);
    EXPECT_EQ(table()->record_count, 2u);
    EXPECT_EQ(table()->occupied_count, occupied);
    EXPECT_EQ(ss_fp_mem_info_hash_find(a), a2);
}

TEST_F(MemTableTest, TombstonesAloneRehashInPlace) {
    std::vector<ss_fp_mem_info_t *> recs;
    for (int i = 0; i < 6; ++i) {
        recs.push_back(record("app/t" + std::to_string(i)));
        ss_fp_mem_info_hash_insert(recs.back());
    }
    ASSERT_EQ(table()->slot_count, 8u);
    for (int i = 0; i < 5; ++i) ss_fp_mem_info_hash_remove(recs[i]);
    EXPECT_EQ(table()->occupied_count, 6u);
    ss_fp_mem_info_t *fresh = record("app/fresh");
    ss_fp_mem_info_hash_insert(fresh);  // 8 > 2 * 1 live: same size, tombstones cleared
    EXPECT_EQ(table()->slot_count, 8u);
    EXPECT_EQ(table()->record_count, 2u);
    EXPECT_EQ(table()->occupied_count, 2u);
    EXPECT_EQ(ss_fp_mem_info_hash_find(recs[5]), recs[5]);
    EXPECT_EQ(ss_fp_mem_info_hash_find(fresh), fresh);
}

TEST_F(MemTableTest, TraversalsWalkSlotRanges) {
    for (int i = 0; i < 5; ++i) ss_fp_mem_info_hash_insert(record("app/w" + std::to_string(i)));
    ASSERT_EQ(table()->slot_count, 8u);
    auto collect = [](ss_fp_mem_info_t *r, void *arg) {
        static_cast<std::vector<ss_fp_mem_info_t *> *>(arg)->push_back(r);
        return 0;
    };
    std::vector<ss_fp_mem_info_t *> expected, seen;
    for (uint32_t i = 2; i < 8; ++i)
        if (live(i)) expected.push_back(table()->slots[i]);
    EXPECT_EQ(ss_fp_mem_info_hash_traverse_with_index(collect, 2, 100, &seen), 0);
    EXPECT_EQ(seen, expected);
    seen.clear();
    EXPECT_EQ(ss_fp_mem_info_hash_traverse_with_index(collect, 8, 100, &seen), 0);
    EXPECT_EQ(ss_fp_mem_info_hash_traverse_with_index(collect, 3, 0, &seen), 0);
    EXPECT_EQ(ss_fp_mem_info_hash_traverse_with_index(collect, 1, UINT32_MAX, &seen), 0);  // no wrap-around
    expected.clear();
    for (uint32_t i = 1; i < 8; ++i)
        if (live(i)) expected.push_back(table()->slots[i]);
    EXPECT_EQ(seen, expected);
    seen.clear();
    EXPECT_EQ(ss_fp_mem_info_hash_traverse(collect, &seen), 0);
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(ss_fp_mem_info_hash_traverse([](ss_fp_mem_info_t *, void *) { return -1; }, nullptr), -1);
}

TEST_F(MemTableTest, CacheCreateUpdatesOrInserts) {
    ss_fp_mem_info_t tmpl{};
    std::strcpy(tmpl.file_name, "app/cache");
    tmpl.count = 5;
    ss_fp_mem_info_t *out = nullptr;
    ss_fp_mem_info_t *made = ss_fp_mem_info_cache_create(&out, &tmpl);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(out, made);
    EXPECT_EQ(made->count, 5);
    EXPECT_EQ(ss_fp_mem_info_hash_find(&tmpl), made);
    tmpl.count = 9;
    EXPECT_EQ(ss_fp_mem_info_cache_create(&out, &tmpl), made);
    EXPECT_EQ(made->count, 9);
    ss_fp_mem_info_cache_destroy(made);
    EXPECT_EQ(ss_fp_mem_info_hash_find(&tmpl), nullptr);
    ss_fp_mem_info_cache_destroy(nullptr);
}

TEST_F(MemTableTest, FailedGrowthDropsTheInsertionAndKeepsTheTable) {
    std::vector<ss_fp_mem_info_t *> recs;
    for (int i = 0; i < 3; ++i) {
        recs.push_back(record("app/g" + std::to_string(i)));
        ss_fp_mem_info_hash_insert(recs.back());
    }
    for (long n : {1L, 2L}) {  // the new flags, then the larger slot array
        ss_fp_mem_info_t *extra = record("app/extra");
        FaultInjector::fail_nth(n);
        EXPECT_EQ(ss_fp_mem_info_hash_insert(extra), 0);
        FaultInjector::reset();
        EXPECT_EQ(table()->slot_count, 4u) << n;
        EXPECT_EQ(table()->record_count, 3u);
        EXPECT_EQ(ss_fp_mem_info_hash_find(extra), nullptr);
        for (auto *r : recs) EXPECT_EQ(ss_fp_mem_info_hash_find(r), r);
    }
    ss_fp_mem_info_t *later = record("app/later");
    ss_fp_mem_info_hash_insert(later);
    EXPECT_EQ(table()->slot_count, 8u);
    EXPECT_EQ(ss_fp_mem_info_hash_find(later), later);
}

TEST_F(MemTableTest, FailedCacheCreateStoresNull) {
    ss_fp_mem_info_t tmpl{};
    std::strcpy(tmpl.file_name, "app/nomem");
    for (long n : {1L, 2L, 3L}) {  // the record, then the first layout's two arrays
        ss_fp_mem_info_t *out = &tmpl;
        FaultInjector::fail_nth(n);
        EXPECT_EQ(ss_fp_mem_info_cache_create(&out, &tmpl), nullptr) << n;
        FaultInjector::reset();
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(ss_fp_mem_info_hash_size(), 0u);
    }
    EXPECT_NE(ss_fp_mem_info_cache_create(nullptr, &tmpl), nullptr);
    EXPECT_EQ(ss_fp_mem_info_hash_size(), 1u);
}

TEST(MemWatch, InitMakesTheTableReadyOnce) {
    fpss_test::reset_mem_stats();
    FaultInjector::fail_nth(1);
    EXPECT_EQ(ss_fp_mem_watch_init(), 0);
    FaultInjector::reset();
    EXPECT_EQ(ss_fp_mem_info_list, nullptr);
    EXPECT_EQ(is_hash_init, 0);
    EXPECT_EQ(ss_fp_mem_watch_init(), 0);
    ss_fp_mem_info_hash_t *t = ss_fp_mem_info_list;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(is_hash_init, 1);
    EXPECT_EQ(t->slot_count, 0u);
    EXPECT_EQ(ss_fp_mem_watch_init(), 0);
    EXPECT_EQ(ss_fp_mem_info_list, t);  // a second start-up keeps the records
}

}  // namespace
