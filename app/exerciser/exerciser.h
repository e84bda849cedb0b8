// Output and switch helpers shared by the exerciser's request and view sources.
#ifndef FPSS_EXERCISER_EXERCISER_H
#define FPSS_EXERCISER_EXERCISER_H

#include "core/relaxed.h"
#include "dumps/dump_out.h"
#include "ss_fp_debug.h"

namespace fpss::ut {

// Every line is printed with fpss::say (print and flush): the exerciser's
// lines reach a field engineer's console at once, even when the process dies
// right after.
using ::fpss::say;

// The exerciser's extra output is on while the application manager's debug
// byte is non-zero.
inline bool debug_on() { return load_relaxed(g_ss_fp_appmng_debug) != 0; }

}  // namespace fpss::ut

// Debug trace line "\n     {appmng} <function>[<line>] PRINT:<text>".
#define UT_APPMNG_TRACE(func, fmt, ...)                                                            \
    do {                                                                                           \
        if (::fpss::ut::debug_on())                                                                \
            ::fpss::ut::say("\n     {appmng} %s[%d] PRINT:" fmt, (func), __LINE__, ##__VA_ARGS__); \
    } while (0)

#endif  // FPSS_EXERCISER_EXERCISER_H
