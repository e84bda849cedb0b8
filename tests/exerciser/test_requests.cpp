// The exerciser's requests: every byte an entry receives, what each operation
// prints with debug off and on, the completion callback and the run timer,
// and allocation failures of the builders.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fpss_test.h"
#include "ss_fp_appmng.h"
#include "ss_fp_appmng_dump.h"
#include "ss_fp_debug.h"
#include "ss_fp_ut_appmng.h"

using fpss_test::FaultInjector;
using fpss_test::StdoutCapture;
using Bytes = std::vector<uint8_t>;

namespace {

// What the entry of a test saw: the request and the record it carried, copied
// before the exerciser frees them.
struct Seen {
    int calls = 0;
    const void *req = nullptr;
    Bytes request;
    Bytes record;
    bool record_null = false;
    int32_t result = 0;       // what the entry returns
    bool complete = false;    // the entry calls the request's callback
    uint64_t cnt = 0, ptk = 0;  // what a counter entry fills in
};
Seen seen;

Bytes copy(const void *p, size_t n) {
    const auto *b = static_cast<const uint8_t *>(p);
    return Bytes(b, b + n);
}

Bytes copy_ace(const ss_fp_appmng_ace_t *ace) {
    return copy(ace, sizeof *ace + ace->rule_len + ace->action_len);
}

Bytes copy_apply(const ss_fp_appmng_apply_t *apply) {
    return copy(apply, sizeof *apply + apply->action_len + apply->rule_len);
}

int32_t finish(void *req) {
    auto *header = static_cast<ss_fp_appmng_common_t *>(req);
    if (seen.complete) header->ss_fp_appmng_cb(header);
    return seen.result;
}

int32_t acl_entry(void *req) {
    ++seen.calls;
    seen.req = req;
    seen.request = copy(req, sizeof(ut_ss_fp_appmng_acl_req_t));
    return finish(req);
}

int32_t apply_entry(void *req) {
    const auto *r = static_cast<const ut_ss_fp_appmng_acl_req_t *>(req);
    seen.record_null = r->record.apply == nullptr;
    if (!seen.record_null) seen.record = copy_apply(r->record.apply);
    return acl_entry(req);
}

int32_t ace_update_entry(void *req) {
    const auto *r = static_cast<const ut_ss_fp_appmng_acl_req_t *>(req);
    seen.record_null = r->record.ace == nullptr;
    if (!seen.record_null) seen.record = copy_ace(r->record.ace);
    return acl_entry(req);
}

int32_t ace_entry(void *req) {
    ++seen.calls;
    seen.req = req;
    seen.request = copy(req, sizeof(ut_ss_fp_appmng_ace_req_t));
    const auto *r = static_cast<const ut_ss_fp_appmng_ace_req_t *>(req);
    seen.record_null = r->ace == nullptr;
    if (!seen.record_null) seen.record = copy_ace(r->ace);
    return finish(req);
}

int32_t counter_entry(void *req) {
    ++seen.calls;
    seen.req = req;
    seen.request = copy(req, sizeof(ut_ss_fp_appmng_counter_para_t));
    auto *r = static_cast<ut_ss_fp_appmng_counter_para_t *>(req);
    r->cnt = seen.cnt;
    r->ptk = seen.ptk;
    return seen.result;
}

template <class T>
T load(const Bytes &b, size_t off) {
    T v;
    std::memcpy(&v, b.data() + off, sizeof v);
    return v;
}

// Replaces the source lines of the traces, which move with the code.
// Replaces the source lines of the traces, which move with the code: every
// "[<digits>]" right after a name becomes "[#]".
std::string lines_out(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        size_t j = i + 1;
        if (s[i] == '[' && i > 0 && (std::isalnum(static_cast<unsigned char>(s[i - 1])) || s[i - 1] == '_')) {
            while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            if (j > i + 1 && j < s.size() && s[j] == ']') {
                out += "[#]";
                i = j + 1;
                continue;
            }
        }
        out += s[i];
        i = i + 1;
    }
    return out;
}

std::string enter(const char *f) { return std::string("\n     {appmng} ") + f + "[#] PRINT:enter"; }
std::string leave(const char *f, int rv) {
    return std::string("\n     {leave ") + f + "[#]: rv: " + std::to_string(rv);
}
std::string assert_line(const char *f) {
    return std::string("\n     {appmng} ") + f + "[#] PRINT:\r\n\r\n\r\n ASSERT \r\n\r\n\r\n ";
}

