// Debug switches: the switch tables, setting the word, the start-up read-back
// from a switch file, the switch-file reader and writer, the flag names and
// bitmap dumps, the application manager's debug bytes and the debug-shell
// commands as the platform's shell runs them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "fpss_test.h"
#include "ss_fp_appmng.h"
#include "ss_fp_debug.h"
#include "ss_fp_mem.h"
#include "ss_fp_platform.h"

using fpss_test::StdoutCapture;

namespace {

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, const std::string &content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

void set_flag(uint32_t *bitmap, uint32_t f) { bitmap[f / 32] |= uint32_t{1} << (f % 32); }

class DebugTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fp_debug_sw = 0;
        fpss_test::reset_mem_stats();
        std::memcpy(saved_path_, ss_fp_debug_path, sizeof saved_path_);
        // The switch-file path must fit the 21-byte array: a short unique name.
        char tmpl[] = "/tmp/fpsw_XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        file_ = tmpl;
        ASSERT_LT(file_.size(), sizeof ss_fp_debug_path);
        std::strcpy(ss_fp_debug_path, file_.c_str());
    }
    void TearDown() override {
        std::remove(file_.c_str());
        std::memcpy(ss_fp_debug_path, saved_path_, sizeof saved_path_);
        fp_debug_sw = 0;
    }

    // Runs the start-up read-back on 'content'; returns what it printed.
    std::string init_sw_with(const std::string &content) {
        write_file(file_, content);
        StdoutCapture out;
        ss_fp_debug_init_sw();
        return out.take();
    }

    char saved_path_[SS_FP_DEBUG_PATH_SIZE];
    std::string file_;
};

TEST_F(DebugTest, SwitchTables) {
    const uint32_t bits[] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100};
    const char *names[] = {"SS_FP_DBG_FLAG_IN",     "SS_FP_DBG_FLAG_OUT",    "SS_FP_DBG_FLAG_IMPT",
                           "SS_FP_DBG_FLAG_ERROR",  "SS_FP_DBG_FLAG_NOTICE", "SS_FP_DBG_FLAG_DETAIL",
                           "SS_FP_DBG_FLAG_ASSERT", "SS_FP_DBG_FLAG_INIT",   "SS_FP_DBG_FLAG_DS"};
    const char *keys[] = {"in", "out", "impt", "error", "notice", "detail", "assert", "init", "ds"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(lib_fp_dbg_flag[i], bits[i]) << i;
        EXPECT_STREQ(lib_fp_dbg_name[i], names[i]) << i;
        EXPECT_STREQ(lib_fp_dbg_sw_str[i], keys[i]) << i;
    }
    EXPECT_EQ(sizeof ss_fp_debug_path, 21u);
    EXPECT_STREQ(saved_path_, "/var/ss_fp_debug.txt");
}

TEST_F(DebugTest, OnSetsEveryNamedSwitchButInitAndOffClearsAll) {
    fp_debug_sw = 0x80000000u;
    ss_fp_debug_on();
    EXPECT_EQ(fp_debug_sw, 0x17Fu);
    EXPECT_EQ(fp_debug_sw & SS_FP_DBG_FLAG_INIT, 0u);
    ss_fp_debug_off();
    EXPECT_EQ(fp_debug_sw, 0u);
}

TEST_F(DebugTest, SetSwPrintsTheWordAndItsNamesThenStoresItWhole) {
    fp_debug_sw = 0xFF;
    StdoutCapture out;
    ss_fp_debug_set_sw(0x208);
    EXPECT_EQ(out.take(), "FP set dbg sw, dbg_flags: 0x208\nSS_FP_DBG_FLAG_ERROR\nopened.\n");
    EXPECT_EQ(fp_debug_sw, 0x208u);

    StdoutCapture all;
    ss_fp_debug_set_sw(0x1FF);
    EXPECT_EQ(all.take(),
              "FP set dbg sw, dbg_flags: 0x1ff\nSS_FP_DBG_FLAG_IN\nSS_FP_DBG_FLAG_OUT\nSS_FP_DBG_FLAG_IMPT\n"
              "SS_FP_DBG_FLAG_ERROR\nSS_FP_DBG_FLAG_NOTICE\nSS_FP_DBG_FLAG_DETAIL\nSS_FP_DBG_FLAG_ASSERT\n"
              "SS_FP_DBG_FLAG_INIT\nSS_FP_DBG_FLAG_DS\nopened.\n");

    StdoutCapture none;
    ss_fp_debug_set_sw(0);
    EXPECT_EQ(none.take(), "FP set dbg sw, dbg_flags: 0x0\nopened.\n");
    EXPECT_EQ(fp_debug_sw, 0u);
}

