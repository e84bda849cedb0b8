#include "fpss_test.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace {

std::atomic<long> g_fail_at{0};  // allocation number that fails; 0 none, -1 all
std::atomic<long> g_alloc_calls{0};

std::mutex g_zlog_mutex;
std::vector<fpss_test::ZlogCall> g_zlog_calls;
std::atomic<int> g_snprintf_calls{0};
std::atomic<bool> g_snprintf_fails{false};

}  // namespace

extern "C" {

// Oversized requests are part of the tests: let them fail with null.
__attribute__((visibility("default"))) const char *__asan_default_options() { return "allocator_may_return_null=1"; }

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
    if (g_snprintf_fails) return -1;
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
    g_snprintf_fails = false;
}
void PlatformRecorder::fail_formatter() { g_snprintf_fails = true; }
std::vector<ZlogCall> PlatformRecorder::zlog_calls() {
    std::lock_guard<std::mutex> lock(g_zlog_mutex);
    return g_zlog_calls;
}
int PlatformRecorder::snprintf_calls() { return g_snprintf_calls.load(); }

std::string PlatformRecorder::reports(const std::string &prefix) {
    std::string out;
    for (const auto &c : zlog_calls()) out += prefix + c.func + ": " + c.text;
    return out;
}

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

std::string flushed_output(const std::function<void()> &fn) {
    std::fflush(stdout);
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
    FILE *file = std::tmpfile();
    if (file == nullptr) return "<no temporary file>";
    int saved = dup(STDOUT_FILENO);
    dup2(fileno(file), STDOUT_FILENO);
    fn();
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = pread(fileno(file), buf, sizeof buf, static_cast<off_t>(text.size()))) > 0;)
        text.append(buf, static_cast<size_t>(n));
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::fclose(file);
    return text;
}

size_t open_descriptors() { return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})); }

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_file(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

bool path_exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string data_path(const std::string &name) { return std::string(FPSS_TEST_DATA_DIR) + "/" + name; }

::testing::AssertionResult golden(const std::string &name, const std::string &actual) {
    const std::string path = data_path(name);
    const char *update = std::getenv("FPSS_UPDATE_GOLDEN");
    if (update != nullptr && update[0] == '1') {
        if (!write_file(path, actual)) return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess();
    }
    if (!path_exists(path)) return ::testing::AssertionFailure() << "no data file " << path;
    const std::string expected = read_file(path);
    if (expected == actual) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    return ::testing::AssertionFailure() << name << " differs at byte " << at << "\n--- expected\n"
                                         << expected << "\n--- actual\n"
                                         << actual;
}

void run_threads(int n, const std::function<void(int)> &fn) {
    std::mutex m;
    std::condition_variable cv;
    bool go = false;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        threads.emplace_back([&, i] {
            {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [&] { return go; });
            }
            fn(i);
        });
    }
    {
        std::lock_guard<std::mutex> lock(m);
        go = true;
    }
    cv.notify_all();
    for (auto &t : threads) t.join();
}

void for_each_fault(int n, const std::function<void(int)> &fn) {
    for (int k = 1; k <= n; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k) + " fails");
        FaultInjector::fail_nth(k);
        fn(k);
        FaultInjector::reset();
    }
}

PrivateMounts::PrivateMounts(bool proc)
    : ok(unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("tmpfs", "/tmp", "tmpfs", 0, nullptr) == 0 &&
         (!proc || mount("tmpfs", "/proc", "tmpfs", 0, nullptr) == 0)),
      proc(proc) {}

PrivateMounts::~PrivateMounts() {
    if (proc) umount2("/proc", MNT_DETACH);
    umount2("/tmp", MNT_DETACH);
}

}  // namespace fpss_test
