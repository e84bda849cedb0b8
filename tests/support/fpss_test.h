// Test support shared by the library's suites.
//
// - Allocation fault injection: FaultInjector::fail_nth(n) makes the n-th
//   system allocation the library makes from now on fail (1 is the next one);
//   fail_all() makes every one fail until reset(). The library asks the hook
//   before every system allocation (test builds only).
// - Platform-log recorder: the test programs define qxdf_zlog and at_snprintf
//   themselves (overriding the platform layer through the dynamic linker) and
//   record every call.
// - Standard-output capture: StdoutCapture reads what the library printed;
//   flushed_output(fn) only what fn flushed.
// - Files: read_file, write_file, path_exists; golden() compares a text with
//   a data file under tests/data/ byte for byte (FPSS_UPDATE_GOLDEN=1
//   rewrites the file instead, for a deliberate change of format).
// - Threads: run_threads(n, fn) runs fn(0) .. fn(n-1) on n threads that
//   start together and joins them all.
// - Private mounts: PrivateMounts gives a test its own empty /tmp.
// - Allocation-failure walk: for_each_fault(n, fn) calls fn(k) once for each
//   k in 1..n with the k-th system allocation from then on set to fail.
#ifndef FPSS_TEST_H
#define FPSS_TEST_H

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace fpss_test {

class FaultInjector {
  public:
    static void fail_nth(long n);  // n >= 1
    static void fail_all();
    static void reset();
    static long calls();  // system allocations asked for since the last reset
};

// One recorded qxdf_zlog call.
struct ZlogCall {
    void *category;
    std::string file;
    size_t file_len;
    std::string func;
    size_t func_len;
    long line;
    int level;
    std::string format;
    std::string text;  // the formatted record
};

class PlatformRecorder {
  public:
    static void reset();
    static std::vector<ZlogCall> zlog_calls();
    static int snprintf_calls();
    // The formatter fails (-1) without writing anything until reset().
    static void fail_formatter();
    // Every recorded call as "<prefix><func>: <text>", in order.
    static std::string reports(const std::string &prefix = "");
};

// Empties the allocation-record table completely (records, size records, the
// table state) and returns the allocator to its state at load: no table,
// statistics off. Suites call it in SetUp so that each test starts clean.
void reset_mem_stats();

// Captures standard output between construction and take().
class StdoutCapture {
  public:
    StdoutCapture();
    ~StdoutCapture();
    std::string take();  // stops capturing and returns what was printed

  private:
    bool active_;
};

// Runs fn and returns what reached standard output's file by the time fn
// returned, without flushing the stream for it (standard output is made fully
// buffered first): text that fn prints but does not flush is missing.
std::string flushed_output(const std::function<void()> &fn);

// Files.
std::string read_file(const std::string &path);  // empty when it cannot be read
bool write_file(const std::string &path, const std::string &text);
bool path_exists(const std::string &path);  // lstat: a link counts itself
size_t open_descriptors();                  // of this process, for checks that nothing is left open

// Absolute path of tests/data/<name>.
std::string data_path(const std::string &name);
// Gtest assertion result: 'actual' equals the data file byte for byte. With
// FPSS_UPDATE_GOLDEN=1 in the environment the file is written instead.
::testing::AssertionResult golden(const std::string &name, const std::string &actual);

// Threads: fn(i) for i in 0..n-1, each on its own thread, released together.
void run_threads(int n, const std::function<void(int)> &fn);

// A private mount namespace with an empty tmpfs over /tmp (and over /proc with
// 'proc') while it lives; 'ok' is false where the machine does not allow it,
// and the test then skips.
struct PrivateMounts {
    explicit PrivateMounts(bool proc = false);
    ~PrivateMounts();
    PrivateMounts(const PrivateMounts &) = delete;
    PrivateMounts &operator=(const PrivateMounts &) = delete;
    bool ok;
    bool proc;
};

// Calls fn(k) for k = 1..n, each time after FaultInjector::fail_nth(k), and
// resets the injector after each call.
void for_each_fault(int n, const std::function<void(int)> &fn);

}  // namespace fpss_test

#endif  // FPSS_TEST_H
