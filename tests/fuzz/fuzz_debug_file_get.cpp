// The switch-file reader and the start-up read-back on arbitrary content:
// binary bytes, missing line ends, huge lines, a keyword on the last line.
// The first input byte picks what runs on the file that the rest makes:
//   0x00-0x3f  the reader with one of the nine keywords;
//   0x40-0x7f  the read-back, with the switch-file path pointed at the file
//              and the low six bits as switches already on (bits 3 to 8): it
//              must add exactly what the reader finds on and clear nothing;
//   0x80-0xff  the reader with a key of the low seven bits' length from the
//              content (cut to what there is), with no NUL after it.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "exact_block.h"
#include "ss_fp_debug.h"

namespace {

std::string g_path;

void remove_file() { unlink(g_path.c_str()); }

uint8_t read_switch(const char *key, size_t len) {
    uint8_t value = 0xAA;
    FUZZ_CHECK(ss_fp_debug_file_get(g_path.c_str(), &value, key, static_cast<int>(len)) == 0 && value <= 1);
    return value;
}

void read_back(uint8_t selector) {
    const uint32_t before = static_cast<uint32_t>(selector & 0x3f) << 3;
    fp_debug_sw = before;
    ss_fp_debug_init_sw();
    uint32_t expected = before;
    for (int i = 0; i < SS_FP_DBG_SW_COUNT; ++i)
        if (read_switch(lib_fp_dbg_sw_str[i], std::strlen(lib_fp_dbg_sw_str[i]))) expected |= lib_fp_dbg_flag[i];
    FUZZ_CHECK(fp_debug_sw == expected);
    fp_debug_sw = 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::silence_stdout();  // the read-back names the switches it turns on
    char tmpl[] = "/tmp/fuzz_sw_XXXXXX";
    static_assert(sizeof tmpl <= SS_FP_DEBUG_PATH_SIZE, "the switch-file path holds the scratch path");
    int fd = mkstemp(tmpl);
    if (fd < 0) std::abort();
    close(fd);
    g_path = tmpl;
    std::snprintf(ss_fp_debug_path, sizeof ss_fp_debug_path, "%s", tmpl);
    std::atexit(remove_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const uint8_t selector = data[0];
    FILE *f = std::fopen(g_path.c_str(), "we");
    FUZZ_CHECK(f != nullptr && std::fwrite(data + 1, 1, size - 1, f) == size - 1 && std::fclose(f) == 0);
    if (selector < 0x40) {
        const char *key = lib_fp_dbg_sw_str[selector % SS_FP_DBG_SW_COUNT];
        read_switch(key, std::strlen(key));
    } else if (selector < 0x80) {
        read_back(selector);
    } else {
        const size_t n = std::min<size_t>(selector & 0x7f, size - 1);
        fuzz::Block key(std::vector<uint8_t>(data + 1, data + 1 + n));
        read_switch(n > 0 ? key.as<char>() : "", n);
    }
    return 0;
}
