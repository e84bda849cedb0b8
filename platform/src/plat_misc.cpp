/* The bounded formatter, the time text and the chip count. */
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "plat_internal.h"
#include "ss_fp_platform.h"

namespace plat {

bool time_text(char *buf, size_t size) {
    if (buf == nullptr || size < kTimeTextSize) return false;
    struct timespec ts;
    struct tm tm;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0 || localtime_r(&ts.tv_sec, &tm) == nullptr) return false;
    /* A year beyond 9999 would not fit the fixed shape; refuse it rather than cut it. */
    int n = snprintf(buf, size, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<long>(ts.tv_nsec / 1000000));
    return n == static_cast<int>(kTimeTextSize - 1);
}

}  // namespace plat

extern "C" int at_snprintf(char *buf, size_t size, const char *format, ...) {
    if (format == nullptr) {
        if (buf != nullptr && size > 0) buf[0] = '\0';
        return -1;
    }
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(buf, buf != nullptr ? size : 0, format, ap);
    va_end(ap);
    return n;
}

extern "C" char *qx_time_2_string(char *buf, size_t size) { return plat::time_text(buf, size) ? buf : nullptr; }

/* Strict: decimal digits only (leading zeros allowed) with a value of 0 to 64;
 * a sign, blank or suffix makes the whole value invalid, not partly read. */
extern "C" int libddm_get_local_chip_num(void) {
    constexpr int kDefault = 1, kMax = 64;
    const char *s = getenv("SS_FP_CHIP_NUM");
    if (s == nullptr || *s == '\0') return kDefault;
    int v = 0;
    for (; *s != '\0'; s++) {
        if (*s < '0' || *s > '9') return kDefault;
        v = v * 10 + (*s - '0');
        if (v > kMax) return kDefault;
    }
    return v;
}
