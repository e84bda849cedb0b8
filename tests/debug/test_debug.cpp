// Debug control: switches, switch files, flag names, shell registrations and the debug log file, as transcripts
// of what each call returned, flushed and left behind against tests/data/debug/ (process names: see the oplog's).
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <regex>

#include "fpss_test.h"
#include "ss_fp_appmng.h"
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"

using namespace fpss_test;

namespace {

std::string shown(const std::string &text) {  // on one line, the seconds of the log file's banners masked
    return std::regex_replace(std::regex_replace(text, std::regex("\\[[0-9]+\\]"), "[#]"), std::regex("\n"), "|");
}

class Switches : public testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/fpsw_XXXXXXXXXX";  // fills the path array but its NUL
        ASSERT_EQ(close(mkstemp(name)), 0);
        std::memcpy(ss_fp_debug_path, name, sizeof ss_fp_debug_path), file_ = name;
    }
    void TearDown() override { unlink(file_.c_str()); }
    void step(const std::string &what, const std::function<int()> &fn) {  // its flushed output, result, word
        int rv = 0;
        const std::string out = shown(flushed_output([&] { rv = fn(); }));
        log_ += what + ": " + out + " -> " + std::to_string(rv) + ", word " + std::to_string(fp_debug_sw) + "\n";
    }
    std::string file_, log_;
};

TEST_F(Switches, SetReadBackFilesAndNames) {
    step("on", [] { return fp_debug_sw = 0x80000000u, ss_fp_debug_on(), 0; });
    step("off", [] { return ss_fp_debug_off(), 0; });
    step("set 0x1ff", [] { return ss_fp_debug_set_sw(0x1FF), 0; });
    step("set 0x208", [] { return ss_fp_debug_set_sw(0x208), 0; });
    step("dump no flag bitmaps", [] { return ss_fp_dump_rule_flag(nullptr) * 10 + ss_fp_dump_action_flag(nullptr); });
    step("dump rule flags 1 and 198 (not printed), action flag 46", [] {
        uint32_t rules[SS_FP_RULE_FLAG_WORDS] = {2, 0, 0, 0, 0, 0, 1u << (198 % 32)},
                 actions[SS_FP_ACTION_FLAG_WORDS] = {};
        actions[1] = 1u << (46 % 32);
        return ss_fp_dump_rule_flag(rules) * 10 + ss_fp_dump_action_flag(actions) + 5;
    });
    // The start-up read-back: {word before, switch file (null: none)}
    for (const auto &[before, file] : std::initializer_list<std::pair<uint32_t, const char *>>{
             {0, "error\n1\nnotice\n0\n"},
             {0, "init\n1\n"},  // "in" matches "init"
             {0, "out\n-1\nimpt\nabc\nerror\n  +7 trailing\nds"},
             {0, "ds\n1\nassert\n1\ndetail\n1\nnotice\n1\nerror\n1\nimpt\n1\nout\n1\ninit\n1\n"},
             {0x300, "error\n0\nds\n0\n"},
             {0x4, nullptr},
             {0x80, "notice\n1\n"}}) {
        unlink(file_.c_str());
        ASSERT_TRUE(file == nullptr || write_file(file_, file));
        fp_debug_sw = before;
        step(std::to_string(before) + ", read back " + (file == nullptr ? "no file" : shown(file)),
             [] { return ss_fp_debug_init_sw(), 0; });
    }
    // A host that fills the whole path array leaves no NUL: the path ends with the array.
    fp_debug_sw = 0, ss_fp_debug_path[sizeof ss_fp_debug_path - 1] = 'x';
    step("read back, path array full", [&] { return write_file(file_, "detail\n1\n"), ss_fp_debug_init_sw(), 0; });
    // Reading one switch: {file ("-": none), key, key length}
    for (const auto &[file, key, len] : std::initializer_list<std::tuple<std::string, const char *, int>>{
             {"xerror\n1\nerror\n0\nerror\n1\n", "error", 5},    // the first matching line decides
             {"errorXYZ\n12\n", "errorQ", 5},                    // only key_len characters count
             {"any\n5\n", "zz", 0},                              // so an empty key matches the first line
             {std::string(63, 'a') + "error\n1\n", "error", 5},  // lines are read 63 characters at a time
             {std::string(62, 'a') + "error\n1\n", "error", 5},
             {"ds\n", "ds", 2},
             {"", nullptr, 2},
             {"", "ds", -1},
             {"-", "ds", 2}}) {
        ASSERT_TRUE(file == "-" ? unlink(file_.c_str()) == 0 : write_file(file_, file));
        uint8_t v = 7;
        const int rv = ss_fp_debug_file_get(file_.c_str(), &v, key, len);
        log_ += shown(file) + " " + (key ? key : "null") + "/" + std::to_string(len) + ": " + std::to_string(rv) + " " +
                std::to_string(v) + "\n";
    }
    uint8_t v = 7;  // missing arguments are refused
    EXPECT_EQ(ss_fp_debug_file_get(nullptr, &v, "ds", 2) + ss_fp_debug_file_get(file_.c_str(), nullptr, "ds", 2), -2);
    EXPECT_EQ(ss_fp_debug_file_set(file_.c_str(), -12) + ss_fp_debug_file_set(file_.c_str(), 5), 0);
    EXPECT_EQ(read_file(file_), "5");
    const auto unwritable = [&] {  // the number cannot be written
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, RLIM_INFINITY};
        return setrlimit(RLIMIT_FSIZE, &none) == 0 && ss_fp_debug_file_set(file_.c_str(), 5) == -1;
    };
    EXPECT_EXIT(_exit(unwritable() ? 0 : 1), testing::ExitedWithCode(0), "");
    EXPECT_EQ(ss_fp_debug_file_set("/nonexistent/sw", 1) + ss_fp_debug_file_set(nullptr, 1), 0);
    for (int64_t n : {-1ll, 0ll, 1ll, 46ll, 47ll, 198ll, 199ll, 0xFFFFFFFFll}) {
        const char *rule = ss_fp_get_rule_name(uint32_t(n)), *action = ss_fp_get_action_name(int32_t(n));
        log_ += std::to_string(n) + ": " + (rule ? rule : "null") + " " + (action ? action : "null") + "\n";
    }
    EXPECT_EQ(g_ss_fp_appmng_debug + g_ss_fp_appmng_ds_debug + g_ss_fp_appmng_io_debug + g_ss_fp_appmng_counter_debug +
                  g_ss_fp_appmng_res_debug + g_ss_fp_appmng_grp_debug + fp_file_log_index,
              0)
        << "at load";
    ss_fp_appmng_grp_res_set_debug(3);  // the one debug byte that the exerciser's switches leave out
    EXPECT_EQ(g_ss_fp_appmng_grp_debug, 3);
    EXPECT_TRUE(golden("debug/switches.txt", log_));
}

