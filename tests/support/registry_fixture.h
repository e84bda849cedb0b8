// Lookups into the capture and counter registries, for their suite and stress test.
#ifndef FPSS_TEST_REGISTRY_FIXTURE_H
#define FPSS_TEST_REGISTRY_FIXTURE_H

#include <ctime>
#include <string>

#include "libss_fp_cnt.h"

namespace fpss_test {

// The group or info node 'name' of table 't' (its name leads the record), or null.
template <class T>
T *find(libss_hash_t *t, const std::string &name) {
    char key[sizeof(T::name)] = {};
    name.copy(key, sizeof key - 1);
    return static_cast<T *>(libss_hash_find_item(t, key));
}

inline int64_t now_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace fpss_test

#endif  // FPSS_TEST_REGISTRY_FIXTURE_H
