/* The platform layer's own calls, used for real: no recorders stand in. */
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <regex.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ss_fp_platform.h"

namespace {

/* The time part of a record line, as a POSIX extended expression. */
const std::string kTime = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}";

/* Whether the whole of 'text' matches the extended expression 're'. */
bool matches(const std::string &text, const std::string &re)
{
    regex_t rx;
    if (regcomp(&rx, ("^" + re + "$").c_str(), REG_EXTENDED | REG_NOSUB) != 0)
        return false;
    bool ok = regexec(&rx, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&rx);
    return ok;
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class PlatformLog : public testing::Test {
protected:
    void SetUp() override
    {
        path_ = testing::TempDir() + "fpss_plat_" + std::to_string(getpid()) + ".log";
        unlink(path_.c_str());
    }
    void TearDown() override
    {
        qxdf_zlog_set_output(QXDF_ZLOG_SYSLOG, nullptr);
        unlink(path_.c_str());
    }
    void to_file() { ASSERT_EQ(qxdf_zlog_set_output(QXDF_ZLOG_FILE, path_.c_str()), 0); }

    std::string path_;
};

TEST_F(PlatformLog, SameNameGivesSameHandle)
{
    void *a = qxdf_zlog_category_get("same_a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(qxdf_zlog_category_get("same_a"), a);
    std::string copy = "same_a"; /* Equal text at another address. */
    EXPECT_EQ(qxdf_zlog_category_get(copy.c_str()), a);
    EXPECT_NE(qxdf_zlog_category_get("same_b"), a);
}

TEST_F(PlatformLog, NullOrEmptyNameGivesNoHandle)
{
    EXPECT_EQ(qxdf_zlog_category_get(nullptr), nullptr);
    EXPECT_EQ(qxdf_zlog_category_get(""), nullptr);
}

TEST_F(PlatformLog, ThreadsGetOneHandlePerName)
{
    constexpr int kThreads = 8, kNames = 4, kRounds = 500;
    std::vector<std::vector<void *>> seen(kThreads, std::vector<void *>(kNames));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++)
        threads.emplace_back([&seen, t] {
            for (int r = 0; r < kRounds; r++)
                for (int n = 0; n < kNames; n++) {
                    void *h = qxdf_zlog_category_get(("race_" + std::to_string(n)).c_str());
                    if (r == 0)
                        seen[t][n] = h;
                    else if (h != seen[t][n])
                        seen[t][n] = nullptr;
                }
        });
    for (std::thread &th : threads)
        th.join();
    for (int n = 0; n < kNames; n++) {
        void *h = qxdf_zlog_category_get(("race_" + std::to_string(n)).c_str());
        ASSERT_NE(h, nullptr);
        for (int t = 0; t < kThreads; t++)
            EXPECT_EQ(seen[t][n], h) << "thread " << t << " name " << n;
    }
}

TEST_F(PlatformLog, FileLineHasEveryPart)
{
    to_file();
    void *cat = qxdf_zlog_category_get("file_cat");
    /* The lengths, not the NULs, bound the file and function names. */
    EXPECT_EQ(qxdf_zlog(cat, "app/x.cppTRAILING", 9, "fnXYZ", 2, 42, QXDF_ZLOG_LEVEL_ERROR, "%s", "hello 7\n"), 0);
    EXPECT_TRUE(matches(slurp(path_), kTime + R"( ERROR \[file_cat\] app/x\.cpp:42 fn: hello 7)" "\n"))
        << slurp(path_);
}

TEST_F(PlatformLog, FileIsAppendedOneLinePerRecord)
{
    std::ofstream(path_) << "earlier\n";
    to_file();
    void *cat = qxdf_zlog_category_get("append_cat");
    EXPECT_EQ(qxdf_zlog(cat, "f.c", 3, "g", 1, 1, 55, "a\nb\r\n\n"), 0);
    EXPECT_EQ(qxdf_zlog(cat, nullptr, 0, nullptr, 0, 2, QXDF_ZLOG_LEVEL_WARN, "n=%d", 5), 0);
    EXPECT_TRUE(matches(slurp(path_), "earlier\n" + kTime + R"( 55 \[append_cat\] f\.c:1 g: a b)" "\n" + kTime +
                                          R"( WARN \[append_cat\] :2 : n=5)" "\n"))
        << slurp(path_);
}

TEST_F(PlatformLog, LongMessageIsWrittenWhole)
{
    to_file();
    std::string big(5000, 'q');
    EXPECT_EQ(qxdf_zlog(qxdf_zlog_category_get("long_cat"), "f", 1, "g", 1, 3, 100, "<%s>", big.c_str()), 0);
    EXPECT_TRUE(matches(slurp(path_), kTime + R"( ERROR \[long_cat\] f:3 g: <q{5000}>)" "\n"));
}

TEST_F(PlatformLog, LevelBelowThresholdIsDropped)
{
    to_file();
    void *cat = qxdf_zlog_category_get("level_cat");
    qxdf_zlog_category_set_level(cat, 0); /* As at creation; the test may run twice in one process. */
    EXPECT_EQ(qxdf_zlog(cat, "f", 1, "g", 1, 1, 0, "zero"), 0);
    qxdf_zlog_category_set_level(cat, QXDF_ZLOG_LEVEL_NOTICE);
    qxdf_zlog_category_set_level(nullptr, 1000); /* Ignored. */
    EXPECT_EQ(qxdf_zlog(cat, "f", 1, "g", 1, 2, QXDF_ZLOG_LEVEL_INFO, "info"), -1);
    EXPECT_EQ(qxdf_zlog(cat, "f", 1, "g", 1, 3, QXDF_ZLOG_LEVEL_NOTICE, "notice"), 0);
    EXPECT_EQ(qxdf_zlog(cat, "f", 1, "g", 1, 4, QXDF_ZLOG_LEVEL_FATAL, "fatal"), 0);
    std::string re = kTime + R"( 0 \[level_cat\] f:1 g: zero)" "\n" + kTime + R"( NOTICE \[level_cat\] f:3 g: notice)" "\n" +
                     kTime + R"( FATAL \[level_cat\] f:4 g: fatal)" "\n";
    EXPECT_TRUE(matches(slurp(path_), re)) << slurp(path_);
}

TEST_F(PlatformLog, StderrGetsTheLine)
{
    ASSERT_EQ(qxdf_zlog_set_output(QXDF_ZLOG_STDERR, nullptr), 0);
    testing::internal::CaptureStderr();
    int rc = qxdf_zlog(qxdf_zlog_category_get("err_cat"), "a.c", 3, "main", 4, 7, 100, "%s", "boom");
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(matches(out, kTime + R"( ERROR \[err_cat\] a\.c:7 main: boom)" "\n")) << out;
}

TEST_F(PlatformLog, NullCategoryWritesNothing)
{
    ASSERT_EQ(qxdf_zlog_set_output(QXDF_ZLOG_STDERR, nullptr), 0);
    testing::internal::CaptureStderr();
    int rc = qxdf_zlog(nullptr, "a.c", 3, "main", 4, 7, 100, "%s", "boom");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(rc, -1);
}

TEST_F(PlatformLog, SyslogIsTheDefaultAndLeavesStderrAlone)
{
    testing::internal::CaptureStderr();
    int rc = qxdf_zlog(qxdf_zlog_category_get("sys_cat"), "a.c", 3, "main", 4, 7, 100, "%s", "to syslog");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(rc, 0);
}

TEST_F(PlatformLog, BadOutputKeepsThePreviousOne)
{
    to_file();
    EXPECT_EQ(qxdf_zlog_set_output(QXDF_ZLOG_FILE, nullptr), -1);
    EXPECT_EQ(qxdf_zlog_set_output(QXDF_ZLOG_FILE, "/nonexistent_dir_fpss/x.log"), -1);
    EXPECT_EQ(qxdf_zlog_set_output(7, nullptr), -1);
    EXPECT_EQ(qxdf_zlog(qxdf_zlog_category_get("keep_cat"), "f", 1, "g", 1, 1, 100, "kept"), 0);
    EXPECT_TRUE(matches(slurp(path_), kTime + R"( ERROR \[keep_cat\] f:1 g: kept)" "\n"));
}

TEST_F(PlatformLog, ConcurrentRecordsStayWholeLines)
{
    to_file();
    constexpr int kThreads = 4, kRecords = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++)
        threads.emplace_back([t] {
            void *cat = qxdf_zlog_category_get(("conc_" + std::to_string(t)).c_str());
            for (int i = 0; i < kRecords; i++)
                qxdf_zlog(cat, "f", 1, "g", 1, i, 100, "%s", std::string(300, 'a' + t).c_str());
        });
    for (std::thread &th : threads)
        th.join();
    std::istringstream in(slurp(path_));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        lines++;
        size_t at = line.find("[conc_");
        ASSERT_NE(at, std::string::npos) << line;
        char t = line[at + 6];
        std::string re = kTime + R"( ERROR \[conc_)" + t + R"(\] f:[0-9]+ g: )" + std::string(1, 'a' + (t - '0')) + "{300}";
        EXPECT_TRUE(matches(line, re)) << line;
    }
    EXPECT_EQ(lines, kThreads * kRecords);
}

