// Public handles, the module and error tables, and the registry exerciser
// entries' first lines and dispatch (through stand-in registry operations).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fpss_test.h"
#include "libss_fp_pub.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"

using fpss_test::FaultInjector;
using fpss_test::PlatformRecorder;
using fpss_test::StdoutCapture;

namespace {

const char *const kModNames[] = {"FP_MOD_NONE",   "FP_MOD_LIBPROXY_NACM", "FP_MOD_LIBPROXY_APPMNG",
                                 "FP_MOD_VDUMSG_APPMNG", "FP_MOD_NACM",   "FP_MOD_APPMNG",
                                 "FP_MOD_ADJUST", "FP_MOD_TCAM",          "FP_MOD_ENGINE",
                                 "FP_MOD_INSTALL", "FP_MOD_SSA",          "FP_MOD_MAX"};

// What the stand-in registry operations saw: "<op> <module> <group or ->[ <extra>]".
std::vector<std::string> g_calls;

int module_of(const void *registry) {
    for (int m = 0; m < FP_MOD_MAX; ++m) {
        if (fp_pub_hdl[m] != nullptr && (registry == &fp_pub_hdl[m]->cap_hdl || registry == &fp_pub_hdl[m]->cnt_hdl))
            return m;
    }
    return -1;
}
std::string call(const char *op, const void *reg, const char *grp, const std::string &extra = "") {
    return std::string(op) + " " + std::to_string(module_of(reg)) + " " + (grp ? grp : "-") +
           (extra.empty() ? "" : " " + extra);
}

int cap_dump(libss_fp_cap_hdl_t *r, const char *grp, const char *mod) {
    g_calls.push_back(call("cap_dump", r, grp, mod));
    return 0;
}
int cap_reset(libss_fp_cap_hdl_t *r, const char *grp) {
    g_calls.push_back(call("cap_reset", r, grp));
    return 0;
}
int cnt_dump(libss_fp_cnt_hdl_t *r, const char *grp, const char *mod) {
    g_calls.push_back(call("cnt_dump", r, grp, mod));
    return 0;
}
int cnt_reset(libss_fp_cnt_hdl_t *r, const char *grp) {
    g_calls.push_back(call("cnt_reset", r, grp));
    return 5;
}
int cnt_enable(libss_fp_cnt_hdl_t *r, uint8_t enable) {
    g_calls.push_back(call("cnt_enable", r, nullptr, std::to_string(enable)));
    return 0;
}

class PubTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fpss_test::reset_mem_stats();
        for (auto &h : fp_pub_hdl) h = nullptr;
        fp_debug_sw = 0;
        g_policy_error_zlog_level = 6;
        g_policy_error_zlog_category = nullptr;
        PlatformRecorder::reset();
        g_calls.clear();
    }
    void TearDown() override {
        FaultInjector::reset();
        for (int m = 0; m < FP_MOD_MAX; ++m) fp_mod_name[m] = kModNames[m];
        for (auto &h : fp_pub_hdl) {
            if (h == nullptr) continue;
            pthread_rwlock_destroy(&h->cnt_hdl.lock);
            pthread_rwlock_destroy(&h->cap_hdl.lock);
            ss_fp_free(h, "tests/test_pub");
            h = nullptr;
        }
        fpss_test::reset_mem_stats();
    }
    static bool all_null() {
        for (auto *h : fp_pub_hdl)
            if (h != nullptr) return false;
        return true;
    }
    // Start-up with every registry operation of the exerciser replaced.
    static void init_with_stand_ins() {
        ASSERT_EQ(libss_fp_pub_init(), 0);
        for (auto *h : fp_pub_hdl) {
            h->cap_hdl.dump = cap_dump;
            h->cap_hdl.reset = cap_reset;
            h->cnt_hdl.dump = cnt_dump;
            h->cnt_hdl.reset = cnt_reset;
            h->cnt_hdl.enable_set = cnt_enable;
        }
    }
    static std::vector<std::string> modules_1_to_10(const std::string &op, const std::string &grp, bool with_name) {
        std::vector<std::string> v;
        for (int m = 1; m <= 10; ++m)
            v.push_back(op + " " + std::to_string(m) + " " + grp + (with_name ? std::string(" ") + kModNames[m] : ""));
        return v;
    }
};