TEST_F(DebugTest, StartUpTurnsOnOnlyTheSwitchesTheFileTurnsOn) {
    EXPECT_EQ(init_sw_with("error\n1\nnotice\n0\n"), "SS_FP_DBG_FLAG_ERROR\n");
    EXPECT_EQ(fp_debug_sw, static_cast<uint32_t>(SS_FP_DBG_FLAG_ERROR));
}

TEST_F(DebugTest, StartUpKeywordsMatchAsPrefixes) {
    // "init" comes before any "in" line, so the "in" switch finds it too.
    EXPECT_EQ(init_sw_with("init\n1\n"), "SS_FP_DBG_FLAG_IN\nSS_FP_DBG_FLAG_INIT\n");
    EXPECT_EQ(fp_debug_sw, 0x81u);
}

TEST_F(DebugTest, StartUpValueLines) {
    // A last keyword without a value line stays off; "-1" is on, letters are off.
    EXPECT_EQ(init_sw_with("out\n-1\nimpt\nabc\nerror\n  +7 trailing\nds"),
              "SS_FP_DBG_FLAG_OUT\nSS_FP_DBG_FLAG_ERROR\n");
    EXPECT_EQ(fp_debug_sw, 0xAu);
}

TEST_F(DebugTest, StartUpOnlyAddsSwitches) {
    fp_debug_sw = 0x300;
    EXPECT_EQ(init_sw_with("error\n0\nds\n0\n"), "");
    EXPECT_EQ(fp_debug_sw, 0x300u);
    EXPECT_EQ(init_sw_with("assert\n1\n"), "SS_FP_DBG_FLAG_ASSERT\n");
    EXPECT_EQ(fp_debug_sw, 0x340u);
}

TEST_F(DebugTest, StartUpWithoutASwitchFileChangesNothing) {
    std::remove(file_.c_str());
    fp_debug_sw = 0x4;
    StdoutCapture out;
    ss_fp_debug_init_sw();
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(fp_debug_sw, 0x4u);
}

TEST_F(DebugTest, StartUpTraceWhenInitIsAlreadyOn) {
    fp_debug_sw = SS_FP_DBG_FLAG_INIT;
    std::string out = init_sw_with("notice\n1\n");
    const std::string head = "\n [FP_INIT]: ss_fp_debug_init_sw[";
    ASSERT_EQ(out.compare(0, head.size(), head), 0) << out;
    size_t end = out.find_first_not_of("0123456789", head.size());
    ASSERT_NE(end, std::string::npos);
    EXPECT_GT(end, head.size()) << "a source line number";
    EXPECT_EQ(out.substr(end), "]:SS_FP_DBG_FLAG_NOTICE\n");
    EXPECT_EQ(fp_debug_sw, 0x90u);
}

TEST_F(DebugTest, StartUpReadsThePathArrayOnlyUpToItsSize) {
    // A host that fills the whole writable array leaves no terminating zero.
    std::memset(ss_fp_debug_path, 'x', sizeof ss_fp_debug_path);
    StdoutCapture out;
    ss_fp_debug_init_sw();
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(fp_debug_sw, 0u);
}

TEST_F(DebugTest, FileGetReadsTheLineAfterTheFirstMatch) {
    uint8_t v = 7;
    write_file(file_, "xerror\n1\nerror\n0\nerror\n1\n");
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "error", 5), 0);
    EXPECT_EQ(v, 0) << "the first matching line decides";

    write_file(file_, "errorXYZ\n12\n");
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "errorQ", 5), 0);
    EXPECT_EQ(v, 1) << "only key_len characters are compared";

    write_file(file_, "detail\n0x10\n");
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "detail", 6), 0);
    EXPECT_EQ(v, 0) << "parsing stops at the x";

    v = 9;
    EXPECT_EQ(ss_fp_debug_file_get("/nonexistent/dir/sw.txt", &v, "in", 2), 0);
    EXPECT_EQ(v, 0);
}

TEST_F(DebugTest, FileGetReadsLongLinesIn63CharacterPieces) {
    // The 64th character of a long line starts a new piece, which may match.
    write_file(file_, std::string(63, 'a') + "error\n1\n");
    uint8_t v = 0;
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "error", 5), 0);
    EXPECT_EQ(v, 1);
    write_file(file_, std::string(62, 'a') + "error\n1\n");
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "error", 5), 0);
    EXPECT_EQ(v, 0);
}

TEST_F(DebugTest, FileGetTakesAnyNonZeroNumberAsOnEvenBeyondTheIntegerRange) {
    uint8_t v = 0;
    write_file(file_, "ds\n4294967296\n");
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "ds", 2), 0);
    EXPECT_EQ(v, 1);
    write_file(file_, "ds\n-99999999999999999999999999\n");
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "ds", 2), 0);
    EXPECT_EQ(v, 1);
}

