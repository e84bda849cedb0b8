// The tracked allocator: counting rules, the report forms, the switch command
// and allocation failures at every step of a counted call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fpss_test.h"
#include "ss_fp_mem.h"

using fpss_test::FaultInjector;
using fpss_test::StdoutCapture;

namespace {

constexpr const char *kFile = "app/libss_fp_cap_mon";

std::string file_line(const char *name, int count) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "[%-120s]: %d\n", name, count);
    return buf;
}

class AllocTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fpss_test::reset_mem_stats();
        ASSERT_EQ(ss_fp_mem_watch_init(), 0);
        malloc_free_sw = 1;
    }
    void TearDown() override {
        FaultInjector::reset();
        fpss_test::reset_mem_stats();
    }
    static ss_fp_mem_info_t *rec(const char *file) {
        ss_fp_mem_info_t key{};
        std::strncpy(key.file_name, file, sizeof key.file_name - 1);
        return ss_fp_mem_info_hash_find(&key);
    }
    static std::string report(uint32_t detail) {
        StdoutCapture out;
        EXPECT_EQ(ss_fp_debug_dump_mem_use_info_all(detail), 0);
        return out.take();
    }
};

TEST_F(AllocTest, StatisticsOffGiveZeroedBlocksAndNoRecords) {
    malloc_free_sw = 0;
    auto *p = static_cast<unsigned char *>(ss_fp_malloc(16, kFile));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
    auto *q = static_cast<unsigned char *>(ss_fp_calloc(4, 8, kFile));
    ASSERT_NE(q, nullptr);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(q[i], 0);
    ss_fp_free(p, kFile);
    ss_fp_free(q, kFile);
    EXPECT_EQ(ss_fp_mem_info_hash_size(), 0u);
}

TEST_F(AllocTest, ReportShowsFileCountsAndSizesLargestFirst) {
    void *a = ss_fp_malloc(32, kFile);
    void *b = ss_fp_malloc(32, kFile);
    void *c = ss_fp_malloc(8, kFile);
    ss_fp_free(a, kFile);
    EXPECT_EQ(report(1), "====begin ss_fp_debug_dump_mem_use_info====\n" + file_line(kFile, 2) +
                             "\t>>[size_32(Byte)]: 2\n\t>>[size_8(Byte)]: 1\n"
                             "====end ss_fp_debug_dump_mem_use_info====\n");
    EXPECT_EQ(report(0), "====begin ss_fp_debug_dump_mem_use_info====\n" + file_line(kFile, 2) +
                             "====end ss_fp_debug_dump_mem_use_info====\n");
    ss_fp_free(b, kFile);
    ss_fp_free(c, kFile);
}

TEST_F(AllocTest, SizeListStaysOrderedAndUnique) {
    const int sizes[] = {8, 64, 8, 16, 128, -4, 64, 0};
    for (int s : sizes) ss_fp_free(ss_fp_malloc(s, kFile), kFile);
    ss_fp_free(ss_fp_calloc(3, 16, kFile), kFile);  // counted under the element size
    ss_fp_mem_info_t *r = rec(kFile);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->count, 0);
    std::string expected = "====begin ss_fp_debug_dump_mem_use_info====\n" + file_line(kFile, 0);
    for (auto [size, count] : {std::pair{128, 1}, {64, 2}, {16, 2}, {8, 2}, {0, 1}, {-4, 1}})
        expected += "\t>>[size_" + std::to_string(size) + "(Byte)]: " + std::to_string(count) + "\n";
    EXPECT_EQ(report(1), expected + "====end ss_fp_debug_dump_mem_use_info====\n");
}

TEST_F(AllocTest, ReleasesCountDownAndMayGoNegative) {
    ss_fp_free(nullptr, "app/only_frees");
    ss_fp_mem_info_t *r = rec("app/only_frees");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->count, -1);
    EXPECT_EQ(r->size_list.next, &r->size_list);  // releases touch no size record
}

TEST_F(AllocTest, FileNamesThatDoNotFitAreNotCounted) {
    std::string n79(79, 'a'), n80(80, 'b');
    ss_fp_free(ss_fp_malloc(4, n79.c_str()), n79.c_str());
    ss_fp_free(ss_fp_malloc(4, n80.c_str()), n80.c_str());
    ss_fp_free(ss_fp_malloc(4, nullptr), nullptr);
    EXPECT_NE(rec(n79.c_str()), nullptr);
    EXPECT_EQ(ss_fp_mem_info_hash_size(), 1u);
}