TEST_F(PubTest, TablesHoldTheirTexts) {
    for (int m = 0; m <= FP_MOD_MAX; ++m) EXPECT_STREQ(fp_mod_name[m], kModNames[m]) << m;
    for (int i = 0; i < 23; ++i) {
        const char *expected = i == 6    ? "the FP capacity is full."
                               : i == 14 ? "the KEY resource is insufficient."
                               : i == 16 ? "the KEY does not support."
                               : i == 21 ? "the KEY field length is exceeded."
                               : i == 22 ? "the KEY is not continuous."
                                         : "";
        EXPECT_STREQ(lib_fp_err_syslog_string[i], expected) << i;
    }
}

TEST_F(PubTest, StartUpMakesElevenReadyHandles) {
    EXPECT_TRUE(all_null());
    ASSERT_EQ(libss_fp_pub_init(), 0);
    for (int m = 0; m < FP_MOD_MAX; ++m) {
        ASSERT_NE(fp_pub_hdl[m], nullptr);
        EXPECT_STREQ(fp_pub_hdl[m]->mod_name, kModNames[m]);
        EXPECT_NE(fp_pub_hdl[m]->cnt_hdl.inc, nullptr);
        EXPECT_NE(fp_pub_hdl[m]->cnt_hdl.enable_set, nullptr);
        EXPECT_NE(fp_pub_hdl[m]->cap_hdl.start, nullptr);
        EXPECT_EQ(fp_pub_hdl[m]->cap_hdl.grp_hash, nullptr);
    }
    EXPECT_STREQ(fp_pub_hdl[FP_MOD_TCAM]->mod_name, "FP_MOD_TCAM");
}

TEST_F(PubTest, FailedFourthHandleReportsAndRollsBack) {
    int category;
    g_policy_error_zlog_category = &category;
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    FaultInjector::fail_nth(4);  // statistics off: one system allocation per handle
    StdoutCapture out;
    EXPECT_EQ(libss_fp_pub_init(), 2);
    std::string printed = out.take();
    const std::string head = "\n !!!!!!!!Error libss_fp_pub_init[", tail = "]:no enough memory, rv: -2";
    ASSERT_GT(printed.size(), head.size() + tail.size()) << printed;
    EXPECT_EQ(printed.substr(0, head.size()), head);
    EXPECT_EQ(printed.substr(printed.size() - tail.size()), tail);
    std::string line = printed.substr(head.size(), printed.size() - head.size() - tail.size());
    EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << line;
    EXPECT_TRUE(all_null());
    auto calls = PlatformRecorder::zlog_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, "app/libss_fp_pub.cpp");
    EXPECT_EQ(calls[0].func, "libss_fp_pub_init");
    EXPECT_EQ(calls[0].level, 100);
    EXPECT_EQ(calls[0].text, "no enough memory, rv: -2");
}

TEST_F(PubTest, FailureWithoutCategoryPrintsButLogsNothing) {
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    FaultInjector::fail_nth(1);
    StdoutCapture out;
    EXPECT_EQ(libss_fp_pub_init(), 2);
    EXPECT_NE(out.take().find("no enough memory, rv: -2"), std::string::npos);
    EXPECT_TRUE(PlatformRecorder::zlog_calls().empty());
    EXPECT_TRUE(all_null());
}

TEST_F(PubTest, RollBackReleasesEveryHandleMade) {
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    malloc_free_sw = 1;
    fp_mod_name[9] = "FP_MOD_WITH_A_NAME_OF_32_CHARS__";  // 32 characters: refused silently
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    StdoutCapture out;
    EXPECT_EQ(libss_fp_pub_init(), 2);
    EXPECT_EQ(out.take(), "");
    EXPECT_TRUE(all_null());
    ss_fp_mem_info_t key{};
    std::strcpy(key.file_name, "app/libss_fp_pub");
    ASSERT_NE(ss_fp_mem_info_hash_find(&key), nullptr);
    EXPECT_EQ(ss_fp_mem_info_hash_find(&key)->count, 0);  // ten made, ten released
}

