// Builders and releasers of the policy resource messages: shapes, counts,
// partial failure and the accounting of every block.
#include <gtest/gtest.h>

#include <cstring>

#include "fpss_test.h"
#include "ss_fp_mem.h"
#include "ss_fp_res.h"

using fpss_test::FaultInjector;

namespace {

constexpr const char *kCaller = "tests/test_res";
constexpr const char *kLibrary = "app/libss_fp_debug";

int32_t count_of(const char *file) {
    ss_fp_mem_info_t key{};
    std::strncpy(key.file_name, file, sizeof key.file_name - 1);
    ss_fp_mem_info_t *r = ss_fp_mem_info_hash_find(&key);
    return r != nullptr ? r->count : 0;
}

template <class M>
M **outer(int n) {
    return static_cast<M **>(ss_fp_calloc(n < 1 ? 1 : n, sizeof(M *), kCaller));
}

class ResTest : public ::testing::Test {
  protected:
    void SetUp() override { fpss_test::reset_mem_stats(); }
    void TearDown() override {
        FaultInjector::reset();
        fpss_test::reset_mem_stats();
    }
    void stats_on() {
        ASSERT_EQ(ss_fp_mem_watch_init(), 0);
        malloc_free_sw = 1;
    }
};

TEST_F(ResTest, ResourceMessagesHaveTheirSlicesAndZeroFields) {
    auto **nodes = outer<SPolicy__ResNode>(2);
    ss_fp_malloc_res_node(nodes, 2, 3);
    for (int i = 0; i < 2; ++i) {
        SPolicy__ResNode *r = nodes[i];
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(r->base.descriptor->name, "s_policy.res_node");
        EXPECT_EQ(r->base.n_unknown_fields, 0u);
        EXPECT_EQ(r->total, 0u);
        EXPECT_EQ(r->used, 0u);
        EXPECT_EQ(r->slice_num, 0u);  // the stored count is n_slices only
        ASSERT_EQ(r->n_slices, 3u);
        for (int j = 0; j < 3; ++j) {
            ASSERT_NE(r->slices[j], nullptr);
            EXPECT_STREQ(r->slices[j]->base.descriptor->name, "s_policy.slice_node");
            EXPECT_EQ(r->slices[j]->entry_num + r->slices[j]->free + r->slices[j]->used, 0u);
        }
    }
    ss_fp_free_res_node(nodes, 2, 3);
}

// The descriptors stay inside the library: reach them through built messages.
TEST_F(ResTest, DescriptorsCarryTheSchemaNames) {
    auto **units = outer<SPolicy__UnitResNode>(1);
    ss_fp_malloc_unit_res_node(units, 1, 1, 1);
    auto **groups = outer<SPolicy__GroupInfoNode>(1);
    ASSERT_EQ(ss_fp_malloc_group_info(groups, 1, 1), 0);
    const ProtobufCMessageDescriptor *d[] = {units[0]->res[0]->slices[0]->base.descriptor,
                                             units[0]->res[0]->base.descriptor, units[0]->base.descriptor,
                                             groups[0]->apply_info[0]->base.descriptor, groups[0]->base.descriptor};
    const char *full[] = {"s_policy.slice_node", "s_policy.res_node", "s_policy.unit_res_node",
                          "s_policy.apply_info_node", "s_policy.group_info_node"};
    const char *shrt[] = {"SliceNode", "ResNode", "UnitResNode", "ApplyInfoNode", "GroupInfoNode"};
    const char *cname[] = {"SPolicy__SliceNode", "SPolicy__ResNode", "SPolicy__UnitResNode",
                           "SPolicy__ApplyInfoNode", "SPolicy__GroupInfoNode"};
    const unsigned fields[] = {3, 4, 2, 4, 9};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(d[i]->magic, PROTOBUF_C__MESSAGE_DESCRIPTOR_MAGIC);
        EXPECT_STREQ(d[i]->name, full[i]);
        EXPECT_STREQ(d[i]->short_name, shrt[i]);
        EXPECT_STREQ(d[i]->c_name, cname[i]);
        EXPECT_STREQ(d[i]->package_name, "s_policy");
        EXPECT_EQ(d[i]->n_fields, fields[i]);
        for (unsigned f = 0; f < d[i]->n_fields; ++f) EXPECT_EQ(d[i]->fields[f].id, f + 1);  // numbered from 1
    }
    EXPECT_STREQ(d[4]->fields[8].name, "apply_info");
    EXPECT_EQ(d[4]->fields[8].label, PROTOBUF_C_LABEL_REPEATED);
    ss_fp_free_unit_res_node(units, 1, 1, 1);
    ss_fp_free_group_info(groups, 1, 1);
}

TEST_F(ResTest, OuterCountBelowOneBuildsNothing) {
    stats_on();
    auto **nodes = outer<SPolicy__GroupInfoNode>(1);
    EXPECT_EQ(ss_fp_malloc_group_info(nodes, 0, 5), 0);
    EXPECT_EQ(nodes[0], nullptr);
    EXPECT_EQ(ss_fp_malloc_group_info(nodes, -3, 5), 0);
    int32_t before = count_of(kLibrary);
    ss_fp_free_group_info(nodes, 0, 5);  // only the outer array
    EXPECT_EQ(count_of(kLibrary), before - 1);
    EXPECT_EQ(ss_fp_malloc_group_info(nullptr, 2, 2), -1);
}

