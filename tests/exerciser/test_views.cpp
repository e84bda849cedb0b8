// The exerciser's debug toggles, timers and views over application-manager
// structures that the tests build themselves.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fpss_test.h"
#include "core/list.h"
#include "libss_hash.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_debug.h"
#include "ss_fp_ut_appmng.h"

using fpss_test::StdoutCapture;

namespace {

std::string time_text(const char *name, const char *count, const char *total, const char *avg) {
    return std::string("\r\n================ test ") + name + " ================\r\ntime = " + count +
           ", total elapsed: " + total + "us\r\navg: " + avg + "us\n";
}

std::string shown(const char *name, uint32_t total, uint32_t count) {
    StdoutCapture cap;
    ut_ss_fp_appmng_time_show(name, total, count);
    return cap.take();
}

// The application manager's structures, built and released by the fixture.
class UtAppmngViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_ss_fp_appmng_debug = 0;
        root_ = static_cast<ss_fp_appmng_root_t *>(keep(std::calloc(1, sizeof(ss_fp_appmng_root_t))));
        fpss::list_init(&root_->acl_list);
    }
    void TearDown() override {
        for (void *p : blocks_) std::free(p);
    }

    void *keep(void *p) {
        blocks_.push_back(p);
        return p;
    }

    ss_fp_appmng_acl_node_t *add_acl(int32_t acl_id, int32_t app_type, int32_t acl_cls) {
        auto *n = static_cast<ss_fp_appmng_acl_node_t *>(keep(std::calloc(1, sizeof(ss_fp_appmng_acl_node_t))));
        n->acl = ss_fp_appmng_acl_t{acl_id, app_type, 3, acl_cls};
        n->ds_time = 11;
        n->ace_cnt = 1;
        n->apply_cnt = 2;
        n->is_pi = 1;
        fpss::list_init(&n->ace_list);
        fpss::list_init(&n->apply_list);
        fpss::list_add_tail(&n->link, &root_->acl_list);
        return n;
    }

    // An ACE node embedding the exerciser's ACE numbered 'sn'.
    ss_fp_appmng_ace_node_t *add_ace(ss_fp_appmng_acl_node_t *acl, uint32_t sn) {
        ss_fp_appmng_ace_t *ace = nullptr;
        ut_ss_fp_appmng_alloc_ace_diff(&ace, sn);
        const size_t len = sizeof *ace + ace->rule_len + ace->action_len;
        auto *n = static_cast<ss_fp_appmng_ace_node_t *>(keep(std::calloc(1, sizeof(ss_fp_appmng_ace_node_t) + len)));
        std::memcpy(n->ace, ace, len);
        ut_ss_fp_appmng_free_ace(ace);
        n->ace_sn = 0x100 + sn;
        n->ds_time = 5;
        n->ace_db = 6;
        n->req_uuid = 0xabc;
        n->status = 7;
        fpss::list_add_tail(&n->link, &acl->ace_list);
        return n;
    }

    ss_fp_appmng_apply_node_t *add_apply(ss_fp_appmng_acl_node_t *acl) {
        ss_fp_appmng_apply_t *apply = nullptr;
        ut_ss_fp_appmng_alloc_apply(&apply);
        const size_t len = sizeof *apply + apply->action_len + apply->rule_len;
        auto *n =
            static_cast<ss_fp_appmng_apply_node_t *>(keep(std::calloc(1, sizeof(ss_fp_appmng_apply_node_t) + len)));
        std::memcpy(n->apply, apply, len);
        ut_ss_fp_appmng_free_apply(apply);
        n->ds_time = 8;
        n->is_pi = 1;
        fpss::list_add_tail(&n->link, &acl->apply_list);
        return n;
    }

    // The acl_cls of each ACL the view printed, in order (the ACL dump prints
    // "acl_cls = <n>, acl_id = ...").
    static std::vector<int> classes_in(const std::string &out) {
        std::vector<int> v;
        for (size_t at = out.find("acl_cls = "); at != std::string::npos; at = out.find("acl_cls = ", at + 1))
            v.push_back(std::atoi(out.c_str() + at + 10));
        return v;
    }

    std::string acl_view(uint32_t app_type, int32_t acl_id) {
        StdoutCapture cap;
        ut_ss_fp_appmng_dump_acl(root_, app_type, acl_id);
        return cap.take();
    }

    ss_fp_appmng_root_t *root_ = nullptr;
    std::vector<void *> blocks_;
};