TEST(PlatformText, SnprintfCutsAndTerminates)
{
    char buf[8];
    memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(at_snprintf(buf, sizeof buf, "%s-%d", "abcdef", 123), 10);
    EXPECT_STREQ(buf, "abcdef-");
    EXPECT_EQ(at_snprintf(buf, 1, "%s", "x"), 1);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(at_snprintf(nullptr, 0, "%d", 12345), 5);
    EXPECT_EQ(at_snprintf(buf, sizeof buf, "%d", 42), 2);
    EXPECT_STREQ(buf, "42");
}

TEST(PlatformText, TimeTextShape)
{
    char buf[32];
    ASSERT_EQ(qx_time_2_string(buf, sizeof buf), buf);
    EXPECT_TRUE(matches(buf, kTime)) << buf;
    char exact[24];
    EXPECT_EQ(qx_time_2_string(exact, sizeof exact), exact);
    EXPECT_EQ(strlen(exact), 23u);
    char small[23];
    EXPECT_EQ(qx_time_2_string(small, sizeof small), nullptr);
    EXPECT_EQ(qx_time_2_string(nullptr, 64), nullptr);
}

TEST(PlatformText, ChipCountFromEnvironment)
{
    unsetenv("SS_FP_CHIP_NUM");
    EXPECT_EQ(libddm_get_local_chip_num(), 1);
    const struct {
        const char *text;
        int chips;
    } cases[] = {{"2", 2},  {"10", 10}, {"0", 0}, {"64", 64}, {"007", 7}, {"abc", 1}, {"65", 1},
                 {"-1", 1}, {"", 1},    {" 2", 1}, {"2x", 1}, {"+3", 1}, {"99999999999999999999", 1}};
    for (const auto &c : cases) {
        setenv("SS_FP_CHIP_NUM", c.text, 1);
        EXPECT_EQ(libddm_get_local_chip_num(), c.chips) << '"' << c.text << '"';
    }
    unsetenv("SS_FP_CHIP_NUM");
}