TEST_F(ResTest, InnerCountBelowOneGivesEmptyNestedArrays) {
    auto **groups = outer<SPolicy__GroupInfoNode>(1);
    ASSERT_EQ(ss_fp_malloc_group_info(groups, 1, -4), 0);
    EXPECT_EQ(groups[0]->n_apply_info, 0u);
    EXPECT_NE(groups[0]->apply_info, nullptr);
    ss_fp_free_group_info(groups, 1, -4);
}

TEST_F(ResTest, UnitReleaseMakesFifteenReleases) {
    stats_on();
    auto **nodes = outer<SPolicy__UnitResNode>(1);
    ss_fp_malloc_unit_res_node(nodes, 1, 2, 4);
    SPolicy__UnitResNode *u = nodes[0];
    ASSERT_NE(u, nullptr);
    EXPECT_STREQ(u->base.descriptor->name, "s_policy.unit_res_node");
    ASSERT_EQ(u->n_res, 2u);
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(u->res[i], nullptr);
        EXPECT_EQ(u->res[i]->n_slices, 4u);
    }
    EXPECT_EQ(count_of(kLibrary), 14);  // unit, res array, 2 x (res, slice array, 4 slices)
    ss_fp_free_unit_res_node(nodes, 1, 2, 4);
    EXPECT_EQ(count_of(kLibrary), -1);  // 15 releases: the outer array came from the caller
    EXPECT_EQ(count_of(kCaller), 1);
}

TEST_F(ResTest, BuildAndReleaseLeaveTheDebugCountOneBelow) {
    stats_on();
    auto **groups = outer<SPolicy__GroupInfoNode>(3);
    ASSERT_EQ(ss_fp_malloc_group_info(groups, 3, 2), 0);
    ss_fp_free_group_info(groups, 3, 2);
    EXPECT_EQ(count_of(kLibrary), -1);
    auto **res = outer<SPolicy__ResNode>(2);
    ss_fp_malloc_res_node(res, 2, 0);
    ss_fp_free_res_node(res, 2, 0);
    EXPECT_EQ(count_of(kLibrary), -2);
}

// group(2, 2) allocates: group 0, its array, two apply records, then the same
// for group 1. A failure at any of them leaves a structure its releaser frees
// completely (the sanitizer's leak check sees anything left).
TEST_F(ResTest, GroupBuilderFailsCleanlyAtEachAllocation) {
    for (long n = 1; n <= 8; ++n) {
        auto **groups = outer<SPolicy__GroupInfoNode>(2);
        FaultInjector::fail_nth(n);
        EXPECT_EQ(ss_fp_malloc_group_info(groups, 2, 2), 2) << n;
        FaultInjector::reset();
        EXPECT_EQ(groups[0] == nullptr, n == 1) << n;
        EXPECT_EQ(groups[1] == nullptr, n <= 5) << n;
        if (n == 4) {
            ASSERT_NE(groups[0]->apply_info, nullptr);
            EXPECT_NE(groups[0]->apply_info[0], nullptr);
            EXPECT_EQ(groups[0]->apply_info[1], nullptr);
        }
        ss_fp_free_group_info(groups, 2, 2);
    }
    auto **groups = outer<SPolicy__GroupInfoNode>(2);
    FaultInjector::fail_nth(9);
    EXPECT_EQ(ss_fp_malloc_group_info(groups, 2, 2), 0);
    FaultInjector::reset();
    ss_fp_free_group_info(groups, 2, 2);
}

TEST_F(ResTest, UnitAndResourceBuildersStopCleanlyAtEachAllocation) {
    for (long n = 1; n <= 12; ++n) {  // unit(1, 2, 3): 1 + 1 + 2 * (1 + 1 + 3) allocations
        auto **units = outer<SPolicy__UnitResNode>(1);
        FaultInjector::fail_nth(n);
        ss_fp_malloc_unit_res_node(units, 1, 2, 3);
        FaultInjector::reset();
        EXPECT_EQ(units[0] == nullptr, n == 1);
        ss_fp_free_unit_res_node(units, 1, 2, 3);
    }
    for (long n = 1; n <= 6; ++n) {  // res(2, 1): 2 * (1 + 1 + 1)
        auto **res = outer<SPolicy__ResNode>(2);
        FaultInjector::fail_nth(n);
        ss_fp_malloc_res_node(res, 2, 1);
        FaultInjector::reset();
        EXPECT_EQ(res[1] == nullptr, n <= 4);
        ss_fp_free_res_node(res, 2, 1);
    }
}

TEST_F(ResTest, ReleasersSkipNullSlotsAndNullArrays) {
    stats_on();
    auto **slices = static_cast<SPolicy__SliceNode **>(ss_fp_calloc(3, sizeof(void *), kCaller));
    ss_fp_free_slice_node(slices, 3);  // all slots null: only the array
    ss_fp_free_slice_node(nullptr, 3);
    ss_fp_free_res_node(nullptr, 2, 2);
    ss_fp_free_group_info(nullptr, 2, 2);
    ss_fp_free_unit_res_node(nullptr, 1, 1, 1);
    EXPECT_EQ(count_of(kLibrary), -1);  // one release: the array
}

}  // namespace