TEST_F(UtAppmngViewTest, DebugTogglesSetTheirBytes) {
    struct Pair {
        int (*on)(void);
        int (*off)(void);
        uint8_t *byte;
    } pairs[] = {{ut_ss_fp_appmng_deb, ut_ss_fp_appmng_undeb, &g_ss_fp_appmng_debug},
                 {ut_ss_fp_appmng_ds_deb, ut_ss_fp_appmng_ds_undeb, &g_ss_fp_appmng_ds_debug},
                 {ut_ss_fp_appmng_io_deb, ut_ss_fp_appmng_io_undeb, &g_ss_fp_appmng_io_debug},
                 {ut_ss_fp_appmng_counter_deb, ut_ss_fp_appmng_counter_undeb, &g_ss_fp_appmng_counter_debug},
                 {ut_ss_fp_appmng_res_deb, ut_ss_fp_appmng_res_undeb, &g_ss_fp_appmng_res_debug}};
    for (const Pair &p : pairs) {
        EXPECT_EQ(p.on(), 0);
        EXPECT_EQ(*p.byte, 1);
        EXPECT_EQ(p.off(), 0);
        EXPECT_EQ(*p.byte, 0);
    }
    ut_ss_fp_appmng_deb();
    EXPECT_EQ(g_ss_fp_appmng_ds_debug, 1);  // the main switch carries the ds byte
    ut_ss_fp_appmng_undeb();
    EXPECT_EQ(g_ss_fp_appmng_ds_debug, 0);
    EXPECT_EQ(print_buffer(), 1);
}

TEST_F(UtAppmngViewTest, TimeShowPrintsTheAverageWithTwoDecimals) {
    EXPECT_EQ(shown("t", 1005, 100), time_text("t", "100", "1005", "10.05"));
    EXPECT_EQ(shown("t", 1050, 100), time_text("t", "100", "1050", "10.50"));
    EXPECT_EQ(shown("t", 7, 1), time_text("t", "1", "7", "7.00"));
    EXPECT_EQ(shown("t", 1005, 0), "");
    EXPECT_EQ(shown(nullptr, 1005, 100), "");
}

// A total past 43 seconds overflows total * 100 in 32 bits.
TEST_F(UtAppmngViewTest, TimeShowAverageDoesNotOverflowLongRuns) {
    EXPECT_EQ(shown("long", 50000000u, 3), time_text("long", "3", "50000000", "16666666.66"));
    EXPECT_EQ(shown("max", 0xFFFFFFFFu, 1), time_text("max", "1", "4294967295", "4294967295.00"));
}

TEST_F(UtAppmngViewTest, TimeStopAccumulatesModulo32Bits) {
    ut_ss_fp_appmng_time_t t{};
    std::strcpy(t.name, "stop");
    EXPECT_EQ(ut_ss_fp_appmng_time_start(&t), t.start);
    t.start = 0xFFFFFFF0u;  // a start just before the clock word wrapped
    t.total = 5;
    StdoutCapture cap;
    ut_ss_fp_appmng_time_stop(&t, 0);
    EXPECT_EQ(cap.take(), "");
    EXPECT_EQ(t.count, 1u);
    EXPECT_EQ(t.total, static_cast<uint32_t>(5u + t.end + 16u));
    StdoutCapture cap2;
    ut_ss_fp_appmng_time_stop(&t, 1);
    const std::string out = cap2.take();
    EXPECT_EQ(t.count, 2u);
    EXPECT_EQ(out, shown("stop", t.total, 2));
}

