// The per-thread lookup cache of the registries: a small direct-mapped table
// per thread, allocated on the thread's first lookup. The library's static
// thread-local storage is one pointer to it (a library that may be loaded at
// run time keeps that small); a thread-specific key frees it at thread exit.
#include "registry/lookup_cache.h"

#include <pthread.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fpss {
namespace registry {

namespace {

struct Entry {
    const void *hdl;
    const char *grp;
    const char *name;
    void *g;
    void *info;
};

constexpr unsigned kEntryBits = 6;

struct Cache {
    uint64_t epoch;
    Entry entries[1U << kEntryBits];
};

// Raised by every handle initialisation; a cache of an older epoch is emptied
// before use.
uint64_t g_epoch = 1;

__thread Cache *t_cache __attribute__((tls_model("initial-exec"))) = nullptr;

void free_cache(void *cache) {
    if (t_cache == cache) t_cache = nullptr;
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

Entry &slot_of(Cache *c, const void *hdl, const char *grp, const char *name) {
    uint64_t h = reinterpret_cast<uintptr_t>(grp) * 0x9E3779B97F4A7C15ULL;
    h = (h ^ reinterpret_cast<uintptr_t>(name)) * 0x9E3779B97F4A7C15ULL;
    h = (h ^ reinterpret_cast<uintptr_t>(hdl)) * 0x9E3779B97F4A7C15ULL;
    return c->entries[h >> (64 - kEntryBits)];
}

// This thread's cache, current; null when it has none and 'make' is false or
// it cannot be made. The cache is not a record of the library: it comes from
// the C library directly, outside the allocation fault hook.
Cache *this_thread(bool make) {
    Cache *c = t_cache;
    uint64_t epoch = __atomic_load_n(&g_epoch, __ATOMIC_ACQUIRE);
    if (c == nullptr) {
        Key &k = cache_key();
        if (!make || !k.ok) return nullptr;
        c = static_cast<Cache *>(std::calloc(1, sizeof(Cache)));
        if (c == nullptr) return nullptr;
        if (pthread_setspecific(k.key, c) != 0) {
            std::free(c);
            return nullptr;
        }
        c->epoch = epoch;
        t_cache = c;
    } else if (c->epoch != epoch) {
        std::memset(c->entries, 0, sizeof c->entries);
        c->epoch = epoch;
    }
    return c;
}

}  // namespace

void *cached_node(const void *hdl, const char *grp, const char *name, void **g) {
    Cache *c = this_thread(false);
    if (c == nullptr) return nullptr;
    const Entry &e = slot_of(c, hdl, grp, name);
    if (e.hdl != hdl || e.grp != grp || e.name != name || e.info == nullptr) return nullptr;
    *g = e.g;
    return e.info;
}

void remember_node(const void *hdl, const char *grp, const char *name, void *g, void *info) {
    Cache *c = this_thread(true);
    if (c != nullptr) slot_of(c, hdl, grp, name) = Entry{hdl, grp, name, g, info};
}

void forget_all() { __atomic_fetch_add(&g_epoch, 1, __ATOMIC_ACQ_REL); }

}  // namespace registry
}  // namespace fpss
