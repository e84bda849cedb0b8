// The chained hash table's operations for the library's own callers: the
// bucket index, the removal of a link a caller found itself, and an insertion
// that hands its chain-length warning back instead of printing it, for
// callers that insert under a lock and print after it.
#ifndef FPSS_HASH_HASH_INSERT_H
#define FPSS_HASH_HASH_INSERT_H

#include <cstdint>

#include "libss_hash.h"

namespace fpss {

// Bucket indexes without a hardware division. A power-of-two bucket count
// takes a mask; another count, once a table of that size has been made, its
// remainder as ((magic * h) * n) >> 64 with magic = 2^64 / n + 1, exact for
// every 32-bit h and n. The counts share a few slots, each written once.
struct Divisor {
    uint8_t claimed;
    uint32_t n;  // 0 until 'magic' is ready (release store)
    uint64_t magic;
};
constexpr uint32_t kDivisors = 16;
extern Divisor g_divisors[kDivisors];

// Lets tables of 'n' buckets index without a division.
void learn_divisor(uint32_t n);

// hash % table_size.
inline uint32_t bucket_index(const libss_hash_t *hash, uint32_t h) {
    const uint32_t n = hash->table_size;
    if ((n & (n - 1)) == 0) return h & (n - 1);
    const Divisor &d = g_divisors[n % kDivisors];
    if (__atomic_load_n(&d.n, __ATOMIC_ACQUIRE) != n) return h % n;
    return static_cast<uint32_t>((static_cast<unsigned __int128>(d.magic * h) * n) >> 64);
}

// A chain-length warning to print: 'hash' null when there is none.
struct HashWarning {
    const libss_hash_t *hash;
    uint32_t bucket;
    uint32_t limit;
    uint32_t count;
};

// libss_hash_insert_item() without its print: the warning, if any, is stored
// in '*warning'. Same results.
int hash_insert_quiet(libss_hash_t *hash, void *item, HashWarning *warning);

// Takes 'node', a link of bucket 'b', out of the table and frees it.
void hash_remove_link(libss_hash_t *hash, uint32_t b, libss_hash_node_t *node);

// Prints the warning the insertion would have printed (nothing when none).
void print_bucket_warning(const HashWarning &warning);

}  // namespace fpss

#endif  // FPSS_HASH_HASH_INSERT_H
