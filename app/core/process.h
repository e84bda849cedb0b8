// The process name that names a process's own debug and operation-log files.
#ifndef FPSS_CORE_PROCESS_H
#define FPSS_CORE_PROCESS_H

#include <cstddef>

namespace fpss {

// Name buffer: "%63s" of the status line and its NUL.
constexpr size_t kProcessNameSize = 64;

enum class NameRead {
    kOk,      // 'name' holds the name
    kNoFile,  // the status file cannot be opened
    kNoLine,  // it opens but its first line cannot be read
    kNoName,  // the first line names nothing
};

// Reads the name from the first line of "/proc/<pid>/status" ("Name:\t<name>",
// at most 62 characters read). A '/' in the name becomes '_', so that the
// name can never lead a file path out of its directory.
NameRead read_process_name(char (&name)[kProcessNameSize]);

}  // namespace fpss

#endif  // FPSS_CORE_PROCESS_H