TEST_F(UtAppmngViewTest, InitAndDumpOfTheApplicationManagersTimers) {
    std::strcpy(g_ss_fp_appmng_time.name, "all");
    g_ss_fp_appmng_time.total = 10;
    g_ss_fp_appmng_time.count = 1;
    std::strcpy(g_ss_fp_appmng_times[2].name, "two");
    g_ss_fp_appmng_times[2].total = 300;
    g_ss_fp_appmng_times[2].count = 3;
    // A title that fills its whole array is cut there, not read past.
    std::memset(g_ss_fp_appmng_times[4].name, 'x', sizeof g_ss_fp_appmng_times[4].name);
    g_ss_fp_appmng_times[4].count = 1;
    const std::string xs(100, 'x');
    StdoutCapture cap;
    ut_ss_fp_appmng_dump_time();
    EXPECT_EQ(cap.take(), time_text("all", "1", "10", "10.00") + "\r\ni = 0\r\ni = 1\r\ni = 2" +
                              time_text("two", "3", "300", "100.00") + "\r\ni = 3\r\ni = 4" +
                              time_text(xs.c_str(), "1", "0", "0.00") + "\r\ni = 5");

    g_ss_fp_appmng_times[2].start = 9;
    g_ss_fp_appmng_times[2].end = 19;
    ut_ss_fp_appmng_init_time();
    EXPECT_STREQ(g_ss_fp_appmng_time.name, "all");
    EXPECT_STREQ(g_ss_fp_appmng_times[2].name, "two");
    for (const ut_ss_fp_appmng_time_t &t : g_ss_fp_appmng_times) EXPECT_EQ(t.start + t.end + t.total + t.count, 0u);
    EXPECT_EQ(g_ss_fp_appmng_time.total + g_ss_fp_appmng_time.count, 0u);
    StdoutCapture cap2;
    ut_ss_fp_appmng_dump_time();
    EXPECT_EQ(cap2.take(), "\r\ni = 0\r\ni = 1\r\ni = 2\r\ni = 3\r\ni = 4\r\ni = 5");
}

TEST_F(UtAppmngViewTest, MemoryCountIsPrinted) {
    g_ss_fp_appmng_malloc = -3;
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_dump_memory(), 0);
    EXPECT_EQ(cap.take(), "\r\ng_ss_fp_appmng_malloc = -3");
}

TEST_F(UtAppmngViewTest, UplinkViewSkipsEmptyLists) {
    ss_fp_list_t heads[4];
    for (ss_fp_list_t &h : heads) fpss::list_init(&h);
    heads[2] = ss_fp_list_t{nullptr, nullptr};  // never set up: empty as well
    ss_fp_appmng_uplink_node_t a{}, b{}, c{};
    a.phyid = 0x07001B1E;
    a.intf_type = 1;
    a.ds_time = 2;
    a.is_pi = 1;
    b.phyid = 0x10;
    b.intf_type = -1;
    c.phyid = 0xff;
    fpss::list_add_tail(&a.link, &heads[1]);
    fpss::list_add_tail(&b.link, &heads[1]);
    fpss::list_add_tail(&c.link, &heads[3]);
    StdoutCapture cap;
    ut_ss_fp_appmng_dump_uplink(heads);
    ut_ss_fp_appmng_dump_uplink(nullptr);
    EXPECT_EQ(cap.take(),
              "\r\nuplink_type = 1[0: GLOBAL_ACL 1: IP_MAC 2: SECURITY_CHANNEL"
              "\r\n phyid:0x7001b1e, intf_type:1 ds_time:2 is_pi:1 "
              "\r\n phyid:0x10, intf_type:-1 ds_time:0 is_pi:0 "
              "\r\nuplink_type = 3[0: GLOBAL_ACL 1: IP_MAC 2: SECURITY_CHANNEL"
              "\r\n phyid:0xff, intf_type:0 ds_time:0 is_pi:0 ");
}

