// Service ids: issue and roll-back rules, the state of an inbound id through
// allocation, receipt and verification, lookups both ways, the walk, the dump
// byte for byte, the notices and assertions, and every allocation failure.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "fpss_test.h"
#include "ss_fp_mem.h"
#include "ss_fp_report.h"
#include "ss_fp_service.h"

using fpss_test::FaultInjector;
using fpss_test::StdoutCapture;

namespace {

constexpr const char *kTag = "app/ss_fp_service";

std::string notice(const char *func, const char *text) {
    return std::string("\n !!!!!!!!Notice ") + func + "\\[\\d+\\]:" + text;
}

class ServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fpss_test::reset_mem_stats();
        FaultInjector::reset();
        fp_debug_sw = 0;
        ASSERT_EQ(libss_fp_alloc_service_hdl(&h_), 0);
        ASSERT_NE(h_, nullptr);
    }
    void TearDown() override {
        FaultInjector::reset();
        if (h_ != nullptr) EXPECT_EQ(libss_fp_free_service_hdl(h_), 0);
    }

    uint32_t in(const ss_fp_service_para_t *para = nullptr) {
        uint32_t id = 0;
        EXPECT_EQ(libss_fp_alloc_service_id_in(h_, para, &id), 0);
        return id;
    }
    uint32_t out(uint32_t id_in) {
        uint32_t id = 0;
        EXPECT_EQ(libss_fp_alloc_service_id_out(h_, id_in, &id), 0);
        return id;
    }
    uint32_t state(uint32_t id_in) {
        uint32_t s = 99;
        EXPECT_EQ(libss_fp_get_service_id_info(h_, id_in, &s, nullptr), 0);
        return s;
    }
    static ss_fp_service_in_node_t *node_of(ss_fp_service_hdl_t *h, uint32_t id_in) {
        struct Find {
            uint32_t id;
            ss_fp_service_in_node_t *node;
        } f{id_in, nullptr};
        libss_fp_travel_all_service_id_in(
            h,
            [](ss_fp_service_in_node_t *n, uint64_t arg) {
                auto *f = reinterpret_cast<Find *>(arg);
                if (n->serv_id_in != f->id) return 0;
                f->node = n;
                return 1;
            },
            reinterpret_cast<uint64_t>(&f));
        return f.node;
    }

    ss_fp_service_hdl_t *h_ = nullptr;
};

TEST_F(ServiceTest, IdsStartAtOneAndCountSeparately) {
    EXPECT_EQ(in(), 1u);
    EXPECT_EQ(in(), 2u);
    EXPECT_EQ(out(2), 1u);
    EXPECT_EQ(out(1), 2u);
    EXPECT_EQ(h_->service_id_in_num, 2u);
    EXPECT_EQ(h_->service_id_out_num, 2u);
    uint32_t back = 0;
    EXPECT_EQ(libss_fp_get_service_id_in(h_, 1, &back), 0);
    EXPECT_EQ(back, 2u);
}

TEST_F(ServiceTest, IdsWrapToOneAndSkipIdsStillLive) {
    h_->last_id_in = 0xFFFFFFFEu;
    EXPECT_EQ(in(), 0xFFFFFFFFu);
    EXPECT_EQ(in(), 1u);  // 0 is never issued
    // 1 and 2 are live: after the next wrap both are passed over.
    EXPECT_EQ(in(), 2u);
    h_->last_id_in = 0xFFFFFFFFu;
    EXPECT_EQ(in(), 3u);
    h_->last_id_out = 0xFFFFFFFFu;
    EXPECT_EQ(out(1), 1u);
    h_->last_id_out = 0;
    EXPECT_EQ(out(1), 2u);
    EXPECT_EQ(h_->service_id_in_num, 4u);
    // Every live id is reachable.
    for (uint32_t id : {0xFFFFFFFFu, 1u, 2u, 3u}) EXPECT_NE(node_of(h_, id), nullptr) << id;
}

