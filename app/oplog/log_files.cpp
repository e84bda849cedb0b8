// Operation log files: the start-up, the choice of the file for each line with
// the switch between the two files, the memory-size query and the zero test.
//
// The files live in a world-writable tree and privileged processes write them,
// so the directory is checked once (core/files.h) and every file is opened
// relative to it. A line is written whole or not at all: a short write is cut
// back off the file, and a file size limit never kills the process.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/files.h"
#include "core/locks.h"
#include "core/process.h"
#include "core/report.h"
#include "core/stdout.h"
#include "oplog/log_files.h"
#include "ss_fp_log_op.h"

namespace {
constexpr const fpss::Family &kFamily = fpss::family::kOplogFiles;
}  // namespace

namespace fpss {
namespace oplog {
namespace {

constexpr char kDir[] = "/tmp/zlog/ss_fp_log";
constexpr size_t kPathSize = 64;
constexpr char kHeader[] = "\n--------------log file-------------\n";
constexpr char kHeader1[] = "\n--------------log file1-------------\n";
static_assert(sizeof kHeader - 1 == 37 && sizeof kHeader1 - 1 == 38, "header lengths");

// Longest process name for which both "<dir>/<name>.log" and
// "<dir>/<name>_1.log" fit their buffers whole: a cut path could make the two
// files one. Longer names are cut to it.
constexpr int kMaxName = int(kPathSize - 1 - (sizeof kDir - 1) - 1 - (sizeof "_1.log" - 1));
static_assert(kMaxName >= 15, "a Linux process name always fits");

// Memory size taken when the system cannot tell, and the size above which a
// machine gets the large file limit (both in KiB).
constexpr int32_t kDefaultMemKb = 0x80000;
constexpr int32_t kLargeMachineKb = 0x200000;

// A file is left for the other one only when it is larger than this.
constexpr off_t size_limit(int32_t memtotal_kb) { return memtotal_kb > kLargeMachineKb ? 0x800000 : 0x80000; }
static_assert(size_limit(0x200000) == 0x80000 && size_limit(0x200001) == 0x800000, "limit rule");

// The two files and which of them takes the next line. Constant-initialised,
// so that it is ready before any constructor of the program runs.
struct LogFiles {
    char first[kPathSize] = {};           // "<dir>/<name>.log"
    char second[kPathSize] = {};          // "<dir>/<name>_1.log"
    const char *current = nullptr;        // 'first' or 'second'; null until a start-up succeeds
    int32_t memtotal_kb = kDefaultMemKb;  // machine memory found by the last start-up
    int dir = -1;                         // the checked directory; -1 until a start-up finds it
};

// The file's name inside the directory.
const char *base_name(const char *path) { return path + sizeof kDir; }

// 'g_files' is protected by 'g_files_mutex', held for a start-up, and for the
// choice of a file, a switch and the writing of one line together, so that
// concurrent writers neither interleave their lines nor switch twice. No
// stream is shared: every opener uses a descriptor of its own and closes it
// before releasing the mutex.
Mutex g_files_mutex;
LogFiles g_files GUARDED_BY(g_files_mutex);

// Flags of the two ways a log file is opened; both create a missing file.
constexpr int kAppend = O_WRONLY | O_CREAT | O_APPEND;
constexpr int kTruncate = O_WRONLY | O_CREAT | O_TRUNC;

int open_log(const char *path, int how, struct stat *st) REQUIRES(g_files_mutex) {
    return open_checked_at(g_files.dir, base_name(path), how, st);
}

// The process's file size limit now; RLIM_INFINITY when there is none (or it
// cannot be read). A line reads it once.
rlim_t file_size_limit() {
    struct rlimit limit;
    return getrlimit(RLIMIT_FSIZE, &limit) != 0 ? RLIM_INFINITY : limit.rlim_cur;
}

// Whether a file of 'size' bytes may take 'len' more under the file size limit
// 'limit'; writing past it would fail part-way.
bool fits_size_limit(rlim_t limit, off_t size, size_t len) {
    return limit == RLIM_INFINITY || rlim_t(size) + len <= limit;
}

// Writes the 'len' bytes of 'text' at the end of 'fd', a file of 'size' bytes,
// whole or not at all: what a failed write left is cut off again. True when
// the text was written whole.
//
// Under a finite file size limit 'limit' the file size signal is held back
// meanwhile, so that the limit fails the write instead of killing the process;
// the pending set is read first, so that a signal the host already had stays
// pending, and the one this write raised is discarded. With no limit (read
// just before) the write cannot raise it, and the line costs no mask changes:
// only a limit set from outside in the microseconds between that read and the
// write would meet the signal's own disposition.
bool write_whole(int fd, off_t size, const char *text, size_t len, rlim_t limit) {
    const bool limited = limit != RLIM_INFINITY;
    sigset_t xfsz, old, pending;
    bool was_pending = false;
    if (limited) {
        sigemptyset(&xfsz);
        sigaddset(&xfsz, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &xfsz, &old);
        was_pending = sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1;
    }
    size_t done = 0;
    while (done < len) {
        ssize_t n = ::write(fd, text + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    if (done < len && done > 0) (void)::ftruncate(fd, size);
    if (limited) {
        // Discard the signal this write raised, leaving any the host had.
        const struct timespec now = {0, 0};
        while (!was_pending && sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1)
            if (sigtimedwait(&xfsz, nullptr, &now) < 0 && errno != EINTR) break;
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
    return done == len;
}

// Writes 'len' bytes and closes 'fd'. Returns 0, or -1 when the text could not
// be written whole (nothing of it is left in the file) or the close failed.
int write_close(int fd, const struct stat &st, const char *text, size_t len, rlim_t limit = file_size_limit()) {
    const bool whole = fits_size_limit(limit, st.st_size, len) && write_whole(fd, st.st_size, text, len, limit);
    int rc = ::close(fd);
    return whole ? rc : -1;
}

// The process name of the log files: the process id when the status file
// cannot be opened or names nothing. False when the file opens but its first
// line cannot be read.
bool process_name(char (&name)[kProcessNameSize]) {
    NameRead r = read_process_name(name);
    if (r == NameRead::kNoLine) return false;
    if (r != NameRead::kOk) std::snprintf(name, sizeof name, "%d", int(getpid()));
    return true;
}

// Opens the directory, made with its missing parents as "mkdir -p" would and
// checked; the one of an earlier start-up is let go.
bool open_dir() REQUIRES(g_files_mutex) {
    if (g_files.dir >= 0) ::close(g_files.dir);
    g_files.dir = open_checked_dir(kDir, true);
    return g_files.dir >= 0;
}

bool append_header(const char *path, const char *header, size_t len) REQUIRES(g_files_mutex) {
    struct stat st;
    int fd = open_log(path, kAppend, &st);
    if (fd < 0) return false;
    write_close(fd, st, header, len);
    return true;
}

uint32_t memtotal_kb() {
    struct sysinfo info;
    std::memset(&info, 0, sizeof info);
    int rv = sysinfo(&info);
    if (rv != 0) {
        FPSS_ERROR("ss_fp_get_memtotal_kb", "sysinfo fail, rv:%d.\n", rv);
        return uint32_t(rv);
    }
    // totalram counts units of mem_unit bytes. Sizes beyond what a signed
    // 32-bit KiB count holds saturate, so that a very large machine is never
    // taken for a failed query.
    unsigned long long bytes = 0;
    unsigned long long unit = info.mem_unit != 0 ? info.mem_unit : 1;
    if (__builtin_mul_overflow(static_cast<unsigned long long>(info.totalram), unit, &bytes)) bytes = ULLONG_MAX;
    unsigned long long kb = bytes >> 10;
    return kb > INT32_MAX ? uint32_t(INT32_MAX) : uint32_t(kb);
}

int start_locked() REQUIRES(g_files_mutex) {
    constexpr const char *kFunc = "ss_fp_log_op_init";
    g_files.current = nullptr;
    char name[kProcessNameSize];
    if (!process_name(name)) {
        FPSS_ERROR(kFunc, "ss_fp_op_log_init fail.\n");
        return -1;
    }
    std::snprintf(g_files.first, sizeof g_files.first, "%s/%.*s.log", kDir, kMaxName, name);
    std::snprintf(g_files.second, sizeof g_files.second, "%s/%.*s_1.log", kDir, kMaxName, name);
    if (!open_dir()) {
        FPSS_ERROR(kFunc, "ss_fp_dir create fail.\n");
        return -1;
    }
    if (!append_header(g_files.first, kHeader, sizeof kHeader - 1) ||
        !append_header(g_files.second, kHeader1, sizeof kHeader1 - 1)) {
        FPSS_ERROR(kFunc, "fp_udp_open log 1 fail.\n");
        return -1;
    }
    g_files.current = g_files.first;
    int32_t kb = int32_t(memtotal_kb());
    if (kb > 0) {
        g_files.memtotal_kb = kb;
    } else {
        g_files.memtotal_kb = kDefaultMemKb;
        FPSS_ERROR(kFunc, "get_memtotal_kb fail.\n");
    }
    return 0;
}

int start() {
    MutexLock guard(&g_files_mutex);
    return start_locked();
}

// Empties 'path' and writes the first file's header into it. A file that
// cannot be emptied stays current all the same: the writer's own open then
// decides about the line.
void empty_file(const char *path) REQUIRES(g_files_mutex) {
    struct stat st;
    int fd = open_log(path, kTruncate, &st);
    if (fd < 0) {
        say("open file fail");
        return;
    }
    write_close(fd, st, kHeader, sizeof kHeader - 1);
}

// Opens the current file for a line of 'len' bytes, running the start-up
// when no file is current or the directory has gone (it is made again), and
// switching files when the current one has grown past the limit or cannot
// take the line under the file size limit. kNoFile when the start-up fails,
// -1 when the file cannot be opened.
constexpr int kNoFile = -2;

int open_current_locked(size_t len, struct stat &st, rlim_t limit) REQUIRES(g_files_mutex) {
    if (g_files.current == nullptr && start_locked() != 0) return kNoFile;
    int fd = open_log(g_files.current, kAppend, &st);
    if (fd < 0 && errno == ENOENT) {
        if (start_locked() != 0) return kNoFile;
        fd = open_log(g_files.current, kAppend, &st);
    }
    if (fd < 0) return -1;
    if (st.st_size <= size_limit(g_files.memtotal_kb) && fits_size_limit(limit, st.st_size, len)) return fd;
    ::close(fd);
    g_files.current = g_files.current == g_files.first ? g_files.second : g_files.first;
    empty_file(g_files.current);
    return open_log(g_files.current, kAppend, &st);
}

// Whether all 'len' bytes are zero, tested eight at a time when 'len' is a
// multiple of eight; false, with a report, for no bytes at all.
bool is_all_zero(const uint8_t *data, int32_t len) {
    if (data == nullptr || len <= 0) {
        FPSS_ERROR("ss_fp_is_array_equal_zero", "param fail.\n");
        return false;
    }
    if (len % 8 == 0) {
        for (int32_t i = 0; i < len; i += 8) {
            uint64_t word;
            std::memcpy(&word, data + i, sizeof word);
            if (word != 0) return false;
        }
        return true;
    }
    for (int32_t i = 0; i < len; ++i)
        if (data[i] != 0) return false;
    return true;
}

}  // namespace

int64_t append_line(const char *func, const char *line, size_t len) {
    // Reports are made once the lock is let go.
    int fd;
    int rc = 0;
    {
        MutexLock guard(&g_files_mutex);
        struct stat st;
        const rlim_t limit = file_size_limit();
        fd = open_current_locked(len, st, limit);
        if (fd >= 0) rc = write_close(fd, st, line, len, limit);
    }
    if (fd == kNoFile) return 0;
    if (fd < 0) return FPSS_ERROR(func, "log acl open fail.\n");
    if (rc != 0) FPSS_ERROR(func, "log acl write fail.\n");
    return rc;
}

}  // namespace oplog
}  // namespace fpss

extern "C" {

int ss_fp_log_op_init(void) { return fpss::oplog::start(); }

uint32_t ss_fp_get_memtotal_kb(void) { return fpss::oplog::memtotal_kb(); }

bool ss_fp_is_array_equal_zero(const uint8_t *data, int32_t len) { return fpss::oplog::is_all_zero(data, len); }

}  // extern "C"