TEST_F(DebugTest, FileGetRefusesMissingArguments) {
    uint8_t v = 5;
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), nullptr, "in", 2), -1);
    EXPECT_EQ(ss_fp_debug_file_get(nullptr, &v, "in", 2), -1);
    EXPECT_EQ(v, 0);
    v = 5;
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, nullptr, 2), -1);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(ss_fp_debug_file_get(file_.c_str(), &v, "in", -1), -1);
}

TEST_F(DebugTest, FileSetWritesOnlyTheNumber) {
    write_file(file_, "a much longer old content\n");
    EXPECT_EQ(ss_fp_debug_file_set(file_.c_str(), 5), 0);
    EXPECT_EQ(read_file(file_), "5");
    EXPECT_EQ(ss_fp_debug_file_set(file_.c_str(), -12), 0);
    EXPECT_EQ(read_file(file_), "-12");
    EXPECT_EQ(ss_fp_debug_file_set("/nonexistent/dir/sw.txt", 1), 0);
    EXPECT_EQ(ss_fp_debug_file_set(nullptr, 1), 0);
}

TEST_F(DebugTest, NameLookups) {
    EXPECT_STREQ(ss_fp_get_rule_name(0), "SS_FP_RULE_NONE");
    EXPECT_STREQ(ss_fp_get_rule_name(26), "SS_FP_RULE_IPV6_DST");
    EXPECT_STREQ(ss_fp_get_rule_name(198), "SS_FP_RULE_MAX");
    EXPECT_EQ(ss_fp_get_rule_name(199), nullptr);
    EXPECT_EQ(ss_fp_get_rule_name(UINT32_MAX), nullptr);
    EXPECT_EQ(ss_fp_get_action_name(0), nullptr);
    EXPECT_STREQ(ss_fp_get_action_name(1), "SS_FP_ACTION_CTRL");
    EXPECT_STREQ(ss_fp_get_action_name(46), "SS_FP_ACTION_EM_CLASS");
    EXPECT_EQ(ss_fp_get_action_name(47), nullptr);
    EXPECT_EQ(ss_fp_get_action_name(-1), nullptr);
    EXPECT_EQ(ss_fp_get_action_name(INT32_MIN), nullptr);
}

TEST_F(DebugTest, FlagDumps) {
    uint32_t rules[SS_FP_RULE_FLAG_WORDS] = {};
    set_flag(rules, 1);
    set_flag(rules, 198);
    StdoutCapture r;
    EXPECT_EQ(ss_fp_dump_rule_flag(rules), 0);
    EXPECT_EQ(r.take(), "\nRULE_FLAG:\r\nSS_FP_RULE_MAC_DST | \r\n");

    uint32_t actions[SS_FP_ACTION_FLAG_WORDS] = {};
    for (uint32_t f : {0u, 8u, 46u, 47u, 100u}) set_flag(actions, f);
    StdoutCapture a;
    EXPECT_EQ(ss_fp_dump_action_flag(actions), 0);
    EXPECT_EQ(a.take(), "\r\nACTION FLAG:\r\nSS_FP_ACTION_NONE | SS_FP_ACTION_METER | SS_FP_ACTION_EM_CLASS | \r\n");

    StdoutCapture empty;
    uint32_t none[SS_FP_RULE_FLAG_WORDS] = {};
    EXPECT_EQ(ss_fp_dump_rule_flag(none), 0);
    EXPECT_EQ(empty.take(), "\nRULE_FLAG:\r\n\r\n");

    StdoutCapture bad;
    EXPECT_EQ(ss_fp_dump_rule_flag(nullptr), -1);
    EXPECT_EQ(ss_fp_dump_action_flag(nullptr), -1);
    EXPECT_EQ(bad.take(), "\nError para, return\n\nError para, return\n");
}

TEST_F(DebugTest, AppmngDebugSetters) {
    uint8_t *const bytes[] = {&g_ss_fp_appmng_debug,         &g_ss_fp_appmng_ds_debug,
                              &g_ss_fp_appmng_io_debug,      &g_ss_fp_appmng_counter_debug,
                              &g_ss_fp_appmng_res_debug,     &g_ss_fp_appmng_grp_debug};
    for (uint8_t *b : bytes) EXPECT_EQ(*b, 0) << "0 at load";
    void (*const setters[])(uint8_t) = {ss_fp_appmng_set_debug,         ss_fp_appmng_ds_set_debug,
                                        ss_fp_appmng_io_set_debug,      ss_fp_appmng_counter_set_debug,
                                        ss_fp_appmng_res_set_debug,     ss_fp_appmng_grp_res_set_debug};
    // Each setter stores its own byte; the main one also sets the ds byte.
    for (int i = 0; i < 6; ++i) {
        for (uint8_t *b : bytes) *b = 0;
        setters[i](3);
        for (int j = 0; j < 6; ++j) {
            bool expect = j == i || (i == 0 && j == 1);
            EXPECT_EQ(*bytes[j], expect ? 3 : 0) << "setter " << i << " byte " << j;
        }
        setters[i](0);
        EXPECT_EQ(*bytes[i], 0);
    }
}

