// Chained hash table of untyped items: buckets of circular chains, a one-byte
// count per bucket, an optional chain-length warning, full and sliced walks.
#include <cinttypes>
#include <cstdio>

#include "core/list.h"
#include "core/sysalloc.h"
#include "hash/hash_insert.h"
#include "libss_hash.h"

static_assert(offsetof(libss_hash_node_t, link) == 0, "a chain link must be usable as its node");

namespace {

// Buckets made when no size is given: what 1024 expected items give.
constexpr uint32_t kDefaultBuckets = 1365;
// Expected items per bucket.
constexpr double kLoadFactor = 0.75;

uint32_t bucket_count_for(uint32_t expected) {
    if (expected == 0) return kDefaultBuckets;
    double n = static_cast<double>(expected) / kLoadFactor;
    if (n >= 4294967295.0) return UINT32_MAX;
    return static_cast<uint32_t>(n);
}

libss_hash_node_t *node_of(ss_fp_list_t *link) { return reinterpret_cast<libss_hash_node_t *>(link); }

uint32_t bucket_of(const libss_hash_t *hash, void *item_or_key) {
    return fpss::bucket_index(hash, hash->hash_func(item_or_key));
}

// The first node of bucket 'b' that matches 'key', or null.
libss_hash_node_t *find_node(libss_hash_t *hash, uint32_t b, void *key) {
    ss_fp_list_t *head = &hash->buckets[b];
    for (ss_fp_list_t *l = head->next; l != head; l = l->next) {
        if (hash->cmp_func(node_of(l)->item, key) == 0) return node_of(l);
    }
    return nullptr;
}

// Visits buckets [first, end). The next link is taken before each call, so
// the callback may remove the item it is given.
int visit_buckets(libss_hash_t *hash, uint32_t first, uint32_t end, libss_hash_op_func_t func, void *arg) {
    for (uint32_t b = first; b < end; ++b) {
        ss_fp_list_t *head = &hash->buckets[b];
        for (ss_fp_list_t *l = head->next, *next = l->next; l != head; l = next, next = l->next) {
            int rc = func(node_of(l)->item, arg);
            if (rc != 0) return rc;
        }
    }
    return 0;
}

}  // namespace

namespace fpss {

Divisor g_divisors[kDivisors];

void learn_divisor(uint32_t n) {
    if (n == 0 || (n & (n - 1)) == 0) return;
    Divisor &d = g_divisors[n % kDivisors];
    uint8_t free_slot = 0;
    if (__atomic_load_n(&d.n, __ATOMIC_ACQUIRE) != 0 ||
        !__atomic_compare_exchange_n(&d.claimed, &free_slot, uint8_t{1}, false, __ATOMIC_ACQ_REL, __ATOMIC_RELAXED)) {
        return;  // that slot has a divisor of its own
    }
    d.magic = UINT64_MAX / n + 1;
    __atomic_store_n(&d.n, n, __ATOMIC_RELEASE);
}

int hash_insert_quiet(libss_hash_t *hash, void *item, HashWarning *warning) {
    if (hash == nullptr) return -1;
    auto *node = static_cast<libss_hash_node_t *>(sys_malloc(sizeof(libss_hash_node_t)));
    if (node == nullptr) return -12;
    node->item = item;
    uint32_t b = bucket_of(hash, item);
    list_add_head(&node->link, &hash->buckets[b]);
    uint8_t count = ++hash->bucket_num[b];
    if (count > hash->max_bucket_num) hash->max_bucket_num = count;
    hash->item_num++;
    if (hash->bucket_warning_size != 0 && count > hash->bucket_warning_size) {
        *warning = HashWarning{hash, b, hash->bucket_warning_size, count};
    }
    return 0;
}

void hash_remove_link(libss_hash_t *hash, uint32_t b, libss_hash_node_t *node) {
    list_del(&node->link);
    hash->bucket_num[b]--;
    hash->item_num--;
    sys_free(node);
}

void print_bucket_warning(const HashWarning &warning) {
    if (warning.hash == nullptr) return;
    std::printf("hash :%p bucket[%d] warning %d cur:%d \n", static_cast<const void *>(warning.hash),
                static_cast<int>(warning.bucket), static_cast<int>(warning.limit), static_cast<int>(warning.count));
}

}  // namespace fpss

