// Timing capture: creation on first use, the run and interval rules, name and
// count limits, resets, the dump table byte for byte, and the reports of every
// failure path.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "fpss_test.h"
#include "libss_fp_cap_mon.h"
#include "registry_faults.h"
#include "registry_fixture.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"

using fpss_test::FaultInjector;
using fpss_test::PlatformRecorder;
using fpss_test::StdoutCapture;
using fpss_test::Reports;
using fpss_test::mask_time;

namespace {

constexpr const char *kTag = "app/libss_fp_cap_mon";
const std::string kHead = "\nFUNC_NAME                              TIMES     TIME[us]     AVERAGE_TIME[us]";

std::string time_line(const char *mod) { return std::string(">>mod: [") + mod + "], op time: T\n\n"; }

std::string row(const char *name, int times, long long total, unsigned long long avg) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "\n%-39s%5d%13lld%21llu", name, times, total, avg);
    return buf;
}

int64_t now_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

constexpr const char *kFile = "app/libss_fp_cap_mon.cpp";

class CapTest : public fpss_test::RegistryTest<libss_fp_cap_hdl_t, libss_fp_cap_grp_t, libss_fp_cap_info_t,
                                               libss_fp_cap_init_hdl_func, &kFile, &kTag> {
  protected:
    std::string dump(const char *grp, int expect_rc, const char *mod = "FP_MOD_TCAM") {
        return RegistryTest::dump(grp, expect_rc, mod);
    }
    libss_fp_cap_info_t *info(const char *grp, const char *name) {
        char key[200] = {};
        std::strncpy(key, name, 199);
        libss_fp_cap_grp_t *g = group(grp);
        return g ? static_cast<libss_fp_cap_info_t *>(libss_hash_find_item(g->cap_hash, key)) : nullptr;
    }
};

TEST_F(CapTest, InitFillsTheSlotsAndRefusesNull) {
    EXPECT_NE(reg_->start, nullptr);
    EXPECT_NE(reg_->stop, nullptr);
    EXPECT_NE(reg_->reset, nullptr);
    EXPECT_NE(reg_->dump, nullptr);
    EXPECT_EQ(reg_->grp_hash, nullptr);
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    StdoutCapture out;
    EXPECT_EQ(libss_fp_cap_init_hdl_func(nullptr), -2);
    EXPECT_TRUE(std::regex_match(out.take(), std::regex(R"(\n !!!!!!!!Error libss_fp_cap_init_hdl_func\[\d+\]:mem malloc failed)")));
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cap_init_hdl_func", "mem malloc failed"}}));
}

TEST_F(CapTest, StartAndStopFollowTheRunRules) {
    ASSERT_EQ(reg_->start(reg_, "acl", "add"), 0);
    ASSERT_NE(reg_->grp_hash, nullptr);
    EXPECT_EQ(reg_->grp_num, 1);
    EXPECT_EQ(reg_->grp_hash->bucket_warning_size, 3u);
    EXPECT_EQ(reg_->grp_hash->table_size, 26u);
    EXPECT_EQ(group("acl")->cap_hash->bucket_warning_size, 5u);
    EXPECT_EQ(group("acl")->cap_hash->table_size, 133u);
    libss_fp_cap_info_t *n = info("acl", "add");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->times, 1);
    EXPECT_EQ(n->running, 1);
    int64_t first = n->start_time;

    // A start while running neither counts nor restarts the interval.
    EXPECT_EQ(reg_->start(reg_, "acl", "add"), 0);
    EXPECT_EQ(n->times, 1);
    EXPECT_EQ(n->start_time, first);
    int64_t before_stop = now_us();
    EXPECT_EQ(reg_->stop(reg_, "acl", "add"), 0);
    EXPECT_EQ(n->running, 0);
    EXPECT_GE(n->total_time, before_stop - first);
    int64_t total = n->total_time;
    EXPECT_EQ(reg_->stop(reg_, "acl", "add"), 0);
    EXPECT_EQ(n->total_time, total);
    EXPECT_EQ(group("acl")->info_num, 1u);
    EXPECT_TRUE(reports().empty());
}

TEST_F(CapTest, StopOfANameNeverStartedCreatesItIdle) {
    EXPECT_EQ(reg_->stop(reg_, "g", "never"), 0);
    libss_fp_cap_info_t *n = info("g", "never");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->times, 0);
    EXPECT_EQ(n->running, 0);
    EXPECT_EQ(n->total_time, 0);
}

TEST_F(CapTest, NullArgumentsAreReportedByTheEntry) {
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    StdoutCapture out;
    EXPECT_EQ(reg_->start(nullptr, "g", "n"), -2);
    EXPECT_EQ(reg_->start(reg_, nullptr, "n"), -2);
    EXPECT_EQ(reg_->stop(reg_, "g", nullptr), -2);
    EXPECT_EQ(reg_->reset(nullptr, nullptr), -2);
    EXPECT_EQ(reg_->dump(nullptr, nullptr, "m"), -2);
    EXPECT_TRUE(std::regex_match(out.take(), std::regex(R"((\n !!!!!!!!Error libss_fp_cap_(start|stop|reset|dump)\[\d+\]:mem malloc failed){5})")));
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cap_start", "mem malloc failed"},
                                  {"libss_fp_cap_start", "mem malloc failed"},
                                  {"libss_fp_cap_stop", "mem malloc failed"},
                                  {"libss_fp_cap_reset", "mem malloc failed"},
                                  {"libss_fp_cap_dump", "mem malloc failed"}}));
    EXPECT_EQ(reg_->grp_hash, nullptr);
}

