// Event counters: counting and group totals, wrapping, names refused before
// anything is made, resets that keep totals, the dump byte for byte, the
// enable flag and the reports of every failure path.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "fpss_test.h"
#include "libss_fp_cnt.h"
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

constexpr const char *kTag = "app/libss_fp_cnt";

std::string head(const char *mod) { return fpss_test::kDumpSeparator + ">>mod: [" + mod + "], op time: T\n\n"; }

std::string group_line(const char *name, unsigned long long total) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "group: [%-128s]:%llu\n", name, total);
    return buf;
}

std::string row(const char *name, unsigned long long cnt) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "\t%-128s:%llu\n", name, cnt);
    return buf;
}

constexpr const char *kFile = "app/libss_fp_cnt.cpp";

class CntTest : public fpss_test::RegistryTest<libss_fp_cnt_hdl_t, libss_fp_cnt_grp_t, libss_fp_cnt_info_t,
                                               libss_fp_cnt_init_hdl_func, &kFile, &kTag> {
  protected:
    std::string dump(const char *grp, int expect_rc, const char *mod = "FP_MOD_NACM") {
        return RegistryTest::dump(grp, expect_rc, mod);
    }
    uint64_t cnt(const char *grp, const char *name) {
        char ik[200] = {};
        std::strncpy(ik, name, 199);
        libss_fp_cnt_grp_t *g = group(grp);
        auto *i = g ? static_cast<libss_fp_cnt_info_t *>(libss_hash_find_item(g->cnt_hash, ik)) : nullptr;
        EXPECT_NE(i, nullptr) << name;
        return i ? i->cnt : 0;
    }
};

TEST_F(CntTest, InitFillsTheSlotsAndRefusesNull) {
    EXPECT_NE(reg_->inc, nullptr);
    EXPECT_NE(reg_->dec, nullptr);
    EXPECT_NE(reg_->reset, nullptr);
    EXPECT_NE(reg_->dump, nullptr);
    EXPECT_NE(reg_->enable_set, nullptr);
    EXPECT_EQ(reg_->enable, 0);
    EXPECT_EQ(libss_fp_cnt_init_hdl_func(nullptr), -2);
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cnt_init_hdl_func", "mem malloc failed"}}));
}

TEST_F(CntTest, IncAndDecKeepCountersAndGroupTotal) {
    ASSERT_EQ(reg_->inc(reg_, "acl", "a"), 0);
    EXPECT_EQ(reg_->grp_num, 1);
    EXPECT_EQ(cnt("acl", "a"), 1u);
    EXPECT_EQ(group("acl")->total, 1u);
    EXPECT_EQ(reg_->inc(reg_, "acl", "a"), 0);
    EXPECT_EQ(reg_->dec(reg_, "acl", "a"), 0);
    EXPECT_EQ(cnt("acl", "a"), 1u);
    EXPECT_EQ(reg_->inc(reg_, "acl", "b"), 0);
    EXPECT_EQ(reg_->dec(reg_, "acl", "a"), 0);
    EXPECT_EQ(cnt("acl", "a"), 0u);
    EXPECT_EQ(cnt("acl", "b"), 1u);
    EXPECT_EQ(group("acl")->total, 1u);
    EXPECT_EQ(group("acl")->info_num, 2u);
}

TEST_F(CntTest, DecOfANewNameWrapsCounterAndTotal) {
    EXPECT_EQ(reg_->dec(reg_, "g", "new"), 0);
    EXPECT_EQ(cnt("g", "new"), UINT64_MAX);
    EXPECT_EQ(group("g")->total, UINT64_MAX);
    EXPECT_EQ(reg_->inc(reg_, "g", "new"), 0);
    EXPECT_EQ(cnt("g", "new"), 0u);
    EXPECT_EQ(group("g")->total, 0u);
}

TEST_F(CntTest, OverlongNamesMakeNothingAtAll) {
    fp_debug_sw = SS_FP_DBG_FLAG_ERROR;
    StdoutCapture out;
    EXPECT_EQ(reg_->inc(reg_, std::string(64, 'g').c_str(), "n"), -2);
    EXPECT_EQ(reg_->dec(reg_, "g", std::string(200, 'n').c_str()), -2);
    EXPECT_TRUE(std::regex_match(out.take(), std::regex(R"(\n !!!!!!!!Error libss_fp_cnt_inc\[\d+\]:mem malloc failed)"
                                                        R"(\n !!!!!!!!Error libss_fp_cnt_dec\[\d+\]:mem malloc failed)")));
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cnt_inc", "mem malloc failed"}, {"libss_fp_cnt_dec", "mem malloc failed"}}));
    EXPECT_EQ(reg_->grp_hash, nullptr);
    EXPECT_EQ(reg_->inc(reg_, std::string(63, 'g').c_str(), std::string(199, 'n').c_str()), 0);
}