TEST_F(AllocTest, BadSizesFailButAreCounted) {
    EXPECT_EQ(ss_fp_malloc(-1, kFile), nullptr);
    EXPECT_EQ(ss_fp_calloc(-2, 8, kFile), nullptr);
    EXPECT_EQ(ss_fp_calloc(2, -8, kFile), nullptr);
    EXPECT_EQ(ss_fp_calloc(0x7fffffff, 0x7fffffff, kFile), nullptr);  // far beyond memory, no wrap
    ss_fp_mem_info_t *r = rec(kFile);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->count, 4);
    EXPECT_NE(ss_fp_find_size_info(r, -1), nullptr);
    EXPECT_NE(ss_fp_find_size_info(r, -8), nullptr);
    EXPECT_EQ(ss_fp_find_size_info(r, 8)->count, 1u);
}

TEST_F(AllocTest, SwitchCommandPrintsAndStores) {
    StdoutCapture out;
    EXPECT_EQ(ss_fp_debug_malloc_free_sw(2), 0);
    EXPECT_EQ(malloc_free_sw, 2);
    EXPECT_EQ(ss_fp_debug_malloc_free_sw(0), 0);
    EXPECT_EQ(malloc_free_sw, 0);
    EXPECT_EQ(out.take(), "malloc_free_sw opened.\nmalloc_free_sw closed.\n");
    ss_fp_free(ss_fp_malloc(4, kFile), kFile);
    EXPECT_EQ(rec(kFile), nullptr);  // off: nothing counted
}

TEST_F(AllocTest, CountsResumeAfterTheSwitchComesBack) {
    void *p = ss_fp_malloc(4, kFile);
    malloc_free_sw = 0;
    void *q = ss_fp_malloc(4, kFile);
    ss_fp_free(p, kFile);
    malloc_free_sw = 1;
    ss_fp_free(q, kFile);  // a block made while off drives the count below the live blocks
    EXPECT_EQ(rec(kFile)->count, 0);
    EXPECT_EQ(ss_fp_find_size_info(rec(kFile), 4)->count, 1u);
}

TEST_F(AllocTest, RecordReportAloneAndNullDetail) {
    ss_fp_free(ss_fp_malloc(12, kFile), kFile);
    StdoutCapture out;
    uint32_t detail = 1;
    EXPECT_EQ(ss_fp_debug_dump_mem_use_info(rec(kFile), &detail), 0);
    EXPECT_EQ(ss_fp_debug_dump_mem_use_info(rec(kFile), nullptr), 0);
    EXPECT_EQ(out.take(), file_line(kFile, 0) + "\t>>[size_12(Byte)]: 1\n" + file_line(kFile, 0));
}

TEST(AllocBeforeStartUp, ReportRefusesAndNothingIsCounted) {
    fpss_test::reset_mem_stats();
    malloc_free_sw = 1;
    ss_fp_free(ss_fp_malloc(8, kFile), kFile);
    StdoutCapture out;
    EXPECT_EQ(ss_fp_debug_dump_mem_use_info_all(1), -1);
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(ss_fp_mem_info_list, nullptr);
    malloc_free_sw = 0;
}

// One counted first call makes up to five system allocations: the block, the
// record, the table's flags and slots, the size record. Each may fail.
TEST_F(AllocTest, FailureAtEachAllocationOfACountedCall) {
    struct Case {
        long fail;
        bool block;
        int count;        // the file's count afterwards (-100: no record)
        bool size_record;
    };
    const Case cases[] = {{1, false, 1, true}, {2, true, -100, false}, {3, true, -100, false},
                          {4, true, -100, false}, {5, true, 1, false}};
    for (const Case &c : cases) {
        std::string file = "app/fault_" + std::to_string(c.fail);
        fpss_test::reset_mem_stats();  // each case starts without a table layout
        ASSERT_EQ(ss_fp_mem_watch_init(), 0);
        malloc_free_sw = 1;
        FaultInjector::fail_nth(c.fail);
        void *p = ss_fp_malloc(24, file.c_str());
        FaultInjector::reset();
        EXPECT_EQ(p != nullptr, c.block) << c.fail;
        ss_fp_mem_info_t *r = rec(file.c_str());
        if (c.count == -100) {
            EXPECT_EQ(r, nullptr) << c.fail;
        } else {
            ASSERT_NE(r, nullptr) << c.fail;
            EXPECT_EQ(r->count, c.count);
            EXPECT_EQ(ss_fp_find_size_info(r, 24) != nullptr, c.size_record) << c.fail;
        }
        // Still usable: the next call counts as usual.
        void *q = ss_fp_malloc(24, file.c_str());
        r = rec(file.c_str());
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->count, c.count == -100 ? 1 : c.count + 1);
        EXPECT_NE(ss_fp_find_size_info(r, 24), nullptr);
        ss_fp_free(p, file.c_str());
        ss_fp_free(q, file.c_str());
    }
}

}  // namespace