std::string dump_of_ace(const Bytes &ace) {
    StdoutCapture cap;
    ss_fp_appmng_dump_ace(reinterpret_cast<const ss_fp_appmng_ace_t *>(ace.data()));
    return cap.take();
}

std::string dump_of_apply(const Bytes &apply) {
    StdoutCapture cap;
    ss_fp_appmng_dump_apply(reinterpret_cast<const ss_fp_appmng_apply_t *>(apply.data()));
    return cap.take();
}

// The default ACE, byte for byte: sn 255, default, source MAC pair,
// destination 'ipv4'/32; ctrl 0x100 at action 0, forward 1,0,0 at action 4.
Bytes expected_ace(uint32_t sn, uint32_t sub_sn, uint32_t ipv4) {
    Bytes b(99, 0);
    std::memcpy(&b[0], &sn, 4);
    std::memcpy(&b[4], &sub_sn, 4);
    b[8] = 1;
    const uint32_t rules0 = (1u << SS_FP_RULE_MAC_SRC) | (1u << SS_FP_RULE_IPV4_DST);
    const uint32_t actions0 = (1u << SS_FP_ACTION_CTRL) | (1u << SS_FP_ACTION_FWD);
    std::memcpy(&b[24], &rules0, 4);
    std::memcpy(&b[52], &actions0, 4);
    b[68] = 20;
    b[70] = 7;
    const uint8_t mac[12] = {0x00, 0x22, 0x33, 0x44, 0x55, 0x66, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    std::memcpy(&b[72], mac, 12);
    const uint32_t mask = 0xFFFFFFFF, ctrl = 0x100;
    std::memcpy(&b[84], &ipv4, 4);
    std::memcpy(&b[88], &mask, 4);
    std::memcpy(&b[92], &ctrl, 4);
    b[96] = 1;
    return b;
}

class UtAppmngReqTest : public ::testing::Test {
  protected:
    void SetUp() override {
        seen = Seen{};
        g_ss_fp_appmng_debug = 0;
        g_test_count = 0;
        g_test_num = 0;
        std::memset(&g_test_time, 0, sizeof g_test_time);
        FaultInjector::reset();
    }
    void TearDown() override {
        FaultInjector::reset();
        g_ss_fp_appmng_debug = 0;
    }

    // The header and ACL every request carries.
    void expect_header_and_acl(uint32_t op, size_t acl_at) {
        const Bytes &r = seen.request;
        EXPECT_EQ(load<uint32_t>(r, 0), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(seen.req)));
        EXPECT_EQ(load<ss_fp_appmng_cb_t>(r, 8), &ut_ss_fp_appmng_cb);
        EXPECT_EQ(load<int32_t>(r, 16), 0);  // rv
        EXPECT_EQ(load<int32_t>(r, 20), 0);  // vdu
        EXPECT_EQ(load<uint32_t>(r, 24), op);
        EXPECT_EQ(r[28], 1);  // need_rollback
        EXPECT_EQ(r[29], 0);  // is_pi
        EXPECT_EQ(load<int32_t>(r, acl_at), 99);
        EXPECT_EQ(load<int32_t>(r, acl_at + 4), 13);
        EXPECT_EQ(load<int32_t>(r, acl_at + 8), 0);
        EXPECT_EQ(load<int32_t>(r, acl_at + 12), 1);
    }
};

TEST_F(UtAppmngReqTest, AclRequestsCarryHeaderAndAclOnly) {
    struct Case {
        int (*op)(ut_ss_fp_appmng_entry_t);
        uint32_t code;
    } cases[] = {{ut_ss_fp_appmng_crt_acl, SS_FP_APPMNG_CRT_ACL}, {ut_ss_fp_appmng_del_acl, SS_FP_APPMNG_DEL_ACL}};
    for (const Case &c : cases) {
        seen = Seen{};
        StdoutCapture cap;
        EXPECT_EQ(c.op(acl_entry), 0);
        EXPECT_EQ(cap.take(), "");
        ASSERT_EQ(seen.calls, 1);
        expect_header_and_acl(c.code, 48);
        EXPECT_EQ(load<uint32_t>(seen.request, 68), 0u);       // old_sn
        EXPECT_EQ(load<void *>(seen.request, 72), nullptr);    // no record
    }
}

