// Standard-output helpers shared by the record and parameter dumps.
//
// The dumps are read live on a switch console and parsed by field tools, so
// most of their lines are flushed as soon as they are printed.
#ifndef FPSS_INTERNAL_DUMP_OUT_H
#define FPSS_INTERNAL_DUMP_OUT_H

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

// puts (which adds the newline), then a flush.
inline int say_line(const char *text) {
    std::puts(text);
    return std::fflush(stdout);
}

// The null-record line of the dumps, naming the dump and its source line.
inline void say_null(const char *func, int line) {
    say("\n !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!! %s[%d]: null pointer.", func, line);
}

}  // namespace fpss

// Reports a null record in the dump 'func' and returns -1 from it.
#define FPSS_DUMP_REQUIRE(ptr, func)              \
    do {                                          \
        if ((ptr) == nullptr) {                   \
            ::fpss::say_null((func), __LINE__);   \
            return -1;                            \
        }                                         \
    } while (0)

#endif  // FPSS_INTERNAL_DUMP_OUT_H
