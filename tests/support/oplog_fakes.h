// Stand-ins for the two outside sources of the operation log, for the suites
// that write it: the platform's time text (a fixed text, or a failure) and
// the system's memory query (the real one, an injected size, or a failure).
// The test program's definitions override the platform layer's and the C
// library's through the dynamic linker. Include from exactly one source file
// of a test program.
#ifndef FPSS_OPLOG_FAKES_H
#define FPSS_OPLOG_FAKES_H

#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>

namespace oplog_fakes {

// Every line starts with this text while the time text is not failing.
constexpr char kTime[] = "2024-05-01 10:00:00.123";

enum class Mem { kReal, kInjected, kFails };

inline std::atomic<bool> time_fails{false};
inline std::atomic<Mem> mem_mode{Mem::kReal};
inline std::atomic<unsigned long> mem_totalram{0};
inline std::atomic<unsigned> mem_unit{1};

// The machine reports 'kb' KiB of memory.
inline void inject_memory_kb(unsigned long kb) {
    mem_totalram = kb << 10;
    mem_unit = 1;
    mem_mode = Mem::kInjected;
}

inline void reset() {
    time_fails = false;
    mem_mode = Mem::kReal;
}

}  // namespace oplog_fakes

extern "C" __attribute__((visibility("default"))) char *qx_time_2_string(char *buf, size_t size) {
    if (oplog_fakes::time_fails || buf == nullptr) return nullptr;
    std::snprintf(buf, size, "%s", oplog_fakes::kTime);
    return buf;
}

extern "C" __attribute__((visibility("default"))) int sysinfo(struct sysinfo *info) noexcept {
    switch (oplog_fakes::mem_mode.load()) {
    case oplog_fakes::Mem::kInjected:
        info->totalram = oplog_fakes::mem_totalram;
        info->mem_unit = oplog_fakes::mem_unit;
        return 0;
    case oplog_fakes::Mem::kFails:
        errno = EFAULT;
        return -1;
    default:
        return int(syscall(SYS_sysinfo, info));
    }
}

#endif  // FPSS_OPLOG_FAKES_H