TEST_F(ServiceTest, StateThroughReceiptsAndVerification) {
    uint32_t a = in();
    EXPECT_EQ(state(a), uint32_t(SS_FP_SERVICE_STATE_NEW));
    uint32_t o1 = out(a), o2 = out(a);
    EXPECT_EQ(state(a), uint32_t(SS_FP_SERVICE_STATE_OUT));
    EXPECT_EQ(libss_fp_set_service_id_out_recv(h_, o1), 0);
    EXPECT_EQ(libss_fp_free_service_id_out(h_, o2), 0);  // a freed id counts as received
    EXPECT_EQ(state(a), uint32_t(SS_FP_SERVICE_STATE_OUT));
    EXPECT_EQ(libss_fp_verify_service_id_in(h_, a, nullptr, 0), 0);
    EXPECT_EQ(state(a), uint32_t(SS_FP_SERVICE_STATE_DONE));

    uint32_t b = in();
    uint32_t p1 = out(b), p2 = out(b);
    EXPECT_EQ(libss_fp_set_service_id_out_recv(h_, p1), 0);
    EXPECT_EQ(libss_fp_verify_service_id_in(h_, b, nullptr, 0), 0);
    EXPECT_EQ(state(b), uint32_t(SS_FP_SERVICE_STATE_WAIT));
    EXPECT_EQ(libss_fp_set_service_id_out_recv(h_, p2), 0);
    EXPECT_EQ(state(b), uint32_t(SS_FP_SERVICE_STATE_DONE));
    ss_fp_service_in_node_t *nb = node_of(h_, b);
    EXPECT_EQ(nb->serv_out, 2u);
    EXPECT_EQ(nb->out_recv, 2u);
    EXPECT_EQ(h_->service_id_out_num, 0u);

    // Without outbound ids a verification completes at once.
    uint32_t c = in();
    EXPECT_EQ(libss_fp_verify_service_id_in(h_, c, nullptr, 0), 0);
    EXPECT_EQ(state(c), uint32_t(SS_FP_SERVICE_STATE_DONE));
}

TEST_F(ServiceTest, VerifyCallsItsFunctionOutsideTheMutex) {
    static ss_fp_service_hdl_t *g_h;
    static uint32_t g_seen_id, g_seen_arg, g_new_out;
    g_h = h_;
    uint32_t a = in();
    int rc = libss_fp_verify_service_id_in(
        h_, a,
        [](uint32_t id, uint32_t arg) {
            g_seen_id = id;
            g_seen_arg = arg;
            // Re-entering the registry on the same handle does not deadlock.
            return libss_fp_alloc_service_id_out(g_h, id, &g_new_out) == 0 ? 42 : -5;
        },
        77);
    EXPECT_EQ(rc, 42);
    EXPECT_EQ(g_seen_id, a);
    EXPECT_EQ(g_seen_arg, 77u);
    EXPECT_EQ(state(a), uint32_t(SS_FP_SERVICE_STATE_OUT));
    EXPECT_EQ(libss_fp_verify_service_id_in(h_, 999, [](uint32_t, uint32_t) { return 5; }, 0), -1);
}

TEST_F(ServiceTest, FreeingAnInboundIdFreesItsOutboundIds) {
    uint32_t a = in(), keep = in();
    uint32_t o[3] = {out(a), out(a), out(a)};
    uint32_t other = out(keep);
    EXPECT_EQ(h_->service_id_out_num, 4u);
    EXPECT_EQ(libss_fp_free_service_id_in(h_, a), 0);
    EXPECT_EQ(h_->service_id_out_num, 1u);
    EXPECT_EQ(h_->service_id_in_num, 1u);
    uint32_t back = 12345;
    for (uint32_t id : o) EXPECT_EQ(libss_fp_get_service_id_in(h_, id, &back), -1);
    EXPECT_EQ(back, 12345u);
    EXPECT_EQ(libss_fp_get_service_id_in(h_, other, &back), 0);
    EXPECT_EQ(back, keep);
    EXPECT_EQ(libss_fp_set_service_id_out_recv(h_, o[0]), -1);
    EXPECT_EQ(libss_fp_free_service_id_in(h_, a), 0);  // unregistered: still 0
}