TEST_F(UtAppmngReqTest, AceRequestsCarryTheDefaultAce) {
    struct Case {
        int (*op)(ut_ss_fp_appmng_entry_t);
        uint32_t code;
    } cases[] = {{ut_ss_fp_appmng_add_ace, SS_FP_APPMNG_ADD_ACE}, {ut_ss_fp_appmng_del_ace, SS_FP_APPMNG_DEL_ACE}};
    for (const Case &c : cases) {
        seen = Seen{};
        StdoutCapture cap;
        EXPECT_EQ(c.op(ace_entry), 0);
        EXPECT_EQ(cap.take(), "");
        ASSERT_EQ(seen.calls, 1);
        expect_header_and_acl(c.code, 144);
        ASSERT_FALSE(seen.record_null);
        EXPECT_EQ(seen.record, expected_ace(255, 0, 0xC0A80101));
    }
}

TEST_F(UtAppmngReqTest, BuiltAceTakesTheMacGlobals) {
    const uint8_t data[6] = {1, 2, 3, 4, 5, 6}, mask[6] = {0xff, 0xff, 0xff, 0, 0, 0};
    uint8_t saved_data[6], saved_mask[6];
    std::memcpy(saved_data, ut_ss_fp_appmng_mac_data, 6);
    std::memcpy(saved_mask, ut_ss_fp_appmng_mac_mask, 6);
    std::memcpy(ut_ss_fp_appmng_mac_data, data, 6);
    std::memcpy(ut_ss_fp_appmng_mac_mask, mask, 6);
    ss_fp_appmng_ace_t *ace = nullptr;
    ut_ss_fp_appmng_alloc_ace(&ace);
    std::memcpy(ut_ss_fp_appmng_mac_data, saved_data, 6);
    std::memcpy(ut_ss_fp_appmng_mac_mask, saved_mask, 6);
    ASSERT_NE(ace, nullptr);
    EXPECT_EQ(std::memcmp(ace->buffer, data, 6), 0);
    EXPECT_EQ(std::memcmp(ace->buffer + 6, mask, 6), 0);
    ut_ss_fp_appmng_free_ace(ace);
}

TEST_F(UtAppmngReqTest, AddAceDiffNumbersTheAceAndWrapsTheAddress) {
    EXPECT_EQ(ut_ss_fp_appmng_add_ace_diff(ace_entry, 1), 0);
    expect_header_and_acl(SS_FP_APPMNG_ADD_ACE, 144);
    EXPECT_EQ(seen.record, expected_ace(1, 1, 0xC0A80102));
    EXPECT_EQ(ut_ss_fp_appmng_add_ace_diff(ace_entry, 0xFFFFFFFFu), 0);
    EXPECT_EQ(seen.record, expected_ace(0xFFFFFFFFu, 0xFFFFFFFFu, 0xC0A80100));
}

TEST_F(UtAppmngReqTest, AddAceDiffDumpsOnlyInDebug) {
    {
        StdoutCapture cap;
        EXPECT_EQ(ut_ss_fp_appmng_add_ace_diff(ace_entry, 3), 0);
        EXPECT_EQ(cap.take(), "");
    }
    g_ss_fp_appmng_debug = 1;
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_add_ace_diff(ace_entry, 3), 0);
    const std::string out = cap.take();
    const char *f = "ut_ss_fp_appmng_add_ace_diff";
    EXPECT_EQ(lines_out(out), enter(f) + lines_out(dump_of_ace(seen.record)) +
                                  "\n     {appmng} ut_ss_fp_appmng_add_ace_diff[#] PRINT:0" + leave(f, 0));
}

TEST_F(UtAppmngReqTest, AddAceWithCounterAnnouncesMissingFlagsAndAlwaysDumps) {
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_add_ace_with_counter(ace_entry), 0);
    const std::string out = cap.take();
    expect_header_and_acl(SS_FP_APPMNG_ADD_ACE, 144);
    const Bytes &a = seen.record;
    ASSERT_EQ(a.size(), 96u);
    EXPECT_EQ(load<uint32_t>(a, 0), 255u);
    EXPECT_EQ(load<uint32_t>(a, 4), 0u);
    EXPECT_EQ(a[8], 1);
    EXPECT_EQ(load<uint32_t>(a, 24), (1u << SS_FP_RULE_MAC_SRC) | (1u << SS_FP_RULE_IPV4_DST));
    EXPECT_EQ(load<uint32_t>(a, 52), 1u << SS_FP_ACTION_COUNTER);
    EXPECT_EQ(load<uint16_t>(a, 68), 20);
    EXPECT_EQ(load<uint16_t>(a, 70), 4);
    EXPECT_EQ(Bytes(a.begin() + 72, a.begin() + 84), Bytes(12, 0));  // zero MAC pair
    EXPECT_EQ(load<uint32_t>(a, 84), 0xC0A80202u);
    EXPECT_EQ(load<uint32_t>(a, 88), 0xFFFFFFFFu);
    EXPECT_EQ(load<uint32_t>(a, 92), 7u);
    EXPECT_EQ(out, "flag:[2] is no set\r\nflag:[1] is no set\r\n" + dump_of_ace(a));
}