// The shell commands, registered and then run through the platform's table.
class DebugShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fp_debug_sw = 0;
        fpss_test::reset_mem_stats();
        module_ = 0x5EED0000u + static_cast<uint64_t>(getpid());
    }
    void TearDown() override {
        fp_debug_sw = 0;
        malloc_free_sw = 0;
    }
    uint64_t module_;
};

TEST_F(DebugShellTest, RegistersTheThreeCommandsInOrder) {
    size_t before = ssat_cmd_count();
    EXPECT_EQ(ss_fp_debug_cmd_init(module_), 0);
    ASSERT_EQ(ssat_cmd_count(), before + 3);
    struct {
        const char *name, *tmpl, *arg;
        char conv;
    } expected[] = {{"debug", "dbg_flags=%x, $d", "dbg_flags", 'x'},
                    {"mem_record_show", "show_detail=%d(0/1), $d", "show_detail", 'd'},
                    {"mem_record_dbg", "op=%d(0-close,1-open), $d", "op", 'd'}};
    for (size_t i = 0; i < 3; ++i) {
        ssat_cmd_info_t info;
        ASSERT_EQ(ssat_cmd_get(before + i, &info), 0);
        EXPECT_EQ(info.module, module_);
        EXPECT_STREQ(info.name, expected[i].name);
        EXPECT_STREQ(info.arg_template, expected[i].tmpl);
        EXPECT_STREQ(info.arg_name, expected[i].arg);
        EXPECT_EQ(info.conversion, expected[i].conv);
        EXPECT_EQ(info.flags, 0);
    }
    // Registering again replaces the commands in place.
    EXPECT_EQ(ss_fp_debug_cmd_init(module_), 0);
    EXPECT_EQ(ssat_cmd_count(), before + 3);
}

TEST_F(DebugShellTest, DebugCommandSetsTheSwitchWord) {
    ASSERT_EQ(ss_fp_debug_cmd_init(module_), 0);
    StdoutCapture out;
    EXPECT_EQ(ssat_cmd_run(module_, "debug", "dbg_flags=0x18", nullptr), 0);
    EXPECT_EQ(out.take(), "FP set dbg sw, dbg_flags: 0x18\nSS_FP_DBG_FLAG_ERROR\nSS_FP_DBG_FLAG_NOTICE\nopened.\n");
    EXPECT_EQ(fp_debug_sw, 0x18u);
    EXPECT_EQ(ssat_cmd_run(module_, "debug", "zz", nullptr), -2);
    EXPECT_EQ(fp_debug_sw, 0x18u);
}

TEST_F(DebugShellTest, AllocationCommandsSwitchAndReport) {
    ASSERT_EQ(ss_fp_debug_cmd_init(module_), 0);
    int result = 0;
    {
        StdoutCapture out;
        EXPECT_EQ(ssat_cmd_run(module_, "mem_record_show", "1", &result), 0);
        EXPECT_EQ(result, -1) << "no report before the table exists";
        EXPECT_EQ(out.take(), "");
    }
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    {
        StdoutCapture out;
        EXPECT_EQ(ssat_cmd_run(module_, "mem_record_dbg", "op=1", &result), 0);
        EXPECT_EQ(out.take(), "malloc_free_sw opened.\n");
        EXPECT_EQ(malloc_free_sw, 1);
    }
    void *p = ss_fp_malloc(24, "app/shell_probe");
    {
        StdoutCapture out;
        EXPECT_EQ(ssat_cmd_run(module_, "mem_record_show", "show_detail=1", &result), 0);
        EXPECT_EQ(result, 0);
        std::string text = out.take();
        EXPECT_NE(text.find("====begin ss_fp_debug_dump_mem_use_info===="), std::string::npos) << text;
        EXPECT_NE(text.find("[app/shell_probe"), std::string::npos) << text;
        EXPECT_NE(text.find("\t>>[size_24(Byte)]: 1\n"), std::string::npos) << text;
    }
    ss_fp_free(p, "app/shell_probe");
    {
        StdoutCapture out;
        EXPECT_EQ(ssat_cmd_run(module_, "mem_record_dbg", "0", &result), 0);
        EXPECT_EQ(out.take(), "malloc_free_sw closed.\n");
        EXPECT_EQ(malloc_free_sw, 0);
    }
}

}  // namespace