extern "C" {

libss_hash_t *libss_create_hash(uint32_t size, libss_hash_func_t hash_func, libss_hash_cmp_func_t cmp_func) {
    auto *hash = static_cast<libss_hash_t *>(fpss::sys_malloc(sizeof(libss_hash_t)));
    if (hash == nullptr) return nullptr;
    uint32_t n = bucket_count_for(size);
    hash->buckets = static_cast<ss_fp_list_t *>(fpss::sys_malloc(static_cast<size_t>(n) * sizeof(ss_fp_list_t)));
    if (hash->buckets == nullptr) {
        fpss::sys_free(hash);
        return nullptr;
    }
    hash->bucket_num = static_cast<uint8_t *>(fpss::sys_malloc(n));
    if (hash->bucket_num == nullptr) {
        fpss::sys_free(hash->buckets);
        fpss::sys_free(hash);
        return nullptr;
    }
    for (uint32_t b = 0; b < n; ++b) {
        hash->bucket_num[b] = 0;
        fpss::list_init(&hash->buckets[b]);
    }
    hash->table_size = n;
    fpss::learn_divisor(n);
    hash->item_num = 0;
    hash->bucket_warning_size = 0;
    hash->max_bucket_num = 0;
    hash->hash_func = hash_func;
    hash->cmp_func = cmp_func;
    return hash;
}

void libss_destroy_hash(libss_hash_t *hash) {
    if (hash == nullptr) return;
    fpss::sys_free(hash->bucket_num);
    fpss::sys_free(hash->buckets);
    fpss::sys_free(hash);
}

int libss_hash_insert_item(libss_hash_t *hash, void *item) {
    fpss::HashWarning warning{};
    int rv = fpss::hash_insert_quiet(hash, item, &warning);
    fpss::print_bucket_warning(warning);
    return rv;
}

void libss_hash_del_item(libss_hash_t *hash, void *key) {
    if (hash == nullptr) return;
    uint32_t b = bucket_of(hash, key);
    libss_hash_node_t *node = find_node(hash, b, key);
    if (node != nullptr) fpss::hash_remove_link(hash, b, node);
}

void *libss_hash_find_item(libss_hash_t *hash, void *key) {
    if (hash == nullptr) return nullptr;
    libss_hash_node_t *node = find_node(hash, bucket_of(hash, key), key);
    return node != nullptr ? node->item : nullptr;
}

int libss_hash_each_item_op(libss_hash_t *hash, libss_hash_op_func_t func, void *arg) {
    if (hash == nullptr || hash->table_size == 0) return 0;
    return visit_buckets(hash, 0, hash->table_size, func, arg);
}

int libss_hash_each_item_op_partly(libss_hash_t *hash, libss_hash_op_func_t func, void *arg, uint32_t max_part,
                                   uint32_t cur_part) {
    if (hash == nullptr) return -1;
    uint32_t size = hash->table_size;
    if (cur_part >= max_part || max_part > size) {
        std::printf("cur_part:%d max_part:%d table_size:%d\n", static_cast<int>(cur_part), static_cast<int>(max_part),
                    static_cast<int>(size));
        return -1;
    }
    // 64-bit intermediates: cur_part * size may pass 32 bits on large tables.
    uint64_t first = static_cast<uint64_t>(cur_part) * size / max_part;
    uint64_t end = (cur_part + 1 == max_part) ? size : (static_cast<uint64_t>(cur_part) + 1) * size / max_part;
    return visit_buckets(hash, static_cast<uint32_t>(first), static_cast<uint32_t>(end), func, arg);
}

uint32_t libss_hash_get_current_item_num(libss_hash_t *hash) { return hash != nullptr ? hash->item_num : 0; }

uint32_t libss_hash_get_current_bucket_num(libss_hash_t *hash, void *key) {
    if (hash == nullptr) return 0;
    return hash->bucket_num[bucket_of(hash, key)];
}

void libss_hash_set_bucket_warning_size(libss_hash_t *hash, uint32_t size) {
    if (hash != nullptr) hash->bucket_warning_size = size;
}

}  // extern "C"
