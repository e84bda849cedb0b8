// The switch-file reader on arbitrary file content: binary bytes, missing
// line ends, huge lines, a keyword on the last line. The first input byte
// picks the key (one of the nine keywords, or a key taken from the input with
// any length, including 0 and more than a line holds); the rest is the file.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ss_fp_debug.h"

namespace {

std::string g_path;

void remove_file() { unlink(g_path.c_str()); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char tmpl[] = "/tmp/fuzz_sw_XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0) std::abort();
    close(fd);
    g_path = tmpl;
    std::atexit(remove_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    uint8_t selector = data[0];
    const uint8_t *content = data + 1;
    size_t content_len = size - 1;

    std::string key;
    if (selector < 0x80) {
        key = lib_fp_dbg_sw_str[selector % SS_FP_DBG_SW_COUNT];
    } else {
        size_t n = (selector & 0x7f) < content_len ? (selector & 0x7f) : content_len;
        key.assign(reinterpret_cast<const char *>(content), n);
    }

    int fd = open(g_path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) std::abort();
    size_t done = 0;
    while (done < content_len) {
        ssize_t w = write(fd, content + done, content_len - done);
        if (w <= 0) std::abort();
        done += static_cast<size_t>(w);
    }
    close(fd);

    uint8_t value = 0xAA;
    int rv = ss_fp_debug_file_get(g_path.c_str(), &value, key.data(), static_cast<int>(key.size()));
    if (rv != 0 || value > 1) std::abort();
    return 0;
}
