// The chained hash table, run with an identity hash and a constant hash so
// that both spread and collision paths are exercised.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "fpss_test.h"
#include "libss_hash.h"

using fpss_test::FaultInjector;
using fpss_test::StdoutCapture;

namespace {

struct Item {
    uint32_t key;
    int tag;
};

uint32_t identity_hash(void *p) { return static_cast<Item *>(p)->key; }
uint32_t constant_hash(void *) { return 5; }
int key_cmp(void *item, void *key) { return static_cast<Item *>(item)->key != static_cast<Item *>(key)->key; }

class HashTest : public ::testing::TestWithParam<libss_hash_func_t> {
  protected:
    void TearDown() override {
        FaultInjector::reset();
        if (hash_ != nullptr) {
            for (auto &it : items_) libss_hash_del_item(hash_, &it);
            libss_destroy_hash(hash_);
        }
    }
    libss_hash_t *make(uint32_t size) { return hash_ = libss_create_hash(size, GetParam(), key_cmp); }
    void fill(uint32_t n) {
        items_.resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            items_[i] = {i, static_cast<int>(i)};
            ASSERT_EQ(libss_hash_insert_item(hash_, &items_[i]), 0);
        }
    }
    // Buckets visited, in order, by one partial traversal.
    std::vector<uint32_t> visited_keys(uint32_t max_part, uint32_t cur_part, int *rc) {
        std::vector<uint32_t> keys;
        *rc = libss_hash_each_item_op_partly(
            hash_,
            [](void *item, void *arg) {
                static_cast<std::vector<uint32_t> *>(arg)->push_back(static_cast<Item *>(item)->key);
                return 0;
            },
            &keys, max_part, cur_part);
        return keys;
    }

    libss_hash_t *hash_ = nullptr;
    std::vector<Item> items_;
};

TEST_P(HashTest, BucketCountFollowsTheExpectedItems) {
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 1365}, {20, 26}, {100, 133}, {512, 682}, {1, 1}};
    for (auto [size, buckets] : cases) {
        libss_hash_t *h = libss_create_hash(size, GetParam(), key_cmp);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->table_size, buckets) << size;
        EXPECT_EQ(h->item_num, 0u);
        EXPECT_EQ(h->max_bucket_num, 0u);
        EXPECT_EQ(h->bucket_warning_size, 0u);
        for (uint32_t b = 0; b < h->table_size; ++b) {
            EXPECT_EQ(h->bucket_num[b], 0);
            EXPECT_EQ(h->buckets[b].next, &h->buckets[b]);
        }
        libss_destroy_hash(h);
    }
}

TEST_P(HashTest, EqualItemsAreStoredTwiceAndRemovedOneByOne) {
    make(20);
    Item a{42, 1}, b{42, 2}, key{42, 0};
    ASSERT_EQ(libss_hash_insert_item(hash_, &a), 0);
    ASSERT_EQ(libss_hash_insert_item(hash_, &b), 0);
    EXPECT_EQ(libss_hash_get_current_item_num(hash_), 2u);
    EXPECT_EQ(libss_hash_get_current_bucket_num(hash_, &key), 2u);
    EXPECT_EQ(libss_hash_find_item(hash_, &key), &b);  // the latest is met first
    libss_hash_del_item(hash_, &key);
    EXPECT_EQ(libss_hash_find_item(hash_, &key), &a);
    libss_hash_del_item(hash_, &key);
    EXPECT_EQ(libss_hash_find_item(hash_, &key), nullptr);
    EXPECT_EQ(libss_hash_get_current_item_num(hash_), 0u);
    libss_hash_del_item(hash_, &key);  // absent: no effect
    EXPECT_EQ(libss_hash_get_current_item_num(hash_), 0u);
    EXPECT_EQ(hash_->max_bucket_num, 2u);
}

TEST_P(HashTest, FindsEveryItemAmongMany) {
    make(20);
    fill(200);
    for (uint32_t k = 0; k < 200; ++k) {
        Item key{k, 0};
        Item *found = static_cast<Item *>(libss_hash_find_item(hash_, &key));
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->tag, static_cast<int>(k));
    }
    Item missing{1000, 0};
    EXPECT_EQ(libss_hash_find_item(hash_, &missing), nullptr);
    EXPECT_EQ(libss_hash_get_current_item_num(hash_), 200u);
}

TEST_P(HashTest, TraversalStopsOnTheFirstNonZeroResult) {
    make(20);
    fill(10);
    int seen = 0;
    int rc = libss_hash_each_item_op(
        hash_, [](void *, void *arg) { return ++*static_cast<int *>(arg) == 2 ? 7 : 0; }, &seen);
    EXPECT_EQ(rc, 7);
    EXPECT_EQ(seen, 2);
}

TEST_P(HashTest, TraversalMayRemoveTheItemItIsGiven) {
    make(20);
    fill(50);
    int rc = libss_hash_each_item_op(
        hash_,
        [](void *item, void *arg) {
            libss_hash_del_item(static_cast<libss_hash_t *>(arg), item);
            return 0;
        },
        hash_);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(libss_hash_get_current_item_num(hash_), 0u);
    for (uint32_t b = 0; b < hash_->table_size; ++b) EXPECT_EQ(hash_->bucket_num[b], 0);
}