TEST_F(UtAppmngReqTest, ApplyRequestsCarryTheApplyRecord) {
    struct Case {
        int (*op)(ut_ss_fp_appmng_entry_t);
        uint32_t code;
        bool dumps;
    } cases[] = {{ut_ss_fp_appmng_apply_acl, SS_FP_APPMNG_APPLY_ACL, false},
                 {ut_ss_fp_appmng_unapply_acl, SS_FP_APPMNG_UNAPPLY_ACL, true}};
    for (const Case &c : cases) {
        seen = Seen{};
        StdoutCapture cap;
        EXPECT_EQ(c.op(apply_entry), 0);
        const std::string out = cap.take();
        expect_header_and_acl(c.code, 48);
        const Bytes &a = seen.record;
        ASSERT_EQ(a.size(), 163u);
        Bytes want(163, 0);
        const uint32_t phyid = 0x07001B1E, app = 13, actions0 = 0x6, ctrl = 0x100;
        std::memcpy(&want[4], &phyid, 4);
        std::memcpy(&want[84], &app, 4);
        std::memcpy(&want[108], &actions0, 4);
        want[152] = 7;               // action_len; rule_len 0
        std::memcpy(&want[156], &ctrl, 4);  // ctrl, then forward 0,0,0
        EXPECT_EQ(a, want);
        EXPECT_EQ(out, c.dumps ? dump_of_apply(a) : "");
    }
}

TEST_F(UtAppmngReqTest, ApplyAclDumpsInDebug) {
    g_ss_fp_appmng_debug = 1;
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_apply_acl(apply_entry), 0);
    const std::string out = cap.take();
    const char *f = "ut_ss_fp_appmng_apply_acl";
    EXPECT_EQ(lines_out(out), enter(f) + lines_out(dump_of_apply(seen.record)) +
                                         "\n     {appmng} ut_ss_fp_appmng_apply_acl[#] PRINT:0" + leave(f, 0));
}

TEST_F(UtAppmngReqTest, FailedEntryIsReportedInDebugAndReturned) {
    seen.result = -5;
    {
        StdoutCapture cap;
        EXPECT_EQ(ut_ss_fp_appmng_add_ace(ace_entry), -5);
        EXPECT_EQ(cap.take(), "");
    }
    g_ss_fp_appmng_debug = 1;
    int (*ops[])(ut_ss_fp_appmng_entry_t) = {ut_ss_fp_appmng_crt_acl, ut_ss_fp_appmng_del_ace};
    ut_ss_fp_appmng_entry_t entries[] = {acl_entry, ace_entry};
    const char *names[] = {"ut_ss_fp_appmng_crt_acl", "ut_ss_fp_appmng_del_ace"};
    for (int i = 0; i < 2; ++i) {
        StdoutCapture cap;
        EXPECT_EQ(ops[i](entries[i]), -5);
        EXPECT_EQ(lines_out(cap.take()), enter(names[i]) + assert_line(names[i]) + leave(names[i], -5));
    }
}

TEST_F(UtAppmngReqTest, MissingEntryFailsWithoutACall) {
    EXPECT_EQ(ut_ss_fp_appmng_add_ace(nullptr), -1);
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_unapply_acl(nullptr), -1);
    EXPECT_EQ(ut_ss_fp_appmng_apply_acl(nullptr), -1);
    EXPECT_EQ(ut_ss_fp_appmng_counter(nullptr, 7, 0), 0);
    // The unapply dump only: no counter line without an entry.
    EXPECT_EQ(cap.take().find("cnt = "), std::string::npos);
    ut_ss_fp_appmng_update_ace_action(nullptr);
    ut_ss_fp_appmng_update_acl_action(nullptr);
}

