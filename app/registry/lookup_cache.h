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
// thread exits; a thread without one (memory ran out) just misses.
#ifndef FPSS_REGISTRY_LOOKUP_CACHE_H
#define FPSS_REGISTRY_LOOKUP_CACHE_H

namespace fpss {
namespace registry {

// The info node cached for (hdl, grp, name), its group through 'g', or null.
void *cached_node(const void *hdl, const char *grp, const char *name, void **g);

// Caches 'info' of group 'g' as the node of (hdl, grp, name) for this thread.
void remember_node(const void *hdl, const char *grp, const char *name, void *g, void *info);

// Drops what every thread has cached (a handle was made).
void forget_all();

}  // namespace registry
}  // namespace fpss

#endif  // FPSS_REGISTRY_LOOKUP_CACHE_H
