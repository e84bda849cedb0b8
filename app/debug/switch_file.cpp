// The named switches of the switch word: their tables, turning them all on or
// off, the flag-name lookups, the flag-bitmap dumps and the switch-file access.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/relaxed.h"
#include "core/stdout.h"
#include "ss_fp_appmng.h"
#include "ss_fp_debug.h"

extern "C" {

const uint32_t lib_fp_dbg_flag[SS_FP_DBG_SW_COUNT] = {
    SS_FP_DBG_FLAG_IN,     SS_FP_DBG_FLAG_OUT,    SS_FP_DBG_FLAG_IMPT, SS_FP_DBG_FLAG_ERROR, SS_FP_DBG_FLAG_NOTICE,
    SS_FP_DBG_FLAG_DETAIL, SS_FP_DBG_FLAG_ASSERT, SS_FP_DBG_FLAG_INIT, SS_FP_DBG_FLAG_DS,
};

const char *const lib_fp_dbg_name[SS_FP_DBG_SW_COUNT] = {
    "SS_FP_DBG_FLAG_IN",     "SS_FP_DBG_FLAG_OUT",    "SS_FP_DBG_FLAG_IMPT",
    "SS_FP_DBG_FLAG_ERROR",  "SS_FP_DBG_FLAG_NOTICE", "SS_FP_DBG_FLAG_DETAIL",
    "SS_FP_DBG_FLAG_ASSERT", "SS_FP_DBG_FLAG_INIT",   "SS_FP_DBG_FLAG_DS",
};

const char *const lib_fp_dbg_sw_str[SS_FP_DBG_SW_COUNT] = {
    "in", "out", "impt", "error", "notice", "detail", "assert", "init", "ds",
};

char ss_fp_debug_path[SS_FP_DEBUG_PATH_SIZE] = "/var/ss_fp_debug.txt";

}  // extern "C"

static_assert(sizeof "/var/ss_fp_debug.txt" == SS_FP_DEBUG_PATH_SIZE);

namespace fpss {
namespace {

// Every named switch but the start-up trace.
constexpr uint32_t kAllButInit = 0x17F;

// One read of the switch file: 63 characters at most, the line end kept.
constexpr int kLineBuffer = 64;

bool flag_set(const uint32_t *bitmap, uint32_t f) { return (bitmap[f / 32] >> (f % 32)) & 1u; }

// Prints 'heading', then "<name> | " for every set flag below 'count', then
// the closing line. Shared by the rule and action dumps.
int dump_flags(const uint32_t *bitmap, const char *heading, const char *const *names, uint32_t count) {
    if (bitmap == nullptr) {
        fpss::say("\nError para, return\n");
        return -1;
    }
    fpss::say("%s\n", heading);
    for (uint32_t f = 0; f < count; ++f)
        if (flag_set(bitmap, f)) std::printf("%s | ", names[f]);
    fpss::say("\r\n");
    return 0;
}

// Reads the value line after a matched keyword: a decimal number, non-zero
// meaning on. strtol saturates instead of overflowing, so any huge number
// still counts as non-zero.
uint8_t read_value_line(FILE *f) {
    char line[kLineBuffer];
    if (std::fgets(line, sizeof line, f) == nullptr) return 0;
    return std::strtol(line, nullptr, 10) != 0 ? 1 : 0;
}

int file_get(const char *path, uint8_t *value, const char *key, int key_len) {
    if (value == nullptr) return -1;
    *value = 0;
    if (path == nullptr || key == nullptr || key_len < 0) return -1;
    FILE *f = std::fopen(path, "re");
    if (f == nullptr) return 0;
    char line[kLineBuffer];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, key, static_cast<size_t>(key_len)) == 0) {
            *value = read_value_line(f);
            break;
        }
    }
    return std::fclose(f);
}

int file_set(const char *path, int value) {
    if (path == nullptr) return 0;
    FILE *f = std::fopen(path, "w+e");
    if (f == nullptr) return 0;
    std::fprintf(f, "%d", value);
    return std::fclose(f);
}

}  // namespace
}  // namespace fpss

extern "C" {

void ss_fp_debug_on(void) { fpss::store_relaxed(fp_debug_sw, fpss::kAllButInit); }

void ss_fp_debug_off(void) { fpss::store_relaxed(fp_debug_sw, uint32_t{0}); }

int ss_fp_debug_file_get(const char *path, uint8_t *value, const char *key, int key_len) {
    return fpss::file_get(path, value, key, key_len);
}

int ss_fp_debug_file_set(const char *path, int value) { return fpss::file_set(path, value); }

const char *ss_fp_get_rule_name(uint32_t flag) {
    return flag <= SS_FP_RULE_MAX ? fp_rule_flag_strings[flag] : nullptr;
}

const char *ss_fp_get_action_name(int32_t flag) {
    return flag >= 1 && flag < SS_FP_ACTION_MAX ? fp_action_flag_strings[flag] : nullptr;
}

int ss_fp_dump_rule_flag(const uint32_t *rule_flags) {
    return fpss::dump_flags(rule_flags, "\nRULE_FLAG:\r", fp_rule_flag_strings, SS_FP_RULE_MAX);
}

int ss_fp_dump_action_flag(const uint32_t *action_flags) {
    return fpss::dump_flags(action_flags, "\r\nACTION FLAG:\r", fp_action_flag_strings, SS_FP_ACTION_MAX);
}

}  // extern "C"