TEST_F(UtAppmngViewTest, AclViewSelectsByTypeAndId) {
    add_acl(1, 13, 101);
    add_acl(2, 13, 102);
    add_acl(1, 5, 103);
    add_acl(2, 13, 104);  // a second ACL with the same type and id
    EXPECT_EQ(classes_in(acl_view(0, 0)), (std::vector<int>{101, 102, 103, 104}));
    EXPECT_EQ(classes_in(acl_view(0, 2)), (std::vector<int>{101, 102, 103, 104}));
    EXPECT_EQ(classes_in(acl_view(13, 0)), (std::vector<int>{101, 102, 104}));
    EXPECT_EQ(classes_in(acl_view(13, 2)), (std::vector<int>{102, 104}));
    EXPECT_EQ(classes_in(acl_view(5, 1)), (std::vector<int>{103}));
    EXPECT_EQ(classes_in(acl_view(7, 0)), std::vector<int>{});
}

TEST_F(UtAppmngViewTest, AclViewRefusesTypesBeyondTheTable) {
    add_acl(1, 13, 101);
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_dump_acl(root_, 186, 0), -1);
    EXPECT_EQ(ut_ss_fp_appmng_dump_acl(root_, 0xFFFFFFFFu, 0), -1);
    EXPECT_EQ(cap.take(), std::string("\r\npara error. app_type range is [0, 186).\n") +
                              "\r\npara error. app_type range is [0, 186).\n");
    EXPECT_EQ(acl_view(185, 0), "\r\napp_type = 185[SS_FP_APP_TYPE_RSVD_185], acl_id = 0");
    StdoutCapture cap2;
    EXPECT_EQ(ut_ss_fp_appmng_dump_acl(nullptr, 0, 0), -1);
    EXPECT_EQ(cap2.take(), "");
}

TEST_F(UtAppmngViewTest, AclViewPrintsAclAcesAndApplies) {
    ss_fp_appmng_acl_node_t *acl = add_acl(7, 13, 1);
    ss_fp_appmng_ace_node_t *ace = add_ace(acl, 2);
    ace->byte_cnt = 1000;
    ace->ptk_cnt = 10;
    ace->byte_cnt1 = 2000;
    ace->ptk_cnt1 = 20;
    ss_fp_appmng_apply_node_t *apply = add_apply(acl);

    std::string acl_dump, ace_dump, apply_dump;
    {
        StdoutCapture cap;
        ss_fp_appmng_dump_acl(&acl->acl);
        acl_dump = cap.take();
    }
    {
        StdoutCapture cap;
        ss_fp_appmng_dump_ace(reinterpret_cast<const ss_fp_appmng_ace_t *>(ace->ace));
        ace_dump = cap.take();
    }
    {
        StdoutCapture cap;
        ss_fp_appmng_dump_apply(reinterpret_cast<const ss_fp_appmng_apply_t *>(apply->apply));
        apply_dump = cap.take();
    }
    const std::string head = "\r\n\r\n***** acl *****\r\nds_time = 11, is_pi = 1, ace_cnt = 1, apply_cnt = 2." +
                             acl_dump + "\r\n\r\n***** ace *****";
    const std::string counts =
        "ds_time = 5, is_pi = 0, byte_cnt = 1000, ptk_cnt = 10, byte_cnt1 = 2000, ptk_cnt1 = 20, ace_db:6, "
        "req_uuid:0xabc, status:7";
    const std::string tail = ace_dump + "\r\n\r\n***** apply *****\r\nds_time = 8, is_pi = 1" + apply_dump;
    EXPECT_EQ(acl_view(0, 0), "\r\napp_type = 0[SS_FP_APP_TYPE_NONE], acl_id = 0" + head +
                                  "\r\nace_sn = 0x102, " + counts + tail);
    EXPECT_EQ(acl_view(13, 7), "\r\napp_type = 13[SS_FP_APP_TYPE_IPSG], acl_id = 7" + head + "\r\n" + counts + tail);
}