TEST_F(ServiceTest, ParametersAreCopiedIntoTheNode) {
    uint32_t bare = in();
    ss_fp_service_para_t got{1, 2, &got};
    EXPECT_EQ(libss_fp_get_service_id_info(h_, bare, nullptr, &got), 0);
    EXPECT_EQ(got.user_data, 0u);
    EXPECT_EQ(got.paralen, 0u);
    EXPECT_EQ(got.para, nullptr);

    char bytes[] = "acl 7 port 3";
    ss_fp_service_para_t para{0xABCDEF0123456789ull, sizeof bytes, bytes};
    uint32_t a = in(&para);
    std::memset(bytes, 'x', sizeof bytes);  // the caller's buffer may go away
    uint32_t s = 99;
    EXPECT_EQ(libss_fp_get_service_id_info(h_, a, &s, &got), 0);
    EXPECT_EQ(s, 0u);
    EXPECT_EQ(got.user_data, 0xABCDEF0123456789ull);
    ASSERT_EQ(got.paralen, sizeof bytes);
    EXPECT_EQ(std::memcmp(got.para, "acl 7 port 3", sizeof bytes), 0);
    EXPECT_EQ(got.para, node_of(h_, a)->para);

    ss_fp_service_para_t unknown{5, 5, nullptr};
    EXPECT_EQ(libss_fp_get_service_id_info(h_, 999, &s, &unknown), -1);
    EXPECT_EQ(unknown.user_data, 5u);
}

TEST_F(ServiceTest, BadParameterRecordsAreRefusedUnharmed) {
    ss_fp_service_para_t no_bytes{0, 16, nullptr};
    ss_fp_service_para_t huge{0, 0xFFFFFFF0u, &no_bytes};
    uint32_t id = 0;
    EXPECT_EQ(libss_fp_alloc_service_id_in(h_, &no_bytes, &id), -1);
    EXPECT_EQ(libss_fp_alloc_service_id_in(h_, &huge, &id), -1);
    EXPECT_EQ(libss_fp_alloc_service_id_in(h_, nullptr, nullptr), -1);
    EXPECT_EQ(h_->service_id_in_num, 0u);
    EXPECT_EQ(in(), 1u);  // no id was used up
}

TEST_F(ServiceTest, UnregisteredIdsGiveNotices) {
    fp_debug_sw = SS_FP_DBG_FLAG_NOTICE;
    uint32_t id = 0;
    StdoutCapture cap;
    EXPECT_EQ(libss_fp_alloc_service_id_out(h_, 5, &id), -1);
    EXPECT_EQ(id, 1u);  // the issued id is used up
    EXPECT_EQ(libss_fp_set_service_id_out_recv(h_, 9), -1);
    EXPECT_EQ(libss_fp_free_service_id_out(h_, 9), -1);
    EXPECT_EQ(libss_fp_get_service_id_in(h_, 9, &id), -1);
    EXPECT_EQ(libss_fp_get_service_id_info(h_, 9, nullptr, nullptr), -1);
    EXPECT_EQ(libss_fp_verify_service_id_in(h_, 9, nullptr, 0), -1);
    EXPECT_EQ(libss_fp_free_service_id_in(h_, 9), 0);
    std::string text = cap.take();
    std::string expect = notice("libss_fp_alloc_service_id_out", "libss_fp_find_service_in_node failed") +
                         notice("libss_fp_set_service_id_out_recv", "libss_fp_find_service_out_node failed") +
                         notice("libss_fp_set_service_id_out_recv", "libss_fp_find_service_out_node failed") +
                         notice("libss_fp_get_service_id_in", "libss_fp_find_service_out_node failed") +
                         notice("libss_fp_get_service_id_info", "libss_fp_find_service_in_node failed") +
                         notice("libss_fp_verify_service_id_in", "libss_fp_find_service_in_node failed") +
                         notice("libss_fp_free_service_id_in", "libss_fp_find_service_in_node failed");
    EXPECT_TRUE(std::regex_match(text, std::regex(expect))) << text;
    uint32_t a = in();
    EXPECT_EQ(out(a), 2u);
}

