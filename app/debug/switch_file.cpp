// The switch file: reading one switch from it, and writing a number into a
// file. The file holds keyword lines, each followed by a value line:
//
//     error
//     1
//
// turns the error switch on. The library only reads that form; the writer
// serves the processes that keep single numbers in files.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ss_fp_debug.h"

extern "C" {
char ss_fp_debug_path[SS_FP_DEBUG_PATH_SIZE] = "/var/ss_fp_debug.txt";
}

static_assert(sizeof "/var/ss_fp_debug.txt" == SS_FP_DEBUG_PATH_SIZE);

namespace fpss {
namespace {

// One read of the switch file: 63 characters at most, the line end kept.
constexpr int kLineBuffer = 64;

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

int ss_fp_debug_file_get(const char *path, uint8_t *value, const char *key, int key_len) {
    return fpss::file_get(path, value, key, key_len);
}

int ss_fp_debug_file_set(const char *path, int value) { return fpss::file_set(path, value); }

}  // extern "C"