TEST_F(CntTest, NullArgumentsAreReportedByTheEntry) {
    EXPECT_EQ(reg_->inc(reg_, nullptr, "n"), -2);
    EXPECT_EQ(reg_->dec(nullptr, "g", "n"), -2);
    EXPECT_EQ(reg_->reset(nullptr, "g"), -2);
    EXPECT_EQ(reg_->dump(nullptr, "g", "m"), -2);
    EXPECT_EQ(reg_->enable_set(nullptr, 1), -2);
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cnt_inc", "mem malloc failed"},
                                  {"libss_fp_cnt_dec", "mem malloc failed"},
                                  {"libss_fp_cnt_reset", "mem malloc failed"},
                                  {"libss_fp_cnt_dump", "mem malloc failed"},
                                  {"libss_fp_cnt_enable_set", "mem malloc failed"}}));
}

TEST_F(CntTest, DumpPrintsPaddedGroupLineAndSortedRows) {
    StdoutCapture quiet;
    EXPECT_EQ(reg_->dump(reg_, nullptr, "m"), 5);
    EXPECT_EQ(reg_->reset(reg_, nullptr), 5);
    EXPECT_EQ(quiet.take(), "");

    for (const char *n : {"tx", "Rx", "rx", "r", "tx"}) ASSERT_EQ(reg_->inc(reg_, "port", n), 0);
    ASSERT_EQ(reg_->dec(reg_, "port", "r"), 0);
    EXPECT_EQ(dump("port", 0), head("FP_MOD_NACM") + group_line("port", 4) + row("Rx", 1) + row("r", 0) +
                                   row("rx", 1) + row("tx", 2) + "\n");
    EXPECT_EQ(dump("nope", 5), head("FP_MOD_NACM"));
    EXPECT_EQ(dump(std::string(64, 'p').c_str(), 6), head("FP_MOD_NACM"));

    ASSERT_EQ(reg_->inc(reg_, "acl", "x"), 0);
    std::string all = dump(nullptr, 0, "FP_MOD_TCAM");
    // Each group line shows its own running total.
    std::string port = group_line("port", 4) + row("Rx", 1) + row("r", 0) + row("rx", 1) + row("tx", 2) + "\n";
    std::string acl = group_line("acl", 1) + row("x", 1) + "\n";
    EXPECT_TRUE(all == head("FP_MOD_TCAM") + port + acl || all == head("FP_MOD_TCAM") + acl + port) << all;
}

TEST_F(CntTest, ResetZeroesCountersAndKeepsTotals) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(reg_->inc(reg_, "g", "a"), 0);
    ASSERT_EQ(reg_->inc(reg_, "h", "b"), 0);
    EXPECT_EQ(reg_->reset(reg_, "g"), 0);
    EXPECT_EQ(cnt("g", "a"), 0u);
    EXPECT_EQ(cnt("h", "b"), 1u);
    EXPECT_EQ(reg_->reset(reg_, nullptr), 0);
    EXPECT_EQ(cnt("h", "b"), 0u);
    EXPECT_EQ(dump("g", 0), head("FP_MOD_NACM") + group_line("g", 3) + row("a", 0) + "\n");
    EXPECT_EQ(reg_->reset(reg_, "nope"), 5);
    EXPECT_EQ(reg_->reset(reg_, std::string(64, 'g').c_str()), 6);
}

TEST_F(CntTest, EnableIsOnlyStored) {
    EXPECT_EQ(reg_->enable_set(reg_, 1), 0);
    EXPECT_EQ(reg_->enable, 1);
    EXPECT_EQ(reg_->enable_set(reg_, 0), 0);
    EXPECT_EQ(reg_->enable, 0);
    EXPECT_EQ(reg_->inc(reg_, "g", "a"), 0);  // counting ignores the flag
    EXPECT_EQ(cnt("g", "a"), 1u);
}

TEST_F(CntTest, EveryAllocationFailureOfAFirstCount) {
    every_first_op_failure(
        "cnt", "libss_fp_cnt_dec", [&] { return reg_->dec(reg_, "acl", "del"); },
        [&](int k) {
            if (k >= 9) {
                EXPECT_EQ(group("acl")->total, 0u);  // a failed count leaves the total untouched
            }
        },
        [&] {
            EXPECT_EQ(reg_->inc(reg_, "acl", "del"), 0);
            EXPECT_EQ(cnt("acl", "del"), 1u);
            EXPECT_EQ(group("acl")->total, 1u);
        });
}

TEST_F(CntTest, AFailedDumpRowIsMissing) {
    ASSERT_EQ(reg_->inc(reg_, "g", "a"), 0);
    ASSERT_EQ(reg_->inc(reg_, "g", "b"), 0);
    FaultInjector::fail_nth(2);
    std::string text = dump("g", 0);
    FaultInjector::reset();
    EXPECT_EQ(reports(), (Reports{{"libss_fp_cnt_cp_to_dump_list", "mem malloc failed"}}));
    std::string h = head("FP_MOD_NACM") + group_line("g", 2);
    EXPECT_TRUE(text == h + row("a", 1) + "\n" || text == h + row("b", 1) + "\n") << text;
}

}  // namespace
