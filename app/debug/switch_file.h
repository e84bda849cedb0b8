// The switch file read once into memory, and the look-up of one switch in it.
//
// The file holds keyword lines, each followed by a value line:
//
//     error
//     1
//
// turns the error switch on. Lines are taken as a 64-byte line buffer takes
// them: at most 63 characters at a time, the line end kept, so a longer line
// counts as several. A keyword matches a line that begins with it.
#ifndef FPSS_DEBUG_SWITCH_FILE_H
#define FPSS_DEBUG_SWITCH_FILE_H

#include <cstddef>
#include <cstdint>

namespace fpss {
namespace debug {

// A switch file holds a few dozen bytes; anything larger than this is not
// one and is refused rather than scanned.
constexpr size_t kSwitchFileMax = 4096;

// What read_switch_file() read: 'len' bytes of 'bytes'.
struct SwitchText {
    char bytes[kSwitchFileMax];
    size_t len;
};

// Reads the switch file at 'path' whole into 'text'. False when there is
// nothing to look in: the file is missing or cannot be read (silently), or is
// refused (not a regular file of a checked directory, or too large), which is
// reported once under 'func'.
bool read_switch_file(const char *path, SwitchText &text, const char *func);

// The value after the first line that begins with the 'key_len' bytes of
// 'key': 1 when the next line is a non-zero decimal number, else 0 (also when
// no line matches or no line follows).
uint8_t find_switch(const SwitchText &text, const char *key, int key_len);

}  // namespace debug
}  // namespace fpss

#endif  // FPSS_DEBUG_SWITCH_FILE_H