// The platform's command registration, recorded; call n returns 10 * n.
std::vector<std::tuple<uint64_t, std::string, int, std::string, void *>> g_registered;

}  // namespace

extern "C" __attribute__((visibility("default"))) int ssat_reg_mod_cmd(uint64_t module, const char *name, int flags,
                                                                       const char *arg_template, void *handler) {
    g_registered.emplace_back(module, name, flags, arg_template, handler);
    return 10 * int(g_registered.size());
}

namespace {

TEST(DebugShell, RegistersTheThreeCommandsAndReturnsTheLastResult) {
    const uint64_t m = 0x123456789abcull;
    EXPECT_EQ(ss_fp_debug_cmd_init(m), 30);
    ASSERT_EQ(g_registered.size(), 3u);
    std::string log;
    for (const auto &[module, name, flags, tmpl, handler] : g_registered)
        log += std::to_string(module) + " " + name + " " + std::to_string(flags) + " " + tmpl + "\n";
    // The shell calls each handler as int(uint32_t): "debug" stores the word, "mem_record_dbg" takes any
    // non-zero value (here one with a zero low byte) as on, "mem_record_show" prints the report.
    const auto call = [&](size_t i, uint32_t v) {
        int rv = -9;
        log += flushed_output([&] { rv = reinterpret_cast<int (*)(uint32_t)>(std::get<4>(g_registered[i]))(v); });
        log += " -> " + std::to_string(rv) + " word " + std::to_string(fp_debug_sw) + " statistics " +
               std::to_string(malloc_free_sw) + "\n";
    };
    call(0, 0x208), call(2, 0x100), call(2, 0), call(1, 0);
    EXPECT_TRUE(golden("debug/shell.txt", log));
}

class DebugLog : public testing::Test {
  protected:
    void SetUp() override {
        mkdir("/tmp/zlog", 0777);
        ASSERT_EQ(prctl(PR_SET_NAME, ("fpdl" + std::to_string(getpid())).c_str()), 0);
        path_[0] = "/tmp/zlog/fpdl" + std::to_string(getpid()) + "_log0.txt";
        path_[1] = path_[0].substr(0, path_[0].size() - 9) + "_log1.txt";
        TearDown(), umask(022);  // files are made with the usual mode
    }
    void TearDown() override {
        for (const std::string &p : {path_[0], path_[1], path_[0] + ".target"}) unlink(p.c_str());
    }
    // A step: the call and its result, whether a stream is open, the paths, both files.
    void step(const char *call, int rv) {
        if (fp_debug_file_fp != nullptr) std::fflush(fp_debug_file_fp);
        log_ += std::string(call) + " -> " + std::to_string(rv) + (fp_debug_file_fp != nullptr ? ", open " : " ");
        log_ += std::regex_replace(std::string(fp_debug_file_path_arr[0]) + " " + fp_debug_file_path_arr[1] + "\n",
                                   std::regex(std::to_string(getpid())), "<pid>");
        for (const std::string &p : path_) {
            struct stat st = {};  // the mode in decimal, then the text
            const bool there = lstat(p.c_str(), &st) == 0;
            log_ += there ? "  " + std::to_string(st.st_mode & 0777) + " [" + shown(read_file(p)) + "]\n" : "  none\n";
        }
    }
    std::string path_[2], log_;
};

TEST_F(DebugLog, StartUpCountsThePathBlocksAndOpensTheFirstPath) {
    if (std::strcmp(fp_debug_file_path_arr[1], "/tmp/zlog/fp_debug_log2.txt") != 0)
        GTEST_SKIP() << "needs the paths of a fresh process (CTest runs each test in its own)";
    // A path whose block cannot be had keeps its default.
    for_each_fault(2, [&](int) { step("path set-up", init_log_file_path()); });
    malloc_free_sw = 1;  // the start-up makes the table first, so that it counts the missing block
    step("start-up", libss_fp_debug_init());
    EXPECT_NEAR(std::stoll(read_file(path_[0]).substr(31)), std::time(nullptr), 2) << "seconds since 1970";
    log_ += flushed_output([] { ss_fp_debug_dump_mem_use_info_all(1); });  // one block of 64 bytes: the missing one
    EXPECT_TRUE(golden("debug/log_start.txt", log_));
}

TEST_F(DebugLog, OpeningAndClosingAsTheIndexSelects) {
    ASSERT_TRUE(write_file(path_[0], "old line\n"));
    step("open", fp_debug_file_open());
    EXPECT_EQ(fp_debug_statbuff.st_size, 9) << "the file's status before opening";
    const int fd = fileno(fp_debug_file_fp);
    step("open again", fp_debug_file_open());
    EXPECT_EQ(fileno(fp_debug_file_fp), fd) << "the old stream closed first";
    step("close", fp_debug_file_close());
    step("close again", fp_debug_file_close());
    fp_debug_file_fp = std::fopen("/dev/full", "w");
    step("close a stream that cannot be written", fp_debug_file_close());
    for (int index : {1, 2, -1, 0}) {  // the second path, then no path at all
        fp_debug_file_index = index;
        step(("open " + std::to_string(index)).c_str(), fp_debug_file_open());
        step("close", fp_debug_file_close());
    }
    step("open", fp_debug_file_open());
    ASSERT_EQ(unlink(path_[0].c_str()), 0);
    step("close a removed file", fp_debug_file_close());
    ASSERT_TRUE(write_file(path_[0] + ".target", "precious") &&
                symlink((path_[0] + ".target").c_str(), path_[0].c_str()) == 0);
    step("open through a link", fp_debug_file_open());
    ASSERT_EQ(unlink((path_[0] + ".target").c_str()), 0);
    step("open through a dangling link", fp_debug_file_open());
    EXPECT_TRUE(golden("debug/log_open_close.txt", log_));
}

}  // namespace
