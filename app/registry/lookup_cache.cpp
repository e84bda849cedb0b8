// The per-thread lookup cache of the registries: its allocation on a thread's
// first lookup, its release at thread exit (through a thread-specific key),
// and the epoch that empties it.
#include "registry/lookup_cache.h"

#include <pthread.h>

#include <cstdlib>
#include <cstring>

namespace fpss {
namespace registry {

__thread LookupCache *t_lookup_cache __attribute__((tls_model("initial-exec"))) = nullptr;
uint64_t g_lookup_epoch = 1;

namespace {

void free_cache(void *cache) {
    if (t_lookup_cache == cache) t_lookup_cache = nullptr;
    std::free(cache);
}

struct Key {
    pthread_key_t key{};
    bool ok = pthread_key_create(&key, &free_cache) == 0;
};

Key &cache_key() {
    static Key k;
    return k;
}

// Deleting the key at unload keeps a thread that outlives the library from
// calling into it at its exit (its cache is then left to the process).
__attribute__((destructor)) void drop_key() {
    Key &k = cache_key();
    if (k.ok) {
        k.ok = false;
        pthread_key_delete(k.key);
    }
}

// This thread's cache, current, made on first use; null when it cannot be
// made. The cache is not a record of the library: it comes from the C library
// directly, outside the allocation fault hook.
LookupCache *this_thread() {
    LookupCache *c = t_lookup_cache;
    uint64_t epoch = __atomic_load_n(&g_lookup_epoch, __ATOMIC_ACQUIRE);
    if (c == nullptr) {
        Key &k = cache_key();
        if (!k.ok) return nullptr;
        c = static_cast<LookupCache *>(std::calloc(1, sizeof(LookupCache)));
        if (c == nullptr) return nullptr;
        if (pthread_setspecific(k.key, c) != 0) {
            std::free(c);
            return nullptr;
        }
        t_lookup_cache = c;
    } else if (c->epoch != epoch) {
        std::memset(c->entries, 0, sizeof c->entries);
    }
    c->epoch = epoch;
    return c;
}

}  // namespace

void remember_node(const void *hdl, const char *grp, const char *name, void *g, void *info) {
    LookupCache *c = this_thread();
    if (c != nullptr) cache_entry(c, hdl, grp, name) = CacheEntry{hdl, grp, name, g, info};
}

void forget_all() { __atomic_fetch_add(&g_lookup_epoch, 1, __ATOMIC_ACQ_REL); }

}  // namespace registry
}  // namespace fpss
