// The switch word, the platform-log settings and the standard-output legs of
// the report forms.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/report.h"

extern "C" {
SS_FP_API uint32_t fp_debug_sw = 0;
SS_FP_API int32_t g_policy_error_zlog_level = 6;
SS_FP_API void *g_policy_error_zlog_category = nullptr;
}

namespace fpss {

namespace {

// One stream lock around prefix and message keeps a report's line whole when
// several threads report at once.
__attribute__((format(printf, 3, 0))) void print_prefixed(const char *kind, const Site &site, const char *fmt,
                                                          va_list ap) {
    flockfile(stdout);
    std::printf("\n !!!!!!!!%s %s[%d]:", kind, site.func, site.line);
    std::vprintf(fmt, ap);
    std::fflush(stdout);
    funlockfile(stdout);
}

}  // namespace

void print_error_line(const Site &site, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    print_prefixed("Error", site, fmt, ap);
    va_end(ap);
}

void print_notice_line(const Site &site, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    print_prefixed("Notice", site, fmt, ap);
    va_end(ap);
}

void print_assert(const Site &site, const char *expr) {
    flockfile(stdout);
    std::printf("ASSERT fail! - %s: %d.\n%s.", site.file, site.line, expr);
    std::fflush(stdout);
    funlockfile(stdout);
}

void print_init_trace(const Site &site) {
    std::printf("\n [FP_INIT]: %s[%d]:", site.func, site.line);
    std::fflush(stdout);
}

int zlog_hand_over(const Site &site, const char *text) {
    void *category = load_relaxed(g_policy_error_zlog_category);
    if (category == nullptr) return 0;
    return qxdf_zlog(category, site.file, std::strlen(site.file), site.func, std::strlen(site.func), site.line,
                     kZlogErrorLevel, "%s", text);
}

}  // namespace fpss