TEST_F(CapTest, NameWidthsAreEnforcedAfterTheTablesAreMade) {
    std::string g63(63, 'g'), g64(64, 'g'), i199(199, 'i'), i200(200, 'i');
    EXPECT_EQ(reg_->start(reg_, g64.c_str(), "n"), -2);
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cap_start", "mem malloc failed"}}));
    EXPECT_NE(reg_->grp_hash, nullptr);  // the table is made before the name is judged
    EXPECT_EQ(reg_->grp_num, 0);

    EXPECT_EQ(reg_->start(reg_, g63.c_str(), i199.c_str()), 0);
    EXPECT_NE(info(g63.c_str(), i199.c_str()), nullptr);
    EXPECT_EQ(reg_->start(reg_, "fresh", i200.c_str()), -2);
    EXPECT_NE(group("fresh"), nullptr);  // the group is kept
    EXPECT_EQ(group("fresh")->info_num, 0u);
    EXPECT_EQ(reg_->grp_num, 2);
}

TEST_F(CapTest, GroupAndInfoLimitsRefuseOnlyNewNames) {
    for (int i = 0; i < 100; ++i) ASSERT_EQ(reg_->start(reg_, ("g" + std::to_string(i)).c_str(), "n"), 0);
    PlatformRecorder::reset();
    EXPECT_EQ(reg_->start(reg_, "g100", "n"), -2);
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cap_try_crt_info_node", "no enough memory, rv: -2"},
                                  {"libss_fp_cap_start", "mem malloc failed"}}));
    EXPECT_EQ(reg_->grp_num, 100);
    EXPECT_EQ(reg_->stop(reg_, "g7", "n"), 0);

    for (int i = 1; i < 200; ++i) ASSERT_EQ(reg_->start(reg_, "g0", ("n" + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(group("g0")->info_num, 200u);
    PlatformRecorder::reset();
    EXPECT_EQ(reg_->stop(reg_, "g0", "n200"), -2);
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cap_try_crt_info_node", "no enough memory, rv: -2"},
                                  {"libss_fp_cap_stop", "mem malloc failed"}}));
    EXPECT_EQ(reg_->stop(reg_, "g0", "n199"), 0);
}

TEST_F(CapTest, ResetAndDumpOfAnEmptyRegistryPrintNothing) {
    StdoutCapture out;
    EXPECT_EQ(reg_->dump(reg_, nullptr, "m"), 5);
    EXPECT_EQ(reg_->dump(reg_, "g", "m"), 5);
    EXPECT_EQ(reg_->reset(reg_, nullptr), 5);
    EXPECT_EQ(reg_->reset(reg_, "g"), 5);
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(reg_->grp_hash, nullptr);  // neither makes the table
}

TEST_F(CapTest, DumpOfAGroupIsSortedWithAveragesAndTotal) {
    const char *names[] = {"beta", "Zeta", "alpha", "alp", "a_function_name_longer_than_thirty_nine_chars"};
    for (const char *n : names) ASSERT_EQ(reg_->stop(reg_, "acl", n), 0);
    info("acl", "alpha")->times = 3;
    info("acl", "alpha")->total_time = 10;
    info("acl", "beta")->times = 1;
    info("acl", "beta")->total_time = 1234567;
    info("acl", "a_function_name_longer_than_thirty_nine_chars")->times = 2;
    info("acl", "a_function_name_longer_than_thirty_nine_chars")->total_time = 8;
    std::string expect = fpss_test::kDumpSeparator + time_line("FP_MOD_TCAM") + "group: [acl]\n" + kHead + row("Zeta", 0, 0, 0) +
                         row("a_function_name_longer_than_thirty_nine_chars", 2, 8, 4) + row("alp", 0, 0, 0) +
                         row("alpha", 3, 10, 3) + row("beta", 1, 1234567, 1234567) +
                         "\ntotal time[us] = 1234585\n\n";
    EXPECT_EQ(dump("acl", 0), expect);
    EXPECT_EQ(group("acl")->total_time, 1234585u);
    // The long name pushes the columns right instead of being cut.
    EXPECT_NE(expect.find("\na_function_name_longer_than_thirty_nine_chars    2"), std::string::npos);
}