INSTANTIATE_TEST_SUITE_P(Hashes, HashTest, ::testing::Values(identity_hash, constant_hash),
                         [](const auto &info) { return info.index == 0 ? "Identity" : "Constant"; });

class HashWithIdentity : public HashTest {};

TEST_P(HashWithIdentity, WarningRepeatsPastTheThreshold) {
    make(20);  // 26 buckets: keys 3, 29, 55, ... share bucket 3
    libss_hash_set_bucket_warning_size(hash_, 3);
    items_.resize(6);
    std::string expected;
    char line[128];
    StdoutCapture out;
    for (uint32_t i = 0; i < 6; ++i) {
        items_[i] = {3 + 26 * i, 0};
        ASSERT_EQ(libss_hash_insert_item(hash_, &items_[i]), 0);
        if (i >= 3) {
            std::snprintf(line, sizeof line, "hash :%p bucket[3] warning 3 cur:%u \n", static_cast<void *>(hash_), i + 1);
            expected += line;
        }
    }
    EXPECT_EQ(out.take(), expected);
    EXPECT_EQ(hash_->max_bucket_num, 6u);
    libss_hash_del_item(hash_, &items_[5]);
    libss_hash_del_item(hash_, &items_[4]);
    EXPECT_EQ(hash_->max_bucket_num, 6u);
    EXPECT_EQ(libss_hash_get_current_bucket_num(hash_, &items_[0]), 4u);
}

TEST_P(HashWithIdentity, PartialTraversalSlicesTheBuckets) {
    make(20);
    fill(26);  // one item per bucket: key == bucket
    int rc = 0;
    std::vector<std::set<uint32_t>> slices;
    for (uint32_t part = 0; part < 3; ++part) {
        auto keys = visited_keys(3, part, &rc);
        EXPECT_EQ(rc, 0);
        slices.emplace_back(keys.begin(), keys.end());
    }
    auto range = [](uint32_t a, uint32_t b) {
        std::set<uint32_t> s;
        for (uint32_t k = a; k <= b; ++k) s.insert(k);
        return s;
    };
    EXPECT_EQ(slices[0], range(0, 7));
    EXPECT_EQ(slices[1], range(8, 16));
    EXPECT_EQ(slices[2], range(17, 25));

    StdoutCapture out;
    EXPECT_TRUE(visited_keys(3, 3, &rc).empty());
    EXPECT_EQ(rc, -1);
    EXPECT_TRUE(visited_keys(27, 0, &rc).empty());
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(out.take(), "cur_part:3 max_part:3 table_size:26\ncur_part:0 max_part:27 table_size:26\n");
}

TEST_P(HashWithIdentity, EverySliceCountCoversEachBucketOnce) {
    make(1000);  // 1333 buckets
    fill(1333);
    for (uint32_t max_part : {1u, 2u, 7u, 100u, 1333u}) {
        std::multiset<uint32_t> all;
        for (uint32_t part = 0; part < max_part; ++part) {
            int rc = 0;
            for (uint32_t k : visited_keys(max_part, part, &rc)) all.insert(k);
            ASSERT_EQ(rc, 0);
        }
        EXPECT_EQ(all.size(), 1333u) << max_part;
        EXPECT_EQ(std::set<uint32_t>(all.begin(), all.end()).size(), 1333u) << max_part;
    }
}

TEST_P(HashWithIdentity, BucketCountWrapsAt256) {
    make(1);  // one bucket
    fill(256);
    EXPECT_EQ(hash_->bucket_num[0], 0);
    EXPECT_EQ(hash_->max_bucket_num, 255u);
    EXPECT_EQ(libss_hash_get_current_item_num(hash_), 256u);
}

INSTANTIATE_TEST_SUITE_P(Identity, HashWithIdentity, ::testing::Values(identity_hash));

// Allocation failures: creation at each of its three allocations, insertion.
TEST(HashFaults, CreationFailsCleanlyAtEachAllocation) {
    for (long n = 1; n <= 3; ++n) {
        FaultInjector::fail_nth(n);
        EXPECT_EQ(libss_create_hash(20, identity_hash, key_cmp), nullptr) << n;
    }
    FaultInjector::reset();
    libss_hash_t *h = libss_create_hash(20, identity_hash, key_cmp);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(FaultInjector::calls(), 3);
    libss_destroy_hash(h);
}

TEST(HashFaults, FailedInsertionLeavesTheTableUnchanged) {
    libss_hash_t *h = libss_create_hash(20, identity_hash, key_cmp);
    ASSERT_NE(h, nullptr);
    Item a{1, 0}, b{27, 0};
    ASSERT_EQ(libss_hash_insert_item(h, &a), 0);
    FaultInjector::fail_nth(1);
    EXPECT_EQ(libss_hash_insert_item(h, &b), -12);
    FaultInjector::reset();
    EXPECT_EQ(libss_hash_get_current_item_num(h), 1u);
    EXPECT_EQ(h->bucket_num[1], 1);
    EXPECT_EQ(h->max_bucket_num, 1u);
    EXPECT_EQ(libss_hash_find_item(h, &b), nullptr);
    ASSERT_EQ(libss_hash_insert_item(h, &b), 0);  // usable again
    EXPECT_EQ(libss_hash_find_item(h, &b), &b);
    libss_hash_del_item(h, &a);
    libss_hash_del_item(h, &b);
    libss_destroy_hash(h);
}

}  // namespace
