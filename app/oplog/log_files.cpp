// Operation log files: the start-up, the choice of the file for each line with
// the switch between the two files, the memory-size query and the zero test.
//
// The files live in a world-writable tree and privileged processes write them,
// so every open refuses a symbolic link in the file's place (O_NOFOLLOW) and
// anything that is not a regular file, and the directory is made with
// mkdir(2), never through a shell.
#include <fcntl.h>
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
};

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
constexpr mode_t kFileMode = 0666;

int open_log(const char *path, int how) { return open_regular_nofollow(path, how, kFileMode); }

// Writes 'len' bytes and closes 'fd'. Returns 0, or -1 when the text could not
// be written whole or the close failed.
int write_close(int fd, const char *text, size_t len) {
    bool whole = true;
    while (len > 0) {
        ssize_t n = write(fd, text, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            whole = false;
            break;
        }
        text += n;
        len -= size_t(n);
    }
    int rc = close(fd);
    return whole ? rc : -1;
}

// Size of a file; one that cannot be examined counts as empty.
off_t file_size(const char *path) {
    struct stat st;
    return lstat(path, &st) == 0 ? st.st_size : 0;
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

// Creates 'dir' with its missing parents, as "mkdir -p" would. True when it
// is a directory afterwards.
bool make_dirs(const char *dir) {
    char path[kPathSize];
    std::snprintf(path, sizeof path, "%s", dir);
    for (char *p = path + 1;; ++p) {
        if (*p != '/' && *p != '\0') continue;
        char c = *p;
        *p = '\0';
        if (mkdir(path, 0777) != 0 && errno != EEXIST) return false;
        *p = c;
        if (c == '\0') break;
    }
    struct stat st;
    return stat(dir, &st) == 0 && S_ISDIR(st.st_mode);
}

bool append_header(const char *path, const char *header, size_t len) {
    int fd = open_log(path, kAppend);
    if (fd < 0) return false;
    write_close(fd, header, len);
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
    if (!make_dirs(kDir)) {
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
void empty_file(const char *path) {
    int fd = open_log(path, kTruncate);
    if (fd < 0) {
        say("open file fail");
        return;
    }
    write_close(fd, kHeader, sizeof kHeader - 1);
}

// The file for the next line, switching when the current one has grown past
// the limit; null when the start-up fails.
const char *choose_file_locked() REQUIRES(g_files_mutex) {
    if (g_files.current == nullptr && start_locked() != 0) return nullptr;
    if (file_size(g_files.current) <= size_limit(g_files.memtotal_kb)) return g_files.current;
    g_files.current = g_files.current == g_files.first ? g_files.second : g_files.first;
    empty_file(g_files.current);
    return g_files.current;
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
    {
        MutexLock guard(&g_files_mutex);
        const char *path = choose_file_locked();
        if (path == nullptr) return 0;
        int fd = open_log(path, kAppend);
        if (fd >= 0) return write_close(fd, line, len);
    }
    return FPSS_ERROR(func, "log acl open fail.\n");
}

}  // namespace oplog
}  // namespace fpss

extern "C" {

int ss_fp_log_op_init(void) { return fpss::oplog::start(); }

uint32_t ss_fp_get_memtotal_kb(void) { return fpss::oplog::memtotal_kb(); }

bool ss_fp_is_array_equal_zero(const uint8_t *data, int32_t len) { return fpss::oplog::is_all_zero(data, len); }

}  // extern "C"
