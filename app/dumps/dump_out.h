// The null-record line shared by the record and parameter dumps.
#ifndef FPSS_DUMPS_DUMP_OUT_H
#define FPSS_DUMPS_DUMP_OUT_H

#include "core/stdout.h"

namespace fpss {

// The null-record line of the dumps, naming the dump and its source line.
inline void say_null(const char *func, int line) {
    say("\n !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!! %s[%d]: null pointer.", func, line);
}

}  // namespace fpss

// Reports a null record in the dump 'func' and returns -1 from it.
#define FPSS_DUMP_REQUIRE(ptr, func)            \
    do {                                        \
        if ((ptr) == nullptr) {                 \
            ::fpss::say_null((func), __LINE__); \
            return -1;                          \
        }                                       \
    } while (0)

#endif  // FPSS_DUMPS_DUMP_OUT_H
