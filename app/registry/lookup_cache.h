// A per-thread cache of registry lookups: the group and info node last found
// for a handle and a pair of name pointers, so that a repeated count or capture
// takes neither the registry's locks nor its hash walks.
//
// Sound because a registry never removes a node and holds one node per name:
// once found, a node stays the node of its name for the life of the handle.
// What can change is the text behind the caller's pointers (a reused name
// buffer), so the registry compares the names of the cached nodes with the
// caller's before it uses a hit; and a handle can be made again at the same
// address, so every handle initialisation empties all caches (forget_all()).
//
// Each thread's cache is allocated on its first lookup and freed when the
// thread exits; a thread without one (memory ran out) just misses. The
// library's static thread-local storage is one pointer to it (a library that
// may be loaded at run time keeps that small).
#ifndef FPSS_REGISTRY_LOOKUP_CACHE_H
#define FPSS_REGISTRY_LOOKUP_CACHE_H

#include <cstdint>

namespace fpss {
namespace registry {

struct CacheEntry {
    const void *hdl;
    const char *grp;
    const char *name;
    void *g;
    void *info;
};

constexpr unsigned kCacheBits = 6;

struct LookupCache {
    uint64_t epoch;  // the epoch its entries belong to
    CacheEntry entries[1U << kCacheBits];
};

// This thread's cache, or null.
extern __thread LookupCache *t_lookup_cache __attribute__((tls_model("initial-exec")));
// Raised by every handle initialisation.
extern uint64_t g_lookup_epoch;

inline CacheEntry &cache_entry(LookupCache *c, const void *hdl, const char *grp, const char *name) {
    uint64_t h = reinterpret_cast<uintptr_t>(grp) ^ reinterpret_cast<uintptr_t>(name) * 31 ^
                 reinterpret_cast<uintptr_t>(hdl) * 7;
    return c->entries[(h * 0x9E3779B97F4A7C15ULL) >> (64 - kCacheBits)];
}

// The info node cached for (hdl, grp, name), its group through 'g', or null.
inline void *cached_node(const void *hdl, const char *grp, const char *name, void **g) {
    LookupCache *c = t_lookup_cache;
    if (c == nullptr || c->epoch != __atomic_load_n(&g_lookup_epoch, __ATOMIC_ACQUIRE)) return nullptr;
    const CacheEntry &e = cache_entry(c, hdl, grp, name);
    if (e.hdl != hdl || e.grp != grp || e.name != name) return nullptr;
    *g = e.g;
    return e.info;
}

// Caches 'info' of group 'g' as the node of (hdl, grp, name) for this thread.
void remember_node(const void *hdl, const char *grp, const char *name, void *g, void *info);

// Drops what every thread has cached (a handle was made).
void forget_all();

}  // namespace registry
}  // namespace fpss

#endif  // FPSS_REGISTRY_LOOKUP_CACHE_H
