// The switch file: reading it, looking switches up in it, and writing a number
// into a file. The library only reads the keyword form; the writer serves the
// processes that keep single numbers in files.
//
// The path is the host's to set and the file may lie in a directory that
// others can write, so it is opened through checked directories only, never
// blocks (a FIFO is refused, not read), and is read once with a size bound.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "core/report.h"
#include "debug/switch_file.h"
#include "ss_fp_debug.h"

extern "C" {
char ss_fp_debug_path[SS_FP_DEBUG_PATH_SIZE] = "/var/ss_fp_debug.txt";
}

static_assert(sizeof "/var/ss_fp_debug.txt" == SS_FP_DEBUG_PATH_SIZE);

namespace {
constexpr const fpss::Family &kFamily = fpss::family::kDebug;
}  // namespace

namespace fpss {
namespace debug {
namespace {

// One line piece: 63 characters at most, the line end kept.
constexpr size_t kLineBuffer = 64;

// Walks 'text' in line pieces, as fgets over a 64-byte buffer would.
class Pieces {
  public:
    explicit Pieces(const SwitchText &text) : text_(text) {}

    // The next piece, NUL-terminated, in 'line'; false at the end.
    bool next(char (&line)[kLineBuffer]) {
        if (pos_ >= text_.len) return false;
        size_t n = 0;
        while (n < kLineBuffer - 1 && pos_ < text_.len) {
            char c = text_.bytes[pos_++];
            line[n++] = c;
            if (c == '\n') break;
        }
        line[n] = '\0';
        return true;
    }

  private:
    const SwitchText &text_;
    size_t pos_ = 0;
};

enum class Read { kWhole, kFailed, kTooLarge };

// Reads the whole file, up to one byte more than the bound, so that a file
// grown past it since it was opened is caught too.
Read read_bounded(int fd, SwitchText &text) {
    char extra;
    for (;;) {
        const bool full = text.len == sizeof text.bytes;
        ssize_t n = full ? ::read(fd, &extra, 1) : ::read(fd, text.bytes + text.len, sizeof text.bytes - text.len);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Read::kFailed;
        if (n == 0) return Read::kWhole;
        if (full) return Read::kTooLarge;
        text.len += size_t(n);
    }
}

}  // namespace

bool read_switch_file(const char *path, SwitchText &text, const char *func) {
    text.len = 0;
    struct stat st;
    int fd = open_checked(path, O_RDONLY, &st);
    if (fd < 0) {
        if (errno == EPERM) FPSS_ERROR(func, "switch file %s refused.\n", path);
        return false;
    }
    Read r = st.st_size > off_t(kSwitchFileMax) ? Read::kTooLarge : read_bounded(fd, text);
    ::close(fd);
    if (r == Read::kTooLarge)
        FPSS_ERROR(func, "switch file %s refused, larger than %zu bytes.\n", path, kSwitchFileMax);
    return r == Read::kWhole;
}

uint8_t find_switch(const SwitchText &text, const char *key, int key_len) {
    Pieces pieces(text);
    char line[kLineBuffer];
    while (pieces.next(line)) {
        if (std::strncmp(line, key, size_t(key_len)) != 0) continue;
        // strtol saturates instead of overflowing, so any huge number still
        // counts as non-zero.
        if (!pieces.next(line)) return 0;
        return std::strtol(line, nullptr, 10) != 0 ? 1 : 0;
    }
    return 0;
}

}  // namespace debug

namespace {

int file_get(const char *path, uint8_t *value, const char *key, int key_len) {
    if (value == nullptr) return -1;
    *value = 0;
    if (path == nullptr || key == nullptr || key_len < 0) return -1;
    debug::SwitchText text;
    if (debug::read_switch_file(path, text, "ss_fp_debug_file_get")) *value = debug::find_switch(text, key, key_len);
    return 0;
}

int file_set(const char *path, int value) {
    if (path == nullptr) return 0;
    int fd = open_checked(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) {
        if (errno == EPERM) FPSS_ERROR("ss_fp_debug_file_set", "%s refused.\n", path);
        return 0;
    }
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%d", value);
    ssize_t written = ::write(fd, digits, size_t(n));
    int rc = ::close(fd);
    return written == n ? rc : -1;
}

}  // namespace
}  // namespace fpss

extern "C" {

int ss_fp_debug_file_get(const char *path, uint8_t *value, const char *key, int key_len) {
    return fpss::file_get(path, value, key, key_len);
}

int ss_fp_debug_file_set(const char *path, int value) { return fpss::file_set(path, value); }

}  // extern "C"