/* Shell handlers: each remembers its last argument and how often it ran. */
std::atomic<uint32_t> last_arg;
std::atomic<int> calls;
int handler_a(uint32_t v)
{
    last_arg = v;
    calls++;
    return 1;
}
int handler_b(uint32_t v)
{
    last_arg = v;
    calls++;
    return 2;
}
void *as_ptr(int (*fn)(uint32_t))
{
    return reinterpret_cast<void *>(fn);
}

class PlatformShell : public testing::Test {
protected:
    /* The library's own three registrations, under a module of this test's
     * own, so tests may also share one process. */
    void SetUp() override
    {
        static uint64_t next = 0xfeed0000;
        mod_ = next += 0x100;
        ASSERT_EQ(ssat_reg_mod_cmd(mod_, "debug", 0, "dbg_flags=%x, $d", as_ptr(handler_a)), 0);
        ASSERT_EQ(ssat_reg_mod_cmd(mod_, "mem_record_show", 0, "show_detail=%d(0/1), $d", as_ptr(handler_a)), 0);
        ASSERT_EQ(ssat_reg_mod_cmd(mod_, "mem_record_dbg", 0, "op=%d(0-close,1-open), $d", as_ptr(handler_a)), 0);
        base_ = ssat_cmd_count() - 3;
    }
    /* Runs 'name' with 'arg'; the argument it got, or ~0 after a refusal. */
    uint32_t run(const char *name, const char *arg, int expect_rc = 0)
    {
        last_arg = ~0u;
        int rc = ssat_cmd_run(mod_, name, arg, nullptr);
        EXPECT_EQ(rc, expect_rc) << name << " " << (arg ? arg : "(null)");
        return last_arg;
    }
    uint64_t mod_ = 0;
    size_t base_ = 0;
};

