// Eight threads make shared groups and groups of their own at once in a capture
// and a counter registry, time, count, reset and dump: every name exists once,
// what no reset touches is exact, and the intervals lie within the run.
#include <gtest/gtest.h>

#include <string>

#include "fpss_test.h"
#include "registry_fixture.h"

using namespace fpss_test;

namespace {

constexpr int kThreads = 8, kRounds = 420;
libss_fp_cap_hdl_t g_cap;
libss_fp_cnt_hdl_t g_cnt;

TEST(RegistryStress, ThreadsMakeTimeAndCountAtOnce) {
    ASSERT_EQ(libss_fp_cap_init_hdl_func(&g_cap) | libss_fp_cnt_init_hdl_func(&g_cnt), 0);
    StdoutCapture dumps;
    const int64_t t0 = now_us();
    run_threads(kThreads, [](int t) {
        const std::string me = std::to_string(t);
        for (int i = 0; i < kRounds; ++i) {
            for (const std::string &g : {"g" + std::to_string(i % 4), me + "." + std::to_string(i % 5)}) {
                g_cap.start(&g_cap, g.c_str(), me.c_str());
                g_cap.stop(&g_cap, g.c_str(), me.c_str());
                g_cnt.inc(&g_cnt, g.c_str(), me.c_str());
            }
            g_cap.start(&g_cap, "busy", "one");
            g_cap.stop(&g_cap, "busy", "one");
            g_cnt.dec(&g_cnt, "busy", "one");
            if (i % 50 == t) g_cap.reset(&g_cap, "busy"), g_cnt.reset(&g_cnt, "busy");
            if (i % 100 == t) g_cap.dump(&g_cap, nullptr, "m"), g_cnt.dump(&g_cnt, nullptr, "m");
        }
    });
    const int64_t t1 = now_us();
    EXPECT_NE(dumps.take().find("group: [g0"), std::string::npos);
    EXPECT_TRUE(g_cap.grp_num == 4 + kThreads * 5 + 1 && g_cnt.grp_num == 4 + kThreads * 5 + 1);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < 9; ++i) {  // four shared groups, then five of its own
            const std::string me = std::to_string(t),
                              g = i < 4 ? "g" + std::to_string(i) : me + "." + std::to_string(i - 4);
            auto *cap = find<libss_fp_cap_grp_t>(g_cap.grp_hash, g);
            auto *cnt = find<libss_fp_cnt_grp_t>(g_cnt.grp_hash, g);
            auto *run = find<libss_fp_cap_info_t>(cap->cap_hash, me);
            const uint32_t runs = kRounds / (i < 4 ? 4 : 5), users = i < 4 ? kThreads : 1;
            EXPECT_TRUE(run->times == int(runs) && !run->running && t0 <= run->start_time && run->start_time <= t1 &&
                        run->total_time >= 0 && run->total_time <= t1 - t0);
            EXPECT_EQ(find<libss_fp_cnt_info_t>(cnt->cnt_hash, me)->cnt, runs);
            EXPECT_TRUE(cap->info_num == users && cnt->info_num == users && cnt->total == runs * users) << g;
        }
    }
    EXPECT_EQ(find<libss_fp_cnt_grp_t>(g_cnt.grp_hash, "busy")->total, uint64_t{0} - kThreads * kRounds);
    auto *one = find<libss_fp_cap_info_t>(find<libss_fp_cap_grp_t>(g_cap.grp_hash, "busy")->cap_hash, "one");
    // Resets keep a counter group's running total; intervals never overlap.
    EXPECT_TRUE(!one->running && one->times <= kThreads * kRounds && one->total_time >= 0 &&
                one->total_time <= t1 - t0);
}

}  // namespace
