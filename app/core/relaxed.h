// Plain exported words (switches, flags) that any thread may write and read
// without a lock. Reads and writes inside the library go through these relaxed
// atomic accessors: a change takes effect for calls that start after it, and
// the accesses are not data races.
#ifndef FPSS_CORE_RELAXED_H
#define FPSS_CORE_RELAXED_H

namespace fpss {

template <class T>
inline T load_relaxed(const T &word) {
    return __atomic_load_n(&word, __ATOMIC_RELAXED);
}

template <class T>
inline void store_relaxed(T &word, T value) {
    __atomic_store_n(&word, value, __ATOMIC_RELAXED);
}

}  // namespace fpss

#endif  // FPSS_CORE_RELAXED_H
