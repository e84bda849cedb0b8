// The operation log's files, as the record writers use them.
//
// The writers format a whole line on their own stack, then hand it to
// append_line(), which chooses the file (running the start-up or switching
// files when needed) and writes the line, all under the log's one lock.
#ifndef FPSS_OPLOG_LOG_FILES_H
#define FPSS_OPLOG_LOG_FILES_H

#include <cstddef>
#include <cstdint>

namespace fpss {
namespace oplog {

// A line, time text and line end included, fits this buffer with its NUL.
constexpr size_t kLineSize = 1024;
// Buffer handed to the platform's time text.
constexpr size_t kTimeSize = 30;

// Writes 'len' bytes of 'line' to the current log file, whole or not at all.
// Returns the result of closing the file (0, or -1 when the line could not be
// written whole, reported as "log acl write fail.\n"), 0 when no file is
// available, or the result of the "log acl open fail.\n" report. Reports name
// 'func'.
int64_t append_line(const char *func, const char *line, size_t len);

}  // namespace oplog
}  // namespace fpss

#endif  // FPSS_OPLOG_LOG_FILES_H