TEST_F(PubTest, NamesOfThirtyOneCharactersFit) {
    fp_mod_name[5] = "FP_MOD_WITH_A_NAME_OF_31_CHARS_";
    ASSERT_EQ(libss_fp_pub_init(), 0);
    EXPECT_STREQ(fp_pub_hdl[5]->mod_name, "FP_MOD_WITH_A_NAME_OF_31_CHARS_");
    TearDown();
    fp_mod_name[5] = nullptr;  // a missing name is refused, not read
    EXPECT_EQ(libss_fp_pub_init(), 2);
    EXPECT_TRUE(all_null());
}

TEST_F(PubTest, CaptureEntriesPrintTheirFirstLineAndDispatch) {
    init_with_stand_ins();
    StdoutCapture out;
    ut_libss_fp_cap_dump_all();
    EXPECT_EQ(g_calls, modules_1_to_10("cap_dump", "-", true));
    g_calls.clear();
    ut_libss_fp_cap_reset_all();
    EXPECT_EQ(g_calls, modules_1_to_10("cap_reset", "-", false));
    g_calls.clear();
    ut_libss_fp_cap_op(3, 7, "ALL");
    ut_libss_fp_cap_op(3, 7, "acl");
    ut_libss_fp_cap_op(4, 2, "ALLx");
    ut_libss_fp_cap_op(5, 7, nullptr);
    ut_libss_fp_cap_op(3, 11, nullptr);
    ut_libss_fp_cap_op(3, -1, "acl");
    EXPECT_EQ(g_calls, (std::vector<std::string>{"cap_dump 7 - FP_MOD_TCAM", "cap_dump 7 acl FP_MOD_TCAM",
                                                 "cap_reset 2 ALLx"}));
    EXPECT_EQ(out.take(), "mod: 0\nmod: 0\nmod: 7, grp: ALL\nmod: 7, grp: acl\nmod: 2, grp: ALLx\nmod: 7\nmod: 11\n"
                          "mod: -1, grp: acl\n");
}

TEST_F(PubTest, CounterEntriesPrintTheirFirstLineAndDispatch) {
    init_with_stand_ins();
    StdoutCapture out;
    ut_libss_fp_cnt_op(3, 0, nullptr, 0);
    EXPECT_EQ(g_calls, modules_1_to_10("cnt_dump", "-", true));
    g_calls.clear();
    ut_libss_fp_cnt_op(4, 0, "ALL", 0);
    EXPECT_EQ(g_calls, modules_1_to_10("cnt_reset", "-", false));
    g_calls.clear();
    ut_libss_fp_cnt_op(5, 0, nullptr, 1);  // module 0 is not every module here
    ut_libss_fp_cnt_op(5, 4, "g", 1);
    ut_libss_fp_cnt_op(9, 4, "g", 1);
    ut_libss_fp_cnt_grp_op(4, "g", 3);
    ut_libss_fp_cnt_grp_op(0, "g", 3);  // module 0 has a handle but is never dumped
    ut_libss_fp_cnt_grp_op(4, "g", 7);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"cnt_enable 4 - 1", "cnt_dump 4 g FP_MOD_NACM"}));
    EXPECT_EQ(out.take(), "mod: 0, grp: (null)\nmod: 0, grp: ALL\nmod: 0, grp: (null)\nmod: 4, grp: g\n"
                          "mod: 4, grp: g\n");
}

TEST_F(PubTest, EntriesWithoutHandlesPrintOnlyTheirFirstLine) {
    StdoutCapture out;
    ut_libss_fp_cap_dump_all();
    ut_libss_fp_cnt_op(3, 0, "ALL", 0);
    ut_libss_fp_cnt_op(5, 3, nullptr, 1);
    EXPECT_EQ(out.take(), "mod: 0\nmod: 0, grp: ALL\nmod: 3, grp: (null)\n");
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(PubTest, EnableReachesTheRealRegistry) {
    ASSERT_EQ(libss_fp_pub_init(), 0);
    StdoutCapture out;
    ut_libss_fp_cnt_op(5, FP_MOD_NACM, nullptr, 1);
    out.take();
    EXPECT_EQ(fp_pub_hdl[FP_MOD_NACM]->cnt_hdl.enable, 1);
    EXPECT_EQ(fp_pub_hdl[FP_MOD_TCAM]->cnt_hdl.enable, 0);
}

}  // namespace
