// Eight threads driving requests whose entries complete them at once: every
// completion is counted and exactly one of them stops and shows the run timer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fpss_test.h"
#include "ss_fp_ut_appmng.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 300;
std::atomic<int> entries{0};

int32_t completing_entry(void *req) {
    auto *header = static_cast<ss_fp_appmng_common_t *>(req);
    entries.fetch_add(1, std::memory_order_relaxed);
    return header->ss_fp_appmng_cb(header);
}

TEST(UtAppmngStress, EveryCompletionCountsAndTheTimerStopsOnce) {
    std::strcpy(g_test_time.name, "stress");
    g_test_num = kThreads * kRounds / 2;  // reached in the middle of the run
    ut_ss_fp_appmng_time_start(&g_test_time);
    fpss_test::StdoutCapture cap;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kRounds; ++i) {
                int rv = (t + i) % 2 == 0 ? ut_ss_fp_appmng_add_ace_diff(completing_entry, static_cast<uint32_t>(i))
                                          : ut_ss_fp_appmng_del_acl(completing_entry);
                EXPECT_EQ(rv, 0);
            }
        });
    }
    for (std::thread &th : threads) th.join();
    const std::string out = cap.take();
    EXPECT_EQ(entries.load(), kThreads * kRounds);
    EXPECT_EQ(g_test_count, static_cast<uint32_t>(kThreads * kRounds));
    EXPECT_EQ(g_test_time.count, 1u);
    const std::string title = "\r\n================ test stress ================";
    ASSERT_EQ(out.rfind(title, 0), 0u) << out;
    EXPECT_EQ(out.find(title, 1), std::string::npos);
}

}  // namespace
