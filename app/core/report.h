// The four report forms shared by every family of the library.
//
// Each report names the function that reports explicitly, so that shared code
// (the registry template, for one) prints the name of the family's own entry
// point. The source file is passed explicitly too; the macros below pass the
// calling file's repository-relative path.
//
// Thread safety: every report formats on its own thread's stack; the switch
// word and the platform-log settings are read without a lock.
#ifndef FPSS_CORE_REPORT_H
#define FPSS_CORE_REPORT_H

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "core/family.h"
#include "core/relaxed.h"
#include "ss_fp_platform.h"
#include "ss_fp_report.h"

namespace fpss {

// Where a report comes from.
struct Site {
    const char *file;  // repository-relative source path
    const char *func;  // the function name the report prints
    int line;
};

// Size of the buffer that the platform-log leg formats into.
constexpr size_t kZlogBufferSize = 1024;
// Level of every error record handed to the platform log.
constexpr int kZlogErrorLevel = 100;

// Standard-output legs (C varargs so that one lock of the stream covers the
// prefix and the message).
void print_error_line(const Site &site, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
void print_notice_line(const Site &site, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
void print_assert(const Site &site, const char *expr);
void print_init_trace(const Site &site);
// Returns the platform log's result, or 0 when no category is set.
int zlog_hand_over(const Site &site, const char *text);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

// Error report: the standard-output leg when SS_FP_DBG_FLAG_ERROR is on, then
// the platform-log leg when the level is non-zero. The platform formatter is a
// plain variadic call, so the message arguments reach it unchanged. Returns the
// platform log's result, or 0 when the report was not handed to it.
template <class... Args>
int report_error(const Site &site, const char *fmt, Args... args) {
    if (load_relaxed(fp_debug_sw) & SS_FP_DBG_FLAG_ERROR) print_error_line(site, fmt, args...);
    if (load_relaxed(g_policy_error_zlog_level) == 0) return 0;
    char buf[kZlogBufferSize];
    std::memset(buf, 0, sizeof buf);
    at_snprintf(buf, sizeof buf, fmt, args...);
    return zlog_hand_over(site, buf);
}

template <class... Args>
void report_notice(const Site &site, const char *fmt, Args... args) {
    if (load_relaxed(fp_debug_sw) & SS_FP_DBG_FLAG_NOTICE) print_notice_line(site, fmt, args...);
}

#pragma GCC diagnostic pop

inline void report_assert(const Site &site, const char *expr) {
    if (load_relaxed(fp_debug_sw) & SS_FP_DBG_FLAG_ASSERT) print_assert(site, expr);
}

inline void report_init(const Site &site) {
    if (load_relaxed(fp_debug_sw) & SS_FP_DBG_FLAG_INIT) print_init_trace(site);
}

}  // namespace fpss

namespace fpss {
// Never called: its only use is the compiler's printf check of a report's
// format against its arguments, which the templates above cannot carry.
inline void check_format(const char *, ...) __attribute__((format(printf, 1, 2)));
inline void check_format(const char *, ...) {}
}  // namespace fpss

// Call-site forms: the source path is that of the calling file's family
// ('kFamily', see core/family.h), the line is the call's own. The format must
// be a literal, so that the compiler checks it against the arguments.
#define FPSS_SITE(func) (::fpss::Site{kFamily.path, (func), __LINE__})
#define FPSS_ERROR(func, ...) \
    (false ? (::fpss::check_format(__VA_ARGS__), 0) : ::fpss::report_error(FPSS_SITE(func), __VA_ARGS__))
#define FPSS_NOTICE(func, ...) \
    (false ? ::fpss::check_format(__VA_ARGS__) : ::fpss::report_notice(FPSS_SITE(func), __VA_ARGS__))
#define FPSS_INIT_TRACE(func) ::fpss::report_init(FPSS_SITE(func))
// Prints "ASSERT fail! - <file>: <line>.\n<cond>." when 'cond' is false and
// evaluates to 'cond'; the caller decides how to go on.
#define FPSS_CHECK(cond) ((cond) ? true : (::fpss::report_assert(FPSS_SITE(""), #cond), false))

#endif  // FPSS_CORE_REPORT_H
