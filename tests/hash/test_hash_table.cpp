// The chained hash table, every case with an identity, a good and a constant hash (collision paths always run).
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "fpss_test.h"
#include "libss_hash.h"

namespace {

uint32_t identity_hash(void *p) { return *static_cast<uint32_t *>(p); }
uint32_t good_hash(void *p) { return *static_cast<uint32_t *>(p) * 0x85ebca6bU ^ 0x5bd1e995U; }
uint32_t constant_hash(void *) { return 5; }
const libss_hash_func_t kHashes[] = {identity_hash, good_hash, constant_hash};
const char *const kHashNames[] = {"identity", "good", "constant"};
int key_cmp(void *item, void *key) { return *static_cast<uint32_t *>(item) != *static_cast<uint32_t *>(key); }
int name_it(void *item, void *out) {
    return *static_cast<std::string *>(out) += std::to_string(*static_cast<uint32_t *>(item)) + " ", 0;
}
int stop_second(void *item, void *out) {  // a result of 7 on every second item
    auto *seen = static_cast<std::string *>(out);
    return name_it(item, seen) + (std::count(seen->begin(), seen->end(), ' ') % 2 == 0 ? 7 : 0);
}
int remove_it(void *item, void *h) { return libss_hash_del_item(static_cast<libss_hash_t *>(h), item), 0; }

class HashTest : public ::testing::TestWithParam<int> {
  protected:
    void TearDown() override {  // a walk's callback may remove the item it is given
        if (h_ == nullptr) return;
        EXPECT_EQ(libss_hash_each_item_op(h_, remove_it, h_), 0);
        EXPECT_EQ(state(), "0 items, longest chain " + std::to_string(h_->max_bucket_num) + ":");
        libss_destroy_hash(std::exchange(h_, nullptr));
    }
    void make(uint32_t size) { ASSERT_NE(h_ = libss_create_hash(size, kHashes[GetParam()], key_cmp), nullptr); }
    uint32_t hash(uint32_t key) { return kHashes[GetParam()](&key); }
    // The item count, the longest chain, and each non-empty bucket's count and chain from its head.
    std::string state() {
        std::string s = std::to_string(libss_hash_get_current_item_num(h_)) + " items, longest chain " +
                        std::to_string(h_->max_bucket_num) + ":";
        for (uint32_t b = 0; b < h_->table_size; ++b) {
            std::string chain = " [" + std::to_string(b) + "]" + std::to_string(h_->bucket_num[b]) + " ";
            for (ss_fp_list_t *l = h_->buckets[b].next; l != &h_->buckets[b]; l = l->next) {
                EXPECT_EQ(l->next->prev, l);
                name_it(reinterpret_cast<libss_hash_node_t *>(l)->item, &chain);
            }
            s += h_->buckets[b].next != &h_->buckets[b] || h_->bucket_num[b] != 0 ? chain : "";
        }
        return s;
    }
    // Runs steps ("+k" insert k, "-k" remove k, "?k" find k, "*" walk, "#" walks stopped by a 7, "/m,p" slice p
    // of m, "!n" chain warning) and prints each one's result and the table after it, then what was printed.
    std::string trace(const std::string &steps) {
        std::istringstream in(steps);
        std::string out;
        fpss_test::StdoutCapture printed;
        for (std::string step; in >> step;) {
            uint32_t key = std::strtoul(step.c_str() + 1, nullptr, 10), part = 0;
            std::string seen;
            int rc = 0;
            if (step[0] == '+') items_.push_back(key), rc = libss_hash_insert_item(h_, &items_.back());
            if (step[0] == '-') libss_hash_del_item(h_, &key);
            if (step[0] == '?') seen = libss_hash_find_item(h_, &key) == nullptr ? "none " : "found ";
            if (step[0] == '?') rc = libss_hash_get_current_bucket_num(h_, &key);
            if (step[0] == '*') rc = libss_hash_each_item_op(h_, name_it, &seen);
            if (step[0] == '#') rc = libss_hash_each_item_op(h_, stop_second, &seen) * 10;
            if (step[0] == '#') rc += libss_hash_each_item_op_partly(h_, stop_second, &seen, 1, 0);
            if (step[0] == '/' && std::sscanf(step.c_str(), "/%u,%u", &key, &part) == 2)
                rc = libss_hash_each_item_op_partly(h_, name_it, &seen, key, part);
            if (step[0] == '!') libss_hash_set_bucket_warning_size(h_, key);
            out += step + " -> " + seen + std::to_string(rc) + " | " + state() + "\n";
        }
        char self[32];  // the chain warning names the table by its address
        std::snprintf(self, sizeof self, "%p", static_cast<void *>(h_));
        std::string text = printed.take();
        for (size_t at; (at = text.find(self)) != std::string::npos;) text.replace(at, std::strlen(self), "<table>");
        return out + "printed:\n" + text;
    }
    libss_hash_t *h_ = nullptr;
    std::vector<uint32_t> items_;
};

TEST_P(HashTest, TraceOfInsertionsRemovalsWalksAndWarnings) {
    for (auto [size, buckets] : {std::pair{0u, 1365u}, {1u, 1u}, {512u, 682u}, {75000u, 100000u}, {20u, 26u}}) {
        TearDown();
        make(size);  // a walk of every bucket and one of the item's own slice find it; 100000 slices pass 32 bits
        EXPECT_EQ(state(), "0 items, longest chain 0:");
        uint32_t key = 99999, slice = hash(key) % buckets;
        std::string all;
        ASSERT_EQ(std::make_pair(h_->table_size, libss_hash_insert_item(h_, &key)), std::make_pair(buckets, 0));
        EXPECT_EQ(libss_hash_each_item_op(h_, name_it, &all) +
                      libss_hash_each_item_op_partly(h_, name_it, &all, buckets, slice),
                  0);
        libss_hash_del_item(h_, &key);
        EXPECT_EQ(all, "99999 99999 ");
    }
    items_.reserve(100);                                                         // items keep their addresses
    std::string steps = "?3 +3 +29 +3 +55 ?3 -3 ?3 -3 ?3 -3 -3 ?29 -29 -55 !2";  // 26 buckets
    for (int k = 0; k < 12; ++k) steps += " +" + std::to_string(k * 13);
    steps += " !0 +52 * # /3,0 /3,1 /3,2 /26,25 /1,0 /3,3 /27,0 /0,0 -0 -1000 ?156";
    EXPECT_TRUE(fpss_test::golden(std::string("hash/") + kHashNames[GetParam()] + ".txt", trace(steps)));
}

TEST_P(HashTest, FailedAllocationsLeaveNothingBehindAndNoTableIsRefused) {
    fpss_test::for_each_fault(4, [&](int k) {  // the record, the buckets, the counts
        libss_hash_t *t = libss_create_hash(20, kHashes[GetParam()], key_cmp);
        EXPECT_EQ(t == nullptr, k <= 3);
        libss_destroy_hash(t);
    });
    libss_destroy_hash(libss_create_hash(20, kHashes[GetParam()], key_cmp));  // the C library's caches filled
    const size_t in_use = mallinfo2().uordblks;  // what tables made and destroyed leave: nothing
    for (int i = 0; i < 64; ++i) libss_destroy_hash(libss_create_hash(20, kHashes[GetParam()], key_cmp));
    EXPECT_EQ(mallinfo2().uordblks, in_use);
    make(20);
    items_ = {0, 26, 52};
    for (uint32_t &key : items_) EXPECT_EQ(libss_hash_insert_item(h_, &key), 0);
    uint32_t *keys = items_.data();
    const std::string before = state();
    fpss_test::FaultInjector::fail_nth(1);
    EXPECT_EQ(libss_hash_insert_item(h_, &keys[0]), -12);
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(libss_hash_insert_item(nullptr, keys) == -1 && libss_hash_find_item(nullptr, keys) == nullptr &&
                libss_hash_each_item_op(nullptr, name_it, nullptr) == 0 &&
                libss_hash_each_item_op_partly(nullptr, name_it, nullptr, 1, 0) == -1 &&
                libss_hash_get_current_item_num(nullptr) + libss_hash_get_current_bucket_num(nullptr, keys) == 0);
    libss_hash_del_item(nullptr, keys);
    libss_hash_set_bucket_warning_size(nullptr, 1);
    libss_destroy_hash(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Hashes, HashTest, ::testing::Range(0, 3));

}  // namespace

// Every item sits in bucket hash % bucket count, the counts of power-of-two and other sizes alike, for hashes at
// both ends of 32 bits (a one-bucket walk of each finds it there).
TEST(HashBuckets, EveryItemSitsInItsHashModuloTheBucketCount) {
    for (uint32_t expected : {3u, 20u, 100u, 512u, 1024u, 0u, 300000u}) {
        libss_hash_t *h = libss_create_hash(expected, identity_hash, key_cmp);
        ASSERT_NE(h, nullptr);
        const uint32_t n = h->table_size;
        uint32_t keys[] = {0, 1, n - 1, n, n + 1, 2 * n - 1, 0x7fffffffU, 2654435761U, 0xfffffffeU, 0xffffffffU};
        for (uint32_t &k : keys) ASSERT_EQ(libss_hash_insert_item(h, &k), 0);
        for (uint32_t &k : keys) {
            std::string seen;
            EXPECT_EQ(libss_hash_each_item_op_partly(h, name_it, &seen, n, k % n), 0);
            EXPECT_NE((" " + seen).find(" " + std::to_string(k) + " "), std::string::npos) << n << " " << k;
            EXPECT_EQ(libss_hash_find_item(h, &k), &k);
        }
        for (uint32_t &k : keys) libss_hash_del_item(h, &k);
        EXPECT_EQ(libss_hash_get_current_item_num(h), 0u);
        libss_destroy_hash(h);
    }
}
