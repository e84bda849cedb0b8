// The chained hash table's operations for the library's own callers: direct
// calls, and an insertion that hands its chain-length warning back instead of
// printing it, for callers that insert under a lock and print after it.
#ifndef FPSS_HASH_HASH_INSERT_H
#define FPSS_HASH_HASH_INSERT_H

#include <cstdint>

#include "libss_hash.h"

namespace fpss {

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

// libss_hash_find_item() and libss_hash_del_item() for the library's own
// callers: direct calls, not through the exported names.
void *hash_find(libss_hash_t *hash, void *key);
void hash_del(libss_hash_t *hash, void *key);

// Prints the warning the insertion would have printed (nothing when none).
void print_bucket_warning(const HashWarning &warning);

}  // namespace fpss

#endif  // FPSS_HASH_HASH_INSERT_H