TEST_F(UtAppmngViewTest, CounterViewShowsOnlyAcesWithPackets) {
    ss_fp_appmng_acl_node_t *acl = add_acl(7, 13, 1);
    ss_fp_appmng_ace_node_t *a = add_ace(acl, 1);
    ss_fp_appmng_ace_node_t *b = add_ace(acl, 2);
    ss_fp_appmng_ace_node_t *c = add_ace(acl, 3);
    a->ptk_cnt = 5;
    a->byte_cnt = 500;
    b->byte_cnt = 99;  // bytes without packets: skipped
    b->byte_cnt1 = 98;
    c->ptk_cnt1 = 2;
    c->byte_cnt1 = 200;
    ss_fp_appmng_acl_node_t *other = add_acl(8, 5, 2);
    add_ace(other, 9)->ptk_cnt = 1;
    const std::string lines =
        "\r\n[FP:]    unit:3, app_type:13[SS_FP_APP_TYPE_IPSG], acl_id = 7, ace sn:1, sub_sn:1,    match_ptk:5"
        "    match_byte:500    match_ptk1:0    match_byte1:0"
        "\r\n[FP:]    unit:3, app_type:13[SS_FP_APP_TYPE_IPSG], acl_id = 7, ace sn:3, sub_sn:3,    match_ptk:0"
        "    match_byte:0    match_ptk1:2    match_byte1:200";
    {
        StdoutCapture cap;
        ut_ss_fp_appmng_dump_ace_counter(acl);
        EXPECT_EQ(cap.take(), lines);
    }
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_dump_acl_counter(root_, 13, 0), 0);
    EXPECT_EQ(cap.take(), lines);
}

TEST_F(UtAppmngViewTest, CounterViewsNameUnknownTypesWithAQuestionMark) {
    ss_fp_appmng_acl_node_t *big = add_acl(1, 500, 1);
    ss_fp_appmng_acl_node_t *neg = add_acl(2, -1, 1);
    add_ace(big, 1)->ptk_cnt = 1;
    add_ace(neg, 1)->ptk_cnt = 1;
    StdoutCapture cap;
    ut_ss_fp_appmng_dump_acl_counter(root_, 0, 0);
    ut_ss_fp_appmng_clear_acl_counter(root_, 0, 0);
    EXPECT_EQ(cap.take(),
              "\r\n[FP:]    unit:3, app_type:500[?], acl_id = 1, ace sn:1, sub_sn:1,    match_ptk:1    match_byte:0"
              "    match_ptk1:0    match_byte1:0"
              "\r\n[FP:]    unit:3, app_type:-1[?], acl_id = 2, ace sn:1, sub_sn:1,    match_ptk:1    match_byte:0"
              "    match_ptk1:0    match_byte1:0"
              "\r\nclear unit:3, app_type:500[?], acl_id = 1 counter\r\n"
              "\r\nclear unit:3, app_type:-1[?], acl_id = 2 counter\r\n");
}