TEST_F(ServiceTest, NullHandleAssertsAndTouchesNothing) {
    fp_debug_sw = SS_FP_DBG_FLAG_ASSERT;
    uint32_t id = 0;
    StdoutCapture cap;
    EXPECT_EQ(libss_fp_alloc_service_id_in(nullptr, nullptr, &id), -1);
    EXPECT_EQ(libss_fp_alloc_service_id_out(nullptr, 1, &id), -1);
    EXPECT_EQ(libss_fp_set_service_id_out_recv(nullptr, 1), -1);
    EXPECT_EQ(libss_fp_get_service_id_in(nullptr, 1, &id), -1);
    EXPECT_EQ(libss_fp_get_service_id_info(nullptr, 1, nullptr, nullptr), -1);
    EXPECT_EQ(libss_fp_verify_service_id_in(nullptr, 1, nullptr, 0), -1);
    EXPECT_EQ(libss_fp_travel_all_service_id_in(nullptr, [](ss_fp_service_in_node_t *, uint64_t) { return 0; }, 0), -1);
    EXPECT_EQ(libss_fp_free_service_id_in(nullptr, 1), 0);
    EXPECT_EQ(libss_fp_service_dump(nullptr), 0);
    EXPECT_EQ(libss_fp_free_service_hdl(nullptr), 0);
    std::string text = cap.take();
    std::string one = R"(ASSERT fail! - app/ss_fp_service\.cpp: \d+\.\nservice_hdl != NULL\.)";
    std::string all;
    for (int i = 0; i < 10; ++i) all += one;
    EXPECT_TRUE(std::regex_match(text, std::regex(all))) << text;
    EXPECT_EQ(id, 0u);
}

TEST_F(ServiceTest, WalkStopsAtTheFirstNonZeroResult) {
    for (int i = 0; i < 5; ++i) in();
    static int g_visits;
    g_visits = 0;
    auto counter = [](ss_fp_service_in_node_t *, uint64_t stop_at) {
        return ++g_visits == static_cast<int>(stop_at) ? 9 : 0;
    };
    EXPECT_EQ(libss_fp_travel_all_service_id_in(h_, counter, 100), 0);
    EXPECT_EQ(g_visits, 5);
    g_visits = 0;
    EXPECT_EQ(libss_fp_travel_all_service_id_in(h_, counter, 2), 9);
    EXPECT_EQ(g_visits, 2);
}

TEST_F(ServiceTest, DumpPrintsCountsNodesAndOutboundIdsNewestFirst) {
    StdoutCapture empty;
    EXPECT_EQ(libss_fp_service_dump(h_), 0);
    EXPECT_EQ(empty.take(), "\r\nservice_id_in num = 0, service_id_out_num=0\r\n");

    char bytes[3] = {1, 2, 3};
    ss_fp_service_para_t para{0, 3, bytes};
    uint32_t a = in(&para);
    uint32_t o1 = out(a), o2 = out(a);
    EXPECT_EQ(libss_fp_set_service_id_out_recv(h_, o1), 0);
    uint32_t o3 = out(a);
    EXPECT_EQ(libss_fp_verify_service_id_in(h_, a, nullptr, 0), 0);
    ss_fp_service_in_node_t *n = node_of(h_, a);
    auto *first = reinterpret_cast<ss_fp_service_out_node_t *>(n->service_out_list.next);
    auto *second = reinterpret_cast<ss_fp_service_out_node_t *>(n->service_out_list.next->next);
    ASSERT_EQ(first->serv_out_id, o3);
    ASSERT_EQ(second->serv_out_id, o2);
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "\r\nservice_id_in num = 1, service_id_out_num=2\r\n"
                  "\r\n(%p)serv_id_in=0x1,serv_out=0x3,out_recv=0x1,state=3,paralen=0x3"
                  "\r\n(%p)serv_out_id=0x3, serv_in_id=0x1"
                  "\r\n(%p)serv_out_id=0x2, serv_in_id=0x1",
                  static_cast<void *>(n), static_cast<void *>(first), static_cast<void *>(second));
    StdoutCapture cap;
    EXPECT_EQ(libss_fp_service_dump(h_), 0);
    EXPECT_EQ(cap.take(), buf);
}