TEST_F(UtAppmngReqTest, CounterRequestIsClearedAndPrintsCountsOnSuccess) {
    seen.cnt = 1234567890123ull;
    seen.ptk = 42;
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_counter(counter_entry, SS_FP_APPMNG_ACE_COUNTER, 0xABCD), 0);
    EXPECT_EQ(cap.take(), "\r\ncnt = 1234567890123, ptk = 42");
    expect_header_and_acl(SS_FP_APPMNG_ACE_COUNTER, 48);
    const Bytes &r = seen.request;
    EXPECT_EQ(load<uint64_t>(r, 168), 255u);
    EXPECT_EQ(load<uint32_t>(r, 192), 0xABCDu);
    // Everything else is zero: the padding, the gaps and the counters.
    for (size_t i : {4, 5, 6, 7, 30, 31}) EXPECT_EQ(r[i], 0) << i;
    for (size_t i = 32; i < 48; ++i) EXPECT_EQ(r[i], 0) << i;
    for (size_t i = 64; i < 168; ++i) EXPECT_EQ(r[i], 0) << i;
    for (size_t i = 176; i < 192; ++i) EXPECT_EQ(r[i], 0) << i;
    for (size_t i = 196; i < 208; ++i) EXPECT_EQ(r[i], 0) << i;
}

TEST_F(UtAppmngReqTest, FailedCounterRequestPrintsOnlyInDebugAndReturnsZero) {
    seen.result = -3;
    {
        StdoutCapture cap;
        EXPECT_EQ(ut_ss_fp_appmng_counter(counter_entry, 9, 1), 0);
        EXPECT_EQ(cap.take(), "");
    }
    g_ss_fp_appmng_debug = 1;
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_counter(counter_entry, 9, 1), 0);
    EXPECT_EQ(lines_out(cap.take()),
              "\n     {appmng} ut_ss_fp_appmng_counter[#] PRINT:call func(&counter_para_p)"
              "\n     {appmng} ut_ss_fp_appmng_counter[#] PRINT:call func(&counter_para_p) failed, rv = -3");
}

TEST_F(UtAppmngReqTest, ActionUpdatesMoveTheApplyAndRenumberTheAce) {
    g_ss_fp_appmng_debug = 1;  // silent all the same
    StdoutCapture cap;
    seen.result = -1;          // and the result is not used
    ut_ss_fp_appmng_update_acl_action(apply_entry);
    expect_header_and_acl(SS_FP_APPMNG_UPDATE_ACE_ACTION, 48);
    ASSERT_EQ(seen.record.size(), 163u);
    EXPECT_EQ(load<uint32_t>(seen.record, 4), 0x07001902u);
    EXPECT_EQ(load<int32_t>(seen.record, 88), 2);
    EXPECT_EQ(load<int32_t>(seen.record, 84), 13);

    seen = Seen{};
    ut_ss_fp_appmng_update_ace_action(ace_update_entry);
    EXPECT_EQ(cap.take(), "");
    expect_header_and_acl(SS_FP_APPMNG_UPDATE_ACE_ACTION, 48);
    EXPECT_EQ(load<uint32_t>(seen.request, 68), 255u);  // old_sn
    Bytes want = expected_ace(256, 0, 0xC0A80101);
    want[8] = 0;
    EXPECT_EQ(seen.record, want);
}

TEST_F(UtAppmngReqTest, CompletionsStopTheRunTimerOnce) {
    std::strcpy(g_test_time.name, "run");
    g_test_num = 3;
    seen.complete = true;
    std::string out[4];
    for (auto &o : out) {
        StdoutCapture cap;
        ut_ss_fp_appmng_crt_acl(acl_entry);
        o = cap.take();
    }
    EXPECT_EQ(g_test_count, 4u);
    EXPECT_EQ(g_test_time.count, 1u);
    EXPECT_EQ(out[0], "");
    EXPECT_EQ(out[1], "");
    EXPECT_EQ(out[2].rfind("\r\n================ test run ================\r\ntime = 1, total elapsed: ", 0), 0u)
        << out[2];
    EXPECT_EQ(out[3], "");
}

