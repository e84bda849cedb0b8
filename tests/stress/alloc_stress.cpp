// Eight threads allocate and release from shared and private source files with
// statistics on while a ninth walks the report: the final counts are exact.
#include <gtest/gtest.h>

#include <cstring>

#include "fpss_test.h"
#include "ss_fp_mem.h"

TEST(AllocStress, WritersKeepExactCountsWhileReportsWalk) {
    constexpr int kWriters = 8, kRounds = 2000, kSizes[] = {8, 16, 24, 64, 200};
    ASSERT_TRUE(ss_fp_mem_watch_init() == 0 && ss_fp_debug_malloc_free_sw(1) == 0);
    fpss_test::StdoutCapture out;
    fpss_test::run_threads(kWriters + 1, [&](int t) {
        for (int i = 0; t == kWriters && i < 20; ++i) EXPECT_EQ(ss_fp_debug_dump_mem_use_info_all(1), 0);
        for (int i = 0; t < kWriters && i < kRounds; ++i) {
            void *shared = ss_fp_malloc(kSizes[i % 5], "app/shared");
            void *mine = ss_fp_calloc(1, kSizes[i % 5], ("app/thread_" + std::to_string(t)).c_str());
            ss_fp_free(shared, "app/shared");
            ss_fp_free(mine, i % 2 == 0 ? ("app/thread_" + std::to_string(t)).c_str() : "app/shared");
        }
    });
    std::string report = out.take();
    size_t ends = 0;  // every report ran to its end
    for (size_t at = 0; (at = report.find("====end", at + 1)) != std::string::npos;) ++ends;
    EXPECT_EQ(std::make_pair(ends, ss_fp_mem_info_hash_size()), std::make_pair(size_t(20), uint32_t(kWriters + 1)));
    for (int t = 0; t <= kWriters; ++t) {  // the last one is the shared record
        ss_fp_mem_info_t key = {};
        std::strcpy(key.file_name, t < kWriters ? ("app/thread_" + std::to_string(t)).c_str() : "app/shared");
        ss_fp_mem_info_t *r = ss_fp_mem_info_hash_find(&key);
        ASSERT_EQ(r->count, t < kWriters ? kRounds / 2 : -kWriters * kRounds / 2);
        for (int s : kSizes)
            EXPECT_EQ(ss_fp_find_size_info(r, s)->count, uint32_t(t < kWriters ? 1 : kWriters) * kRounds / 5);
    }
}
