// Test support shared by the library's suites.
//
// - Allocation fault injection: FaultInjector::fail_nth(n) makes the n-th
//   system allocation the library makes from now on fail (1 is the next one);
//   fail_all() makes every one fail until reset(). The library asks the hook
//   before every system allocation (test builds only).
// - Platform-log recorder: the test programs define qxdf_zlog and at_snprintf
//   themselves (overriding the platform layer through the dynamic linker) and
//   record every call.
// - Standard-output capture: StdoutCapture reads what the library printed.
#ifndef FPSS_TEST_H
#define FPSS_TEST_H

#include <cstddef>
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

}  // namespace fpss_test

#endif  // FPSS_TEST_H