TEST_F(CapTest, DumpOfAllGroupsAndOfUnknownOrOverlongGroups) {
    ASSERT_EQ(reg_->stop(reg_, "one", "x"), 0);
    ASSERT_EQ(reg_->stop(reg_, "two", "y"), 0);
    std::string all = dump(nullptr, 0, "FP_MOD_NACM");
    std::string one = "group: [one]\n" + kHead + row("x", 0, 0, 0) + "\ntotal time[us] = 0\n\n";
    std::string two = "group: [two]\n" + kHead + row("y", 0, 0, 0) + "\ntotal time[us] = 0\n\n";
    std::string head = fpss_test::kDumpSeparator + time_line("FP_MOD_NACM");
    EXPECT_TRUE(all == head + one + two || all == head + two + one) << all;

    EXPECT_EQ(dump("three", 5), fpss_test::kDumpSeparator + time_line("FP_MOD_TCAM"));
    EXPECT_EQ(dump(std::string(64, 'g').c_str(), 6), fpss_test::kDumpSeparator + time_line("FP_MOD_TCAM"));
    EXPECT_EQ(reg_->reset(reg_, "three"), 5);
    EXPECT_EQ(reg_->reset(reg_, std::string(64, 'g').c_str()), 6);
    EXPECT_TRUE(reports().empty());
}

TEST_F(CapTest, ResetZeroesFiguresAndRestartsARunningInterval) {
    ASSERT_EQ(reg_->start(reg_, "g", "idle"), 0);
    ASSERT_EQ(reg_->stop(reg_, "g", "idle"), 0);
    ASSERT_EQ(reg_->start(reg_, "g", "busy"), 0);
    info("g", "idle")->total_time = 500;
    // The running interval began an hour ago.
    info("g", "busy")->start_time -= 3600LL * 1000000;
    dump("g", 0);
    EXPECT_NE(group("g")->total_time, 0u);

    int64_t before = now_us();
    EXPECT_EQ(reg_->reset(reg_, nullptr), 0);
    libss_fp_cap_info_t *busy = info("g", "busy");
    EXPECT_EQ(busy->running, 1);
    EXPECT_EQ(busy->times, 0);
    EXPECT_GE(busy->start_time, before);
    EXPECT_EQ(info("g", "idle")->total_time, 0);
    EXPECT_EQ(group("g")->total_time, 0u);
    EXPECT_EQ(dump("g", 0), fpss_test::kDumpSeparator + time_line("FP_MOD_TCAM") + "group: [g]\n" + kHead + row("busy", 0, 0, 0) +
                                row("idle", 0, 0, 0) + "\ntotal time[us] = 0\n\n");

    // The stop after the reset adds only the time since the reset.
    int64_t after_reset = now_us();
    EXPECT_EQ(reg_->stop(reg_, "g", "busy"), 0);
    EXPECT_LE(busy->total_time, now_us() - before);
    EXPECT_LT(busy->total_time, 3600LL * 1000000);
    EXPECT_GE(now_us(), after_reset);
    EXPECT_EQ(reg_->reset(reg_, "g"), 0);
    EXPECT_EQ(busy->total_time, 0);
    EXPECT_EQ(busy->start_time, 0);  // idle nodes restart from nothing
}

TEST_F(CapTest, AnagramGroupsShareABucketAndWarn) {
    StdoutCapture out;
    for (const char *g : {"abc", "acb", "bac", "bca"}) ASSERT_EQ(reg_->start(reg_, g, "n"), 0);
    std::string text = out.take();
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(hash :0x[0-9a-f]+ bucket\[8\] warning 3 cur:4 \n)"))) << text;
    EXPECT_EQ(reg_->grp_num, 4);
    // Equal byte sums, different names: every group stays distinct.
    for (const char *g : {"abc", "acb", "bac", "bca"}) EXPECT_STREQ(group(g)->name, g);
}

// Every allocation of a first start fails once in turn: the reports come in
// order, nothing is leaked, and the registry works afterwards.
TEST_F(CapTest, EveryAllocationFailureOfAFirstStart) {
    every_first_op_failure(
        "cap", "libss_fp_cap_start", [&] { return reg_->start(reg_, "acl", "add"); },
        [&](int k) { EXPECT_EQ(reg_->grp_hash == nullptr, k <= 3); },
        [&] {
            EXPECT_EQ(reg_->start(reg_, "acl", "add"), 0);
            EXPECT_EQ(info("acl", "add")->times, 1);
        });
}

TEST_F(CapTest, AFailedDumpRowIsMissingButStillCounted) {
    ASSERT_EQ(reg_->stop(reg_, "g", "a"), 0);
    ASSERT_EQ(reg_->stop(reg_, "g", "b"), 0);
    info("g", "a")->total_time = 7;
    info("g", "b")->total_time = 5;
    FaultInjector::fail_nth(1);
    std::string text = dump("g", 0);
    FaultInjector::reset();
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cap_cp_to_dump_list", "mem malloc failed"}}));
    std::string head = fpss_test::kDumpSeparator + time_line("FP_MOD_TCAM") + "group: [g]\n" + kHead;
    std::string tail = "\ntotal time[us] = 12\n\n";
    EXPECT_TRUE(text == head + row("a", 0, 7, 0) + tail || text == head + row("b", 0, 5, 0) + tail) << text;
}

}  // namespace