TEST_F(UtAppmngReqTest, CallbackTracesTheHeaderInDebug) {
    g_ss_fp_appmng_debug = 1;
    ss_fp_appmng_common_t h{};
    ut_ss_fp_appmng_init_common(&h, ut_ss_fp_appmng_cb, SS_FP_APPMNG_ADD_ACE);
    h.rv = -2;
    h.vdu = 4;
    h.is_pi = 1;
    auto expected = [&h](const char *name) {
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "\n     {appmng} ut_ss_fp_appmng_cb[#] PRINT:enter"
                      "\n     {appmng} ss_fp_appmng_dump_common[#] PRINT:service_id = %d, ss_fp_appmng_cb = %p, "
                      "rv = -2, vdu=4, is_pi = 1 \r\n op = %d[%s], need_rollback = 1",
                      static_cast<int>(h.service_id), reinterpret_cast<void *>(h.ss_fp_appmng_cb),
                      static_cast<int>(h.op), name);
        return std::string(buf);
    };
    {
        StdoutCapture cap;
        EXPECT_EQ(ut_ss_fp_appmng_cb(&h), 0);
        EXPECT_EQ(lines_out(cap.take()), expected("SS_FP_APPMNG_ADD_ACE"));
    }
    h.op = 40;  // beyond the operation names
    StdoutCapture cap;
    EXPECT_EQ(ut_ss_fp_appmng_cb(&h), 0);
    EXPECT_EQ(lines_out(cap.take()), expected("?"));
    EXPECT_EQ(g_test_count, 2u);
}

TEST_F(UtAppmngReqTest, InitCommonLeavesIsPiAndUsesTheHeaderAddress) {
    ss_fp_appmng_common_t h;
    std::memset(&h, 0xAB, sizeof h);
    ut_ss_fp_appmng_init_common(&h, nullptr, 31);
    EXPECT_EQ(h.service_id, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&h)));
    EXPECT_EQ(h.ss_fp_appmng_cb, nullptr);
    EXPECT_EQ(h.op, 31u);
    EXPECT_EQ(h.need_rollback, 1);
    EXPECT_EQ(h.is_pi, 0xAB);
}

// A builder that cannot allocate leaves a null record; the operation still
// calls the entry, shows and frees nothing.
TEST_F(UtAppmngReqTest, BuilderFailureSendsANullRecord) {
    struct Case {
        int (*op)(ut_ss_fp_appmng_entry_t);
        ut_ss_fp_appmng_entry_t entry;
        const char *builder;
    } cases[] = {{ut_ss_fp_appmng_add_ace, ace_entry, "ut_ss_fp_appmng_alloc_ace"},
                 {ut_ss_fp_appmng_add_ace_with_counter, ace_entry, "ut_ss_fp_appmng_alloc_ace_with_counter"},
                 {ut_ss_fp_appmng_unapply_acl, apply_entry, "ut_ss_fp_appmng_alloc_apply"},
                 {ut_ss_fp_appmng_apply_acl, apply_entry, "ut_ss_fp_appmng_alloc_apply"}};
    for (const Case &c : cases) {
        seen = Seen{};
        g_ss_fp_appmng_debug = 0;
        {
            FaultInjector::fail_all();
            StdoutCapture cap;
            EXPECT_EQ(c.op(c.entry), 0);
            FaultInjector::reset();
            EXPECT_EQ(cap.take(), "") << c.builder;
            EXPECT_EQ(seen.calls, 1);
            EXPECT_TRUE(seen.record_null) << c.builder;
        }
        g_ss_fp_appmng_debug = 1;
        FaultInjector::fail_all();
        StdoutCapture cap;
        c.op(c.entry);
        FaultInjector::reset();
        EXPECT_NE(lines_out(cap.take()).find(assert_line(c.builder)), std::string::npos) << c.builder;
    }
    seen = Seen{};
    g_ss_fp_appmng_debug = 0;
    FaultInjector::fail_all();
    ut_ss_fp_appmng_update_ace_action(ace_update_entry);
    ut_ss_fp_appmng_update_acl_action(apply_entry);
    FaultInjector::reset();
    EXPECT_EQ(seen.calls, 2);
    EXPECT_TRUE(seen.record_null);
    EXPECT_EQ(load<uint32_t>(seen.request, 68), 0u);
}

TEST_F(UtAppmngReqTest, BuildersIgnoreANullOutPointerAndFreeIgnoresNull) {
    FaultInjector::reset();
    ut_ss_fp_appmng_alloc_ace(nullptr);
    ut_ss_fp_appmng_alloc_ace_diff(nullptr, 1);
    ut_ss_fp_appmng_alloc_ace_with_counter(nullptr);
    ut_ss_fp_appmng_alloc_apply(nullptr);
    EXPECT_EQ(FaultInjector::calls(), 0);
    ut_ss_fp_appmng_free_ace(nullptr);
    ut_ss_fp_appmng_free_apply(nullptr);
}

}  // namespace
