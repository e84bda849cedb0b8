// Four threads count through the recent hits of the allocation records and the
// lookup caches of a counter registry, each rewriting its own name buffers
// between calls while new files grow the record table: every count lands on
// the name the buffer held at the call, exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fpss_test.h"
#include "libss_fp_cnt.h"
#include "registry_fixture.h"
#include "ss_fp_mem.h"

namespace {

constexpr int kThreads = 4, kRounds = 600;
libss_fp_cnt_hdl_t g_cnt;

TEST(CacheStress, RewrittenNameBuffersCountUnderTheirCurrentNames) {
    fpss_test::reset_mem_stats();
    ASSERT_TRUE(ss_fp_mem_watch_init() == 0 && libss_fp_cnt_init_hdl_func(&g_cnt) == 0);
    malloc_free_sw = 1;
    fpss_test::run_threads(kThreads, [](int t) {
        char file[32], grp[8], name[8];
        for (int i = 0; i < kRounds; ++i) {
            std::snprintf(file, sizeof file, "app/cache_%d", i % 2);
            std::snprintf(grp, sizeof grp, "g%d", i % 2);
            std::snprintf(name, sizeof name, "n%d", i % 3);
            ss_fp_malloc(-1, file);
            g_cnt.inc(&g_cnt, grp, name);
            if (i % 60 == 0) ss_fp_malloc(-1, ("app/grow_" + std::to_string(t) + "_" + std::to_string(i)).c_str());
        }
    });
    for (int f = 0; f < 2; ++f) {
        ss_fp_mem_info_t key{};
        std::snprintf(key.file_name, sizeof key.file_name, "app/cache_%d", f);
        EXPECT_EQ(ss_fp_mem_info_hash_find(&key)->count, kThreads * kRounds / 2);
        auto *g = fpss_test::find<libss_fp_cnt_grp_t>(g_cnt.grp_hash, "g" + std::to_string(f));
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(fpss_test::find<libss_fp_cnt_info_t>(g->cnt_hash, "n" + std::to_string(n))->cnt,
                      uint64_t{kThreads * kRounds / 6});
    }
    EXPECT_EQ(ss_fp_mem_info_hash_size(), 3u + kThreads * kRounds / 60);  // and the counter nodes' own record
    fpss_test::reset_mem_stats();
}

}  // namespace