TEST_F(PlatformShell, ListsInRegistrationOrder)
{
    ASSERT_EQ(ssat_cmd_count(), base_ + 3);
    ssat_cmd_info_t info;
    ASSERT_EQ(ssat_cmd_get(base_, &info), 0);
    EXPECT_EQ(info.module, mod_);
    EXPECT_STREQ(info.name, "debug");
    EXPECT_STREQ(info.arg_template, "dbg_flags=%x, $d");
    EXPECT_STREQ(info.arg_name, "dbg_flags");
    EXPECT_EQ(info.conversion, 'x');
    EXPECT_EQ(info.flags, 0);
    ASSERT_EQ(ssat_cmd_get(base_ + 2, &info), 0);
    EXPECT_STREQ(info.name, "mem_record_dbg");
    EXPECT_STREQ(info.arg_name, "op");
    EXPECT_EQ(info.conversion, 'd');
    EXPECT_EQ(ssat_cmd_get(base_ + 3, &info), -1);
    EXPECT_EQ(ssat_cmd_get(0, nullptr), -1);
}

TEST_F(PlatformShell, SameModuleAndNameReplacesInPlace)
{
    ssat_cmd_info_t old;
    ASSERT_EQ(ssat_cmd_get(base_, &old), 0);
    ASSERT_EQ(ssat_reg_mod_cmd(mod_, "debug", 5, "mask=%d, $d", as_ptr(handler_b)), 0);
    ASSERT_EQ(ssat_reg_mod_cmd(mod_ + 1, "debug", 0, "dbg_flags=%x, $d", as_ptr(handler_a)), 0);
    EXPECT_EQ(ssat_cmd_count(), base_ + 4);
    ssat_cmd_info_t now;
    ASSERT_EQ(ssat_cmd_get(base_, &now), 0);
    EXPECT_STREQ(now.arg_name, "mask");
    EXPECT_EQ(now.conversion, 'd');
    EXPECT_EQ(now.flags, 5);
    EXPECT_STREQ(old.arg_template, "dbg_flags=%x, $d"); /* Earlier strings stay valid. */
    int result = 0;
    EXPECT_EQ(ssat_cmd_run(mod_, "debug", "mask=10", &result), 0);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(last_arg, 10u);
    EXPECT_EQ(ssat_cmd_run(mod_ + 1, "debug", "10", &result), 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(last_arg, 0x10u);
}

TEST_F(PlatformShell, BadRegistrationsAreRefused)
{
    const char *templates[] = {"", "%d", "=%d", "x=%s", "x=d", "x=%", "a b=%d", "x =%d", "x= %d"};
    for (const char *t : templates)
        EXPECT_EQ(ssat_reg_mod_cmd(mod_, "bad", 0, t, as_ptr(handler_a)), -1) << t;
    EXPECT_EQ(ssat_reg_mod_cmd(mod_, "bad", 0, nullptr, as_ptr(handler_a)), -1);
    EXPECT_EQ(ssat_reg_mod_cmd(mod_, nullptr, 0, "x=%d", as_ptr(handler_a)), -1);
    EXPECT_EQ(ssat_reg_mod_cmd(mod_, "", 0, "x=%d", as_ptr(handler_a)), -1);
    EXPECT_EQ(ssat_reg_mod_cmd(mod_, "bad", 0, "x=%d", nullptr), -1);
    EXPECT_EQ(ssat_cmd_count(), base_ + 3);
}

TEST_F(PlatformShell, RunsHexadecimal)
{
    int result = 0;
    EXPECT_EQ(ssat_cmd_run(mod_, "debug", "1f", &result), 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(last_arg, 0x1fu);
    EXPECT_EQ(run("debug", "0x1F"), 0x1fu);
    EXPECT_EQ(run("debug", "dbg_flags=0xffffffff"), 0xffffffffu);
    EXPECT_EQ(run("debug", " dbg_flags=10\t"), 0x10u);
    EXPECT_EQ(run("debug", "00000000ff"), 0xffu);
}

TEST_F(PlatformShell, RunsDecimal)
{
    EXPECT_EQ(run("mem_record_show", "1"), 1u);
    EXPECT_EQ(run("mem_record_show", "show_detail=0"), 0u);
    EXPECT_EQ(run("mem_record_dbg", "+7"), 7u);
    EXPECT_EQ(run("mem_record_dbg", "-1"), 0xffffffffu);
    EXPECT_EQ(run("mem_record_dbg", "2147483647"), 0x7fffffffu);
    EXPECT_EQ(run("mem_record_dbg", "op=-2147483648"), 0x80000000u);
}

TEST_F(PlatformShell, BadArgumentsDoNotRunTheHandler)
{
    int before = calls;
    const char *hex_bad[] = {"", "  ", "g", "12x", "0x", "-1", "+1", "100000000", "1 2", "op=1", "=1", "dbg_flags="};
    for (const char *a : hex_bad)
        EXPECT_EQ(run("debug", a, -2), ~0u);
    const char *dec_bad[] = {"x", "0x1", "1f", "-", "2147483648", "-2147483649", "99999999999999999999", "op=1=2"};
    for (const char *a : dec_bad)
        EXPECT_EQ(run("mem_record_dbg", a, -2), ~0u);
    EXPECT_EQ(run("debug", nullptr, -2), ~0u);
    EXPECT_EQ(calls, before);
}

TEST_F(PlatformShell, UnknownCommandIsReported)
{
    int result = 77;
    EXPECT_EQ(ssat_cmd_run(mod_, "nope", "1", &result), -1);
    EXPECT_EQ(ssat_cmd_run(mod_ + 100, "debug", "1", &result), -1);
    EXPECT_EQ(ssat_cmd_run(mod_, nullptr, "1", &result), -1);
    EXPECT_EQ(result, 77);
}

/* A handler may use the table: run must not hold the table's lock. */
constexpr uint64_t kHandlerMod = 0xabc;
int registering_handler(uint32_t v)
{
    return ssat_reg_mod_cmd(kHandlerMod, "made_by_handler", 0, "n=%d", as_ptr(handler_a)) == 0 ? static_cast<int>(v) : -9;
}

TEST_F(PlatformShell, HandlerMayRegister)
{
    ASSERT_EQ(ssat_reg_mod_cmd(mod_, "reg", 0, "n=%d", as_ptr(registering_handler)), 0);
    int result = 0;
    EXPECT_EQ(ssat_cmd_run(mod_, "reg", "3", &result), 0);
    EXPECT_EQ(result, 3);
    EXPECT_EQ(ssat_cmd_run(kHandlerMod, "made_by_handler", "n=4", nullptr), 0);
    EXPECT_EQ(last_arg, 4u);
}

TEST_F(PlatformShell, ConcurrentRegistrationsAllLand)
{
    constexpr int kThreads = 4, kEach = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++)
        threads.emplace_back([this, t] {
            for (int i = 0; i < kEach; i++) {
                std::string name = "c" + std::to_string(t) + "_" + std::to_string(i);
                ssat_reg_mod_cmd(mod_, name.c_str(), 0, "v=%d", as_ptr(handler_a));
                ssat_reg_mod_cmd(mod_, name.c_str(), 0, "v=%d", as_ptr(handler_a)); /* Replaces. */
                ssat_cmd_run(mod_, "debug", "1", nullptr);
            }
        });
    for (std::thread &th : threads)
        th.join();
    EXPECT_EQ(ssat_cmd_count(), base_ + 3 + kThreads * kEach);
    ssat_cmd_info_t info;
    ASSERT_EQ(ssat_cmd_get(base_ + 3 + kThreads * kEach - 1, &info), 0);
    EXPECT_EQ(info.module, mod_);
    EXPECT_EQ(run("c3_49", "v=12"), 12u);
}

} // namespace