TEST_F(UtAppmngViewTest, ClearingTouchesOnlyPairsWithPackets) {
    ss_fp_appmng_acl_node_t *acl = add_acl(7, 13, 1);
    ss_fp_appmng_ace_node_t *a = add_ace(acl, 1);
    ss_fp_appmng_ace_node_t *c = add_ace(acl, 3);
    a->ptk_cnt = 5;
    a->byte_cnt = 500;
    a->byte_cnt1 = 77;  // no packets on the second pair: kept
    c->byte_cnt = 33;
    c->ptk_cnt1 = 2;
    c->byte_cnt1 = 200;
    ss_fp_appmng_acl_node_t *idle = add_acl(8, 13, 2);
    ss_fp_appmng_ace_node_t *i = add_ace(idle, 1);
    i->byte_cnt = 4;
    {
        StdoutCapture cap;
        EXPECT_EQ(ut_ss_fp_appmng_clear_acl_counter(root_, 13, 0), 0);
        EXPECT_EQ(cap.take(), "\r\nclear unit:3, app_type:13[SS_FP_APP_TYPE_IPSG], acl_id = 7 counter\r\n");
    }
    EXPECT_EQ(a->byte_cnt + a->ptk_cnt + a->ptk_cnt1, 0u);
    EXPECT_EQ(a->byte_cnt1, 77u);
    EXPECT_EQ(c->byte_cnt, 33u);
    EXPECT_EQ(c->byte_cnt1 + c->ptk_cnt1 + c->ptk_cnt, 0u);
    EXPECT_EQ(i->byte_cnt, 4u);
    StdoutCapture cap;
    ut_ss_fp_appmng_clear_ace_counter(acl);  // nothing left to clear
    EXPECT_EQ(ut_ss_fp_appmng_clear_acl_counter(nullptr, 0, 0), -1);
    EXPECT_EQ(cap.take(), "");
}

TEST_F(UtAppmngViewTest, ClearingFollowsTheSelection) {
    ss_fp_appmng_acl_node_t *x = add_acl(1, 13, 1);
    ss_fp_appmng_acl_node_t *y = add_acl(2, 13, 1);
    ss_fp_appmng_ace_node_t *ax = add_ace(x, 1);
    ss_fp_appmng_ace_node_t *ay = add_ace(y, 1);
    ax->ptk_cnt = ay->ptk_cnt = 1;
    StdoutCapture cap;
    ut_ss_fp_appmng_clear_acl_counter(root_, 13, 2);
    EXPECT_EQ(cap.take(), "\r\nclear unit:3, app_type:13[SS_FP_APP_TYPE_IPSG], acl_id = 2 counter\r\n");
    EXPECT_EQ(ax->ptk_cnt, 1u);
    EXPECT_EQ(ay->ptk_cnt, 0u);
}

uint32_t node_hash(void *item) { return static_cast<ss_fp_appmng_service_dm_node_t *>(item)->service_out; }
int node_cmp(void *item, void *key) {
    return static_cast<ss_fp_appmng_service_dm_node_t *>(item)->service_out !=
           static_cast<ss_fp_appmng_service_dm_node_t *>(key)->service_out;
}

TEST_F(UtAppmngViewTest, ServiceViewPrintsEveryNode) {
    libss_hash_t *h = libss_create_hash(4, node_hash, node_cmp);  // 5 buckets
    ASSERT_NE(h, nullptr);
    ss_fp_appmng_service_dm_node_t n[] = {{1, 100, 7}, {2, 200, 8}, {3, 0xFFFFFFFFu, 9}};
    const std::string heading = "\n-----------------service_out-dm_node-hash------------------------\n\n";
    {
        StdoutCapture cap;
        EXPECT_EQ(ut_ss_fp_appmng_dump_service_dm_hash(h), 0);
        EXPECT_EQ(cap.take(), heading);
    }
    for (auto &node : n) ASSERT_EQ(libss_hash_insert_item(h, &node), 0);
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_dump_service_dm_hash(h), 0);
    EXPECT_EQ(ut_ss_fp_appmng_dump_service_dm_hash(nullptr), -1);
    EXPECT_EQ(cap.take(), heading + "[service_out = 1]---[service_in = 100]----[dm_node = 7]\n"
                                    "[service_out = 2]---[service_in = 200]----[dm_node = 8]\n"
                                    "[service_out = 3]---[service_in = -1]----[dm_node = 9]\n");
    for (auto &node : n) libss_hash_del_item(h, &node);
    libss_destroy_hash(h);
}

}  // namespace
