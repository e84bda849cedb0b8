// The operation log's outside sources, defined by the test program (include from
// one file) over the platform's and the C library's: a time text longer than the
// writers' 30-character buffer, and a machine of 2 GiB unless a test sets another
// size. Either can fail.
#ifndef FPSS_OPLOG_FAKES_H
#define FPSS_OPLOG_FAKES_H

#include <sys/sysinfo.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace oplog_fakes {
constexpr char kClock[] = "2024-05-01 10:00:00.123456789 +0000";
const std::string kTime(kClock, 29);  // what fits the writers' buffer starts every line
inline std::atomic<bool> time_fails{false}, mem_fails{false};
inline std::atomic<unsigned long> ram{0x200000};  // units of 'unit' bytes
inline std::atomic<unsigned> unit{1024};
}  // namespace oplog_fakes

extern "C" __attribute__((visibility("default"))) char *qx_time_2_string(char *buf, size_t size) {
    return oplog_fakes::time_fails ? nullptr : (std::snprintf(buf, size, "%s", oplog_fakes::kClock), buf);
}

extern "C" __attribute__((visibility("default"))) int sysinfo(struct sysinfo *info) noexcept {
    if (oplog_fakes::mem_fails) return errno = EFAULT, -1;
    info->totalram = oplog_fakes::ram, info->mem_unit = oplog_fakes::unit;
    return 0;
}

#endif  // FPSS_OPLOG_FAKES_H
