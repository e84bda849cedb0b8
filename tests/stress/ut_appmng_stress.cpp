// Eight threads complete requests at once: all are counted, one stops and shows the run timer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fpss_test.h"
#include "ss_fp_ut_appmng.h"

namespace {

constexpr int kThreads = 8, kRounds = 300;

int32_t complete(void *req) { return ut_ss_fp_appmng_cb(static_cast<ss_fp_appmng_common_t *>(req)); }

TEST(UtAppmngStress, EveryCompletionCountsAndTheTimerStopsOnce) {
    std::strcpy(g_test_time.name, "stress"), g_test_num = kThreads * kRounds / 2;  // reached mid-run
    fpss_test::StdoutCapture cap;
    fpss_test::run_threads(kThreads, [](int t) {
        for (uint32_t i = 0; i < kRounds; ++i)
            EXPECT_EQ((t + i) % 2 ? ut_ss_fp_appmng_del_acl(complete) : ut_ss_fp_appmng_add_ace_diff(complete, i), 0);
    });
    const std::string out = cap.take(), title = "\r\n================ test stress ================";
    EXPECT_EQ(g_test_count, static_cast<uint32_t>(kThreads * kRounds));
    EXPECT_EQ(g_test_time.count, 1u);
    EXPECT_EQ(out.rfind(title, 0) + out.find(title, 1), std::string::npos) << out;  // at 0, and only there
}

}  // namespace
