#include "fpss_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>


namespace {

std::atomic<long> g_fail_at{0};    // allocation number that fails; 0 none, -1 all
std::atomic<long> g_alloc_calls{0};

std::mutex g_zlog_mutex;
std::vector<fpss_test::ZlogCall> g_zlog_calls;
std::atomic<int> g_snprintf_calls{0};

}  // namespace

extern "C" {

// Oversized requests are part of the tests: let them fail with null.
__attribute__((visibility("default"))) const char *__asan_default_options() {
    return "allocator_may_return_null=1";
}

// The library's allocation fault hook.
__attribute__((visibility("default"))) int fpss_test_alloc_fault(void) {
    long n = ++g_alloc_calls;
    long at = g_fail_at.load();
    return at == -1 || (at > 0 && n == at);
}

__attribute__((visibility("default"))) int qxdf_zlog(void *category, const char *file, size_t file_len,
                                                     const char *func, size_t func_len, long line, int level,
                                                     const char *format, ...) {
    char text[4096];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    std::lock_guard<std::mutex> lock(g_zlog_mutex);
    g_zlog_calls.push_back({category, file, file_len, func, func_len, line, level, format, text});
    return 0;
}

__attribute__((visibility("default"))) int at_snprintf(char *buf, size_t size, const char *format, ...) {
    ++g_snprintf_calls;
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(buf, size, format, ap);
    va_end(ap);
    return n;
}

}  // extern "C"

namespace fpss_test {

void FaultInjector::fail_nth(long n) {
    g_alloc_calls = 0;
    g_fail_at = n;
}
void FaultInjector::fail_all() { g_fail_at = -1; }
void FaultInjector::reset() {
    g_fail_at = 0;
    g_alloc_calls = 0;
}
long FaultInjector::calls() { return g_alloc_calls.load(); }

void PlatformRecorder::reset() {
    std::lock_guard<std::mutex> lock(g_zlog_mutex);
    g_zlog_calls.clear();
    g_snprintf_calls = 0;
}
std::vector<ZlogCall> PlatformRecorder::zlog_calls() {
    std::lock_guard<std::mutex> lock(g_zlog_mutex);
    return g_zlog_calls;
}
int PlatformRecorder::snprintf_calls() { return g_snprintf_calls.load(); }

StdoutCapture::StdoutCapture() : active_(true) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
}
StdoutCapture::~StdoutCapture() {
    if (active_) take();
}
std::string StdoutCapture::take() {
    if (!active_) return std::string();
    active_ = false;
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

}  // namespace fpss_test
