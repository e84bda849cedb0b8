// Printing to standard output for the library's dumps, reports and command
// replies. Their lines are read live on a switch console and parsed by field
// tools, so each piece is flushed as soon as it is printed.
#ifndef FPSS_CORE_STDOUT_H
#define FPSS_CORE_STDOUT_H

#include <cstdarg>
#include <cstdio>

namespace fpss {

// printf, then a flush of standard output. Returns the flush's result.
inline int say(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
inline int say(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    return std::fflush(stdout);
}

// puts (which adds the newline), then a flush. Returns the flush's result.
inline int say_line(const char *text) {
    std::puts(text);
    return std::fflush(stdout);
}

}  // namespace fpss

#endif  // FPSS_CORE_STDOUT_H