TEST_F(ServiceTest, HandleCreationFailuresLeaveNothingBehind) {
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    malloc_free_sw = 1;
    ss_fp_free(ss_fp_malloc(sizeof(ss_fp_service_hdl_t), kTag), kTag);  // the statistics records exist
    ss_fp_mem_info_t key{};
    std::strcpy(key.file_name, kTag);
    ss_fp_mem_info_t *rec = ss_fp_mem_info_hash_find(&key);
    ASSERT_NE(rec, nullptr);
    fp_debug_sw = SS_FP_DBG_FLAG_NOTICE;
    // 1: the handle; 2-4: the inbound table; 5-7: the outbound table.
    for (int k = 1; k <= 7; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k));
        int32_t live = rec->count;
        ss_fp_service_hdl_t *h = reinterpret_cast<ss_fp_service_hdl_t *>(0x1);
        StdoutCapture cap;
        FaultInjector::fail_nth(k);
        EXPECT_EQ(libss_fp_alloc_service_hdl(&h), -12);
        FaultInjector::reset();
        std::string text = cap.take();
        EXPECT_EQ(h, reinterpret_cast<ss_fp_service_hdl_t *>(0x1));
        const char *why = k == 1 ? "SS_FP_MALLOC fail" : "libss_create_hash fail";
        EXPECT_TRUE(std::regex_match(text, std::regex(notice("libss_fp_alloc_service_hdl", why)))) << text;
        // The failed handle call is counted; a made handle was released again.
        EXPECT_EQ(rec->count, k == 1 ? live + 1 : live);
    }
}

TEST_F(ServiceTest, IdAllocationFailuresRollTheCounterBack) {
    fp_debug_sw = SS_FP_DBG_FLAG_NOTICE;
    uint32_t a = in();
    struct Case {
        int nth;
        int rc;
        const char *inner;
        const char *text;
    };
    // 1: the node; 2: the table link.
    const Case in_cases[] = {{1, -1, "libss_fp_add_service_in_node", "libss_fp_alloc_service_in_node fail"},
                             {2, -12, "libss_fp_add_service_in_node", "libss_hash_insert_item fail"}};
    for (const Case &c : in_cases) {
        uint32_t id = 0;
        StdoutCapture cap;
        FaultInjector::fail_nth(c.nth);
        EXPECT_EQ(libss_fp_alloc_service_id_in(h_, nullptr, &id), c.rc);
        FaultInjector::reset();
        EXPECT_TRUE(std::regex_match(cap.take(), std::regex(notice(c.inner, c.text) +
                                                            notice("libss_fp_alloc_service_id_in",
                                                                   "libss_fp_add_service_in_node failed"))));
        EXPECT_EQ(id, 2u);  // the failed id is reported
        EXPECT_EQ(h_->last_id_in, 1u);
        EXPECT_EQ(h_->service_id_in_num, 1u);
    }
    const Case out_cases[] = {{1, -12, "libss_fp_add_service_out_node", "libss_fp_alloc_service_out_node failed"},
                              {2, -12, "libss_fp_add_service_out_node", "libss_hash_insert_item failed"}};
    for (const Case &c : out_cases) {
        uint32_t id = 0;
        StdoutCapture cap;
        FaultInjector::fail_nth(c.nth);
        EXPECT_EQ(libss_fp_alloc_service_id_out(h_, a, &id), c.rc);
        FaultInjector::reset();
        EXPECT_TRUE(std::regex_match(cap.take(), std::regex(notice(c.inner, c.text) +
                                                            notice("libss_fp_alloc_service_id_out",
                                                                   "libss_fp_add_service_out_node failed"))));
        EXPECT_EQ(id, 1u);
        EXPECT_EQ(h_->last_id_out, 0u);
        EXPECT_EQ(h_->service_id_out_num, 0u);
        EXPECT_EQ(state(a), uint32_t(SS_FP_SERVICE_STATE_NEW));
    }
    fp_debug_sw = 0;
    EXPECT_EQ(in(), 2u);
    EXPECT_EQ(out(a), 1u);
}

TEST_F(ServiceTest, FreeingTheHandleReleasesEveryNode) {
    ASSERT_EQ(libss_fp_free_service_hdl(h_), 0);
    ASSERT_EQ(ss_fp_mem_watch_init(), 0);
    malloc_free_sw = 1;
    ASSERT_EQ(libss_fp_alloc_service_hdl(&h_), 0);
    for (int i = 0; i < 50; ++i) {
        uint32_t a = in();
        for (int j = 0; j < i % 4; ++j) out(a);
    }
    ASSERT_EQ(libss_fp_free_service_hdl(h_), 0);
    h_ = nullptr;
    ss_fp_mem_info_t key{};
    std::strcpy(key.file_name, kTag);
    EXPECT_EQ(ss_fp_mem_info_hash_find(&key)->count, 0);
}

}  // namespace
