// Eight threads creating, starting, stopping, counting, dumping and resetting
// in shared groups of one capture registry and one counter registry. Groups
// that nobody resets keep exact figures; groups named at once by every thread
// exist once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "libss_fp_cnt.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 400;
constexpr int kGroups = 4;

libss_fp_cap_hdl_t g_cap;
libss_fp_cnt_hdl_t g_cnt;

template <class Grp, class Hdl>
Grp *group_of(Hdl *h, const std::string &name) {
    char key[64] = {};
    std::strncpy(key, name.c_str(), 63);
    return static_cast<Grp *>(libss_hash_find_item(h->grp_hash, key));
}

template <class Info>
Info *info_of(libss_hash_t *t, const std::string &name) {
    char key[200] = {};
    std::strncpy(key, name.c_str(), 199);
    return static_cast<Info *>(libss_hash_find_item(t, key));
}

TEST(RegistryStress, EightThreadsOnSharedGroups) {
    ASSERT_EQ(libss_fp_cap_init_hdl_func(&g_cap), 0);
    ASSERT_EQ(libss_fp_cnt_init_hdl_func(&g_cnt), 0);
    // The dumps of all threads go to one capture.
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string own = "t" + std::to_string(t);
            for (int i = 0; i < kRounds; ++i) {
                std::string grp = "g" + std::to_string(i % kGroups);
                std::string shared = "shared" + std::to_string(i % 7);
                // Exact figures: a node per thread, and shared counters.
                g_cap.start(&g_cap, grp.c_str(), own.c_str());
                g_cap.stop(&g_cap, grp.c_str(), own.c_str());
                g_cnt.inc(&g_cnt, grp.c_str(), shared.c_str());
                g_cnt.inc(&g_cnt, grp.c_str(), own.c_str());
                if (i % 3 == 0) g_cnt.dec(&g_cnt, grp.c_str(), shared.c_str());
                // Contended figures on one node and a group that is reset.
                g_cap.start(&g_cap, "busy", "one");
                g_cap.stop(&g_cap, "busy", "one");
                g_cnt.inc(&g_cnt, "busy", shared.c_str());
                if (i % 50 == t) {
                    g_cap.reset(&g_cap, "busy");
                    g_cnt.reset(&g_cnt, "busy");
                }
                if (i % 100 == 0) {
                    g_cap.dump(&g_cap, nullptr, "FP_MOD_TCAM");
                    g_cnt.dump(&g_cnt, nullptr, "FP_MOD_TCAM");
                }
            }
        });
    }
    for (auto &th : threads) th.join();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("group: [g0]\n"), std::string::npos);

    EXPECT_EQ(g_cap.grp_num, kGroups + 1);
    EXPECT_EQ(g_cnt.grp_num, kGroups + 1);
    const int per_group = kRounds / kGroups;
    for (int gi = 0; gi < kGroups; ++gi) {
        std::string grp = "g" + std::to_string(gi);
        auto *cg = group_of<libss_fp_cap_grp_t>(&g_cap, grp);
        ASSERT_NE(cg, nullptr);
        EXPECT_EQ(cg->info_num, uint32_t(kThreads));
        for (int t = 0; t < kThreads; ++t) {
            auto *n = info_of<libss_fp_cap_info_t>(cg->cap_hash, "t" + std::to_string(t));
            ASSERT_NE(n, nullptr);
            EXPECT_EQ(n->times, per_group);
            EXPECT_EQ(n->running, 0);
            EXPECT_GE(n->total_time, 0);
        }
        auto *ng = group_of<libss_fp_cnt_grp_t>(&g_cnt, grp);
        ASSERT_NE(ng, nullptr);
        EXPECT_EQ(ng->info_num, uint32_t(kThreads + 7));
        uint64_t expect_total = 0;
        for (int t = 0; t < kThreads; ++t) {
            auto *n = info_of<libss_fp_cnt_info_t>(ng->cnt_hash, "t" + std::to_string(t));
            ASSERT_NE(n, nullptr);
            EXPECT_EQ(n->cnt, uint64_t(per_group));
            expect_total += per_group;
        }
        for (int s = 0; s < 7; ++s) {
            uint64_t expect = 0;
            for (int i = 0; i < kRounds; ++i) {
                if (i % kGroups != gi || i % 7 != s) continue;
                expect += 1;
                if (i % 3 == 0) expect -= 1;
            }
            expect *= kThreads;
            auto *n = info_of<libss_fp_cnt_info_t>(ng->cnt_hash, "shared" + std::to_string(s));
            ASSERT_NE(n, nullptr);
            EXPECT_EQ(n->cnt, expect) << s;
            expect_total += expect;
        }
        EXPECT_EQ(ng->total, expect_total);
    }
    // The reset group: the running total survives every reset.
    auto *busy = group_of<libss_fp_cnt_grp_t>(&g_cnt, "busy");
    ASSERT_NE(busy, nullptr);
    EXPECT_EQ(busy->total, uint64_t(kThreads * kRounds));
    auto *one = info_of<libss_fp_cap_info_t>(group_of<libss_fp_cap_grp_t>(&g_cap, "busy")->cap_hash, "one");
    ASSERT_NE(one, nullptr);
    EXPECT_LE(one->times, kThreads * kRounds);
    EXPECT_GE(one->total_time, 0);
}

}  // namespace
