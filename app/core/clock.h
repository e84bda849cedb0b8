// The monotonic clock, for the library's timers (capture registries, the
// exerciser's run timers).
//
// Thread safety: none needed; the clock is read-only and per call.
#ifndef FPSS_CORE_CLOCK_H
#define FPSS_CORE_CLOCK_H

#include <cstdint>
#include <ctime>

namespace fpss {

// Microseconds of the monotonic clock since an unspecified start: it never
// goes back and ignores changes of the wall-clock time. A timer that keeps
// 32-bit stamps takes the low 32 bits; differences of such stamps stay right
// modulo 2^32 (about 71.6 minutes):
//
//     uint32_t start = static_cast<uint32_t>(fpss::monotonic_us());
inline int64_t monotonic_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace fpss

#endif  // FPSS_CORE_CLOCK_H
