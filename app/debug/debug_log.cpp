// The per-process debug log file: its two paths, opening with a banner,
// closing with a banner, and the debug start-up that opens it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "core/family.h"
#include "core/files.h"
#include "core/process.h"
#include "core/report.h"
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"

extern "C" {
const char *fp_debug_file_path_arr[2] = {"/tmp/zlog/fp_debug_log1.txt", "/tmp/zlog/fp_debug_log2.txt"};
int32_t fp_debug_file_index = 0;
FILE *fp_debug_file_fp = nullptr;
struct stat fp_debug_statbuff;
char fp_debug_file_buff[256];
int64_t fp_file_log_index = 0;
}

namespace fpss::debug_log {
namespace {

constexpr const fpss::Family &kFamily = fpss::family::kDebug;

// A path block holds 63 characters and its NUL.
constexpr int kPathBlock = 64;
// The longest process name that still leaves room for the directory and the
// "_log<i>.txt" tail: a longer name is cut, so the two paths stay distinct.
constexpr int kMaxName =
    kPathBlock - 1 - static_cast<int>(sizeof "/tmp/zlog/" - 1) - static_cast<int>(sizeof "_log0.txt" - 1);
static_assert(kMaxName == 44);

// The path blocks of this library, reused by every later path set-up so that
// a path the process has taken stays valid.
char *g_path_block[2];

constexpr const char *kOpenBanner = "\r\n===== fp file log process on[%s] =====\r\n";
constexpr const char *kCloseBanner = "\r\n===== fp file debug off[%s] =====\r\n";

// Paths from the process name; the defaults stay when no name can be read.
int set_up_paths() {
    char name[kProcessNameSize];
    if (read_process_name(name) != NameRead::kOk) return 0;
    for (int i = 0; i < 2; ++i) {
        char *block = g_path_block[i];
        if (block == nullptr) block = static_cast<char *>(ss_fp_malloc(kPathBlock, kFamily.tag));
        if (block == nullptr) break;
        std::snprintf(block, kPathBlock, "/tmp/zlog/%.*s_log%d.txt", kMaxName, name, i);
        g_path_block[i] = block;
        fp_debug_file_path_arr[i] = block;
    }
    return 0;
}

// The path that the index selects, or null when the index or entry is unusable.
const char *selected_path() {
    int32_t index = fp_debug_file_index;
    if (index < 0 || index > 1) return nullptr;
    return fp_debug_file_path_arr[index];
}

// Writes a banner with the current time in epoch seconds, without the NUL.
void write_banner(FILE *stream, const char *format) {
    char text[256];
    std::time_t now = std::time(nullptr);
    std::tm local;
    if (localtime_r(&now, &local) == nullptr) return;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    size_t n = std::strftime(text, sizeof text, format, &local);
#pragma GCC diagnostic pop
    std::fwrite(text, 1, n, stream);
}

// Opens 'path' for appending, created when missing. A file that cannot be
// opened fails silently (the debug log opens before the operation log makes
// /tmp/zlog); one that is refused is reported.
FILE *open_log_stream(const char *path) {
    int fd = open_checked(path, O_WRONLY | O_CREAT | O_APPEND);
    if (fd < 0) {
        if (errno == EPERM) FPSS_ERROR("fp_debug_file_open", "%s refused.\n", path);
        return nullptr;
    }
    FILE *stream = ::fdopen(fd, "a");
    if (stream == nullptr) ::close(fd);
    return stream;
}

int open_file() {
    set_up_paths();
    const char *path = selected_path();
    if (path == nullptr) return -1;
    (void)::stat(path, &fp_debug_statbuff);  // callers read what it found
    if (fp_debug_file_fp != nullptr) {
        std::fclose(fp_debug_file_fp);
        fp_debug_file_fp = nullptr;
    }
    fp_debug_file_fp = open_log_stream(path);
    if (fp_debug_file_fp == nullptr) return 0;
    write_banner(fp_debug_file_fp, kOpenBanner);
    return 0;
}

int close_file() {
    const char *path = selected_path();
    if (path == nullptr) return -1;
    int rv = ::stat(path, &fp_debug_statbuff);
    if (rv != 0) return rv;
    if (fp_debug_file_fp == nullptr) return 0;
    write_banner(fp_debug_file_fp, kCloseBanner);
    rv = std::fclose(fp_debug_file_fp);
    fp_debug_file_fp = nullptr;
    return rv;
}

// The allocation watch first, so that the path blocks are counted.
int start() {
    ss_fp_mem_watch_init();
    open_file();
    return 0;
}

}  // namespace
}  // namespace fpss::debug_log

extern "C" {

int init_log_file_path(void) { return fpss::debug_log::set_up_paths(); }

int fp_debug_file_open(void) { return fpss::debug_log::open_file(); }

int fp_debug_file_close(void) { return fpss::debug_log::close_file(); }

int libss_fp_debug_init(void) { return fpss::debug_log::start(); }

}  // extern "C"
