// Eight threads allocating and releasing from shared and private source files
// with statistics on: the final per-file and per-size counts are exact.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ss_fp_mem.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 2000;
const int kSizes[] = {8, 16, 24, 64, 200};

ss_fp_mem_info_t *rec(const std::string &file) {
    ss_fp_mem_info_t key{};
    std::strncpy(key.file_name, file.c_str(), sizeof key.file_name - 1);
    return ss_fp_mem_info_hash_find(&key);
}

TEST(AllocStress, EightThreadsKeepExactCounts) {
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    ss_fp_debug_malloc_free_sw(1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string own = "app/thread_" + std::to_string(t);
            for (int i = 0; i < kRounds; ++i) {
                int size = kSizes[i % 5];
                void *shared = ss_fp_malloc(size, "app/shared");
                void *mine = ss_fp_calloc(1, size, own.c_str());
                ss_fp_free(shared, "app/shared");
                if (i % 2 == 0) ss_fp_free(mine, own.c_str());
                else ss_fp_free(mine, "app/shared");
            }
        });
    }
    // A reader walking the report while the writers run.
    std::thread reader([] {
        for (int i = 0; i < 20; ++i) {
            testing::internal::CaptureStdout();
            ss_fp_debug_dump_mem_use_info_all(1);
            testing::internal::GetCapturedStdout();
        }
    });
    for (auto &th : threads) th.join();
    reader.join();

    ss_fp_mem_info_t *shared = rec("app/shared");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->count, kThreads * kRounds * 1 - kThreads * (kRounds + kRounds / 2));
    for (int s : kSizes) EXPECT_EQ(ss_fp_find_size_info(shared, s)->count, uint32_t(kThreads * kRounds / 5));
    for (int t = 0; t < kThreads; ++t) {
        ss_fp_mem_info_t *own = rec("app/thread_" + std::to_string(t));
        ASSERT_NE(own, nullptr);
        EXPECT_EQ(own->count, kRounds / 2);
        for (int s : kSizes) EXPECT_EQ(ss_fp_find_size_info(own, s)->count, uint32_t(kRounds / 5));
    }
    EXPECT_EQ(ss_fp_mem_info_hash_size(), uint32_t(kThreads + 1));
}

}  // namespace
