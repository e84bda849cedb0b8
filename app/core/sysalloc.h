// System allocation of the library's own storage (hash tables, the
// allocation-record table, the blocks handed out by the tracked allocator).
//
// Test builds compile in a fault hook: when a program linked with the library
// defines fpss_test_alloc_fault(), every system allocation asks it first and
// fails when it answers non-zero. Release builds call the C library directly.
#ifndef FPSS_CORE_SYSALLOC_H
#define FPSS_CORE_SYSALLOC_H

#include <cstdlib>
#include <cstring>

#if FPSS_FAULT_INJECTION
extern "C" int fpss_test_alloc_fault(void) __attribute__((weak, visibility("default")));
#endif

namespace fpss {

inline bool alloc_fault() {
#if FPSS_FAULT_INJECTION
    return fpss_test_alloc_fault != nullptr && fpss_test_alloc_fault() != 0;
#else
    return false;
#endif
}

inline void *sys_malloc(size_t n) { return alloc_fault() ? nullptr : std::malloc(n); }
inline void *sys_calloc(size_t count, size_t size) { return alloc_fault() ? nullptr : std::calloc(count, size); }
// A zero-filled block of count * size bytes, as calloc makes it (one system
// allocation). Small blocks come from malloc, whose per-thread cache calloc
// does not use, and are cleared here; large ones keep calloc's fresh pages.
inline void *sys_zalloc(size_t count, size_t size) {
    constexpr size_t kSmall = 4096;
    if (size != 0 && count > kSmall / size) return sys_calloc(count, size);
    size_t n = count * size;
    void *p = sys_malloc(n);
    asm("" : "+r"(p));  // the compiler would fold malloc and memset back into calloc
    if (p != nullptr) std::memset(p, 0, n);
    return p;
}
inline void *sys_realloc(void *p, size_t n) { return alloc_fault() ? nullptr : std::realloc(p, n); }
inline void sys_free(void *p) { std::free(p); }

// A zero-filled record of type T, or null.
template <class T>
T *sys_new_zeroed() {
    return static_cast<T *>(sys_calloc(1, sizeof(T)));
}

}  // namespace fpss

#endif  // FPSS_CORE_SYSALLOC_H
